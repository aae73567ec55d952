// The line that tells what the host is doing: the virtual clock and its speed, the
// running recordings and what the music channel has on air.
#ifndef __VIMORA_STATUSLINE_H
#define __VIMORA_STATUSLINE_H

#include <string>
#include <vector>

// The names of the recordings running now.
std::vector<std::string> RunningRecordings(void);
// The title of the music channel's present event, or "" when the guide has none.
std::string MusicOnAir(void);
// "Mon 07.12.2026 20:03:15 x60 | REC Music Night | on air: Artist - Title (1999)"
std::string StatusLine(void);

#endif
