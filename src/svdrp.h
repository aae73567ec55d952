// The plug-in's SVDRP commands ("PLUG vimora COMMAND [OPTION]"): the music channel's
// recordings and the catalogue listed, cut marks written, conversions started, watched
// and stopped, the blacklist applied again, for scripts and other programs. They do
// what the menus do and may run on any thread; a bad or missing option is answered
// with 501 and changes nothing, a refused action with 550.
#ifndef __VIMORA_SVDRP_H
#define __VIMORA_SVDRP_H

#include <vdr/tools.h>

// The help pages, one per command, as the recorder's HELP lists them.
const char **VimoraSVDRPHelpPages(void);

// The reply to one command (lines separated by '\n'), ReplyCode set unless it is 900;
// null for a command that is not the plug-in's.
cString VimoraSVDRPCommand(const char *Command, const char *Option, int &ReplyCode);

#endif
