// The recordings menu's side that other menus and the replay control share: which
// channel a recording of the plug-in was made from.
#ifndef __VIMORA_MENU_RECS_H
#define __VIMORA_MENU_RECS_H

#include <string>

class cRecording;

// The channel id in the recording's marker file "vimora" (its first word; the music
// channel for an empty file), or "" when the file cannot be read.
std::string GetRecordingChannelID(cRecording *recording);

#endif
