// The plug-in loaded into the host with the host's recorder running: recordings of the
// music channel are made on the clock while the grabber catalogues their tracks, and
// the plug-in's menu is opened from the main menu.
#ifndef __VIMORA_RECORDERENV_H
#define __VIMORA_RECORDERENV_H

#include <string>
#include <vector>

#include "hostenv.h"
#include "hostfixtures.h"

const char *const OtherChannelID = "S19.2E-1-1101-28006";

class cRecorderEnv : public cHostEnv {
protected:
  std::string logPath, tracksPath;
  cChannel *music = nullptr;
  void SetUp(void) override;
  void TearDown(void) override;
  // Writes the catalogue, starts the plug-in (log level 2) and the recorder.
  void Start(const std::string &Catalogue = "");
  // Moves the clock to Seconds after TestEpoch (20:00).
  void At(int Seconds);
  // Lets the recorder record the music channel from From to To (seconds after 20:00).
  std::string Record(const char *Name, int From, int To);
  // The plug-in's menu, the first entry of the main menu.
  void OpenMenu(void);
  const std::vector<std::string> &Messages(void) { return Screen().messages; }
  std::vector<std::string> Marks(const std::string &FileName) { return Lines(ReadFile(FileName + "/marks")); }
};

#endif
