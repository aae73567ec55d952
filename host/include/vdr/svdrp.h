// The part of the recorder's SVDRP that the stand-in serves: one command line executed
// as the recorder's SVDRP server would, without the network. Only the plug-ins' own
// commands are served (PLUG); what a program reads is the recorder's reply text.
#ifndef __VDR_SVDRP_H
#define __VDR_SVDRP_H

#include <vdr/tools.h>

// The reply to Line ("PLUG", "PLUG NAME", "PLUG NAME HELP [COMMAND]" or
// "PLUG NAME COMMAND [OPTION]"), one line per reply line, each beginning with the
// three-digit code and '-' before every line but the last, which has a blank.
cString SVDRPExecute(const char *Line);

#endif
