// Interactive use of vimora-host on a terminal: the host's screen drawn with ncurses,
// a status line, and the keyboard as the remote control.
#ifndef __VIMORA_INTERACTIVE_H
#define __VIMORA_INTERACTIVE_H

#include "session.h"

// The smallest terminal the screen fits into.
const int MinTerminalColumns = 60;
const int MinTerminalRows = 19;

// The clock speeds that '+' and '-' step through; 0 is "max".
double NextSpeed(double Speed, bool Faster);

// Runs the host until the user quits; the exit code.
int RunInteractive(const tHostOptions &Options, double Speed);

#endif
