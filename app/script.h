// The script language of vimora-host: one command a line, a line whose first word
// begins with '#' is a comment. Commands set up channels, guide events and timers, let
// host time pass, press keys, and print or check what is on screen and on disk. The
// commands are listed in README.md.
#ifndef __VIMORA_SCRIPT_H
#define __VIMORA_SCRIPT_H

#include <stdio.h>
#include <string>
#include <vector>
#include <time.h>

#include "session.h"

class cWords;

// Local time from "YYYY-MM-DD" and "hh:mm[:ss]".
bool ParseLocalTime(const std::string &Date, const std::string &Clock, time_t &Result);

// The last message shown, "type: text", or "".
std::string LastMessage(void);

class cScript {
private:
  cSession &session;
  time_t start; // "+SECONDS" counts from here
  std::string error;
  bool Fail(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  bool Time(cWords &Words, const char *What, time_t &Result);
  bool ChannelArg(cWords &Words, class cChannel *&Result);
  bool Path(const std::string &Text, std::string &Result);
  bool Paths(const std::string &Text, std::vector<std::string> &Result);
  bool Speed(cWords &Words);
  bool Svdrp(cWords &Words);
  bool Channel(cWords &Words);
  // "broadcast CHANNEL FORMAT": the channel's entry names its broadcast format.
  bool Broadcast(cWords &Words);
  // "split BYTES": the host's own limit of a recording's media files.
  bool Split(cWords &Words);
  bool Epg(cWords &Words);
  // CHANNEL START DURATION, as an event and an item on air begin.
  bool Airing(cWords &Words, class cChannel *&Channel, time_t &Start, double &Duration);
  bool Event(cWords &Words);
  bool OnAir(cWords &Words);
  bool Timer(cWords &Words);
  bool Wait(cWords &Words);
  bool WaitIdle(cWords &Words);
  bool Key(cWords &Words);
  bool Screen(void);
  bool Expect(cWords &Words, bool Present);
  bool Cat(cWords &Words);
  bool Ls(cWords &Words);

public:
  cScript(cSession &Session);
  time_t Start(void) const { return start; }
  // Executes one line; false when it fails, with Error() telling why.
  bool Execute(const std::string &Line);
  const std::string &Error(void) const { return error; }
  // Executes the lines of File (named Name in messages). A failing line ends the run
  // with its number, the error and the screen on stderr. Returns the exit code.
  int Run(FILE *File, const char *Name);
};

#endif
