// The plug-in's settings, kept by the host under the plug-in's name.
#ifndef __VIMORA_CONFIG_H
#define __VIMORA_CONFIG_H

#include <string>

// The seconds refinewindow may take.
const int MinRefineWindow = 0;
const int MaxRefineWindow = 120;

class cVimoraConfig {
public:
  std::string format;    // clip-name pattern with %artist%, %title%, %year%
  int offset;            // seconds added to a track's guide times on a recording
  int hidemainmenuentry; // non-zero: no main-menu entry
  int avoidrepeats;      // non-zero: a repeat of a converted song is grabbed as skipped
  int audioformat;       // 0 = MP3, anything else = OGG
  int refinemarks;       // non-zero: cut marks move onto the silences between songs
  int refinewindow;      // seconds searched for a silence on each side of a mark
  int autoconvert;       // after a recording ends: 0 nothing, 1 audio files, 2 audio files and video clips
  std::string audioname; // audio file name pattern like format; each '/' makes a subfolder
  // From the command line, not the setup: the folders of the library. Empty: the audio
  // folder of the scripts' environment, the clip folder of rozerez.
  std::string audiodir;
  std::string clipdir;
  cVimoraConfig(void);
};

extern cVimoraConfig VimoraConfig;

#endif
