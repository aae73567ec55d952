// The demo: in a fresh folder, a guide of music videos is recorded on a fast clock,
// catalogued, marked, cut into video clips and converted into tagged audio files, all
// through the plug-ins' own menus, and what was made is listed at the end.
#ifndef __VIMORA_DEMO_H
#define __VIMORA_DEMO_H

#include <string>
#include <vector>

// One event of the demo's guide.
struct tDemoEvent {
  int duration;
  std::string title;
  std::string transition; // how it begins on air: "silence", "dip", "cut" or "fade"
  // Set for a music video, from "Artist - Title (Year)".
  std::string artist, song;
  int year;
  bool IsTrack(void) const { return year > 0; }
  // "Artist - Title (Year)", as clips and audio files are named.
  std::string FileBaseName(void) const;
};

// Reads the demo guide ("SECONDS [transition=KIND] TITLE" lines, '#' comments); false
// with the reason in Error when a line is bad.
bool ReadDemoGuide(const std::string &FileName, std::vector<tDemoEvent> &Events, std::string &Error);

// Runs the demo in Dir with the plug-ins found in PluginDir; the exit code (0 only when
// every file the demo should have made is there).
int RunDemo(const std::string &PluginDir, const std::string &Dir);

#endif
