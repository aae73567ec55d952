// The convert menu of a recording: video clips through the sibling plug-in "rozerez",
// audio clips through the audio conversion thread, or both; and the clip names made
// from the start marks' comments.
#ifndef __VIMORA_MENU_CONVERT_H
#define __VIMORA_MENU_CONVERT_H

#include <string>
#include <vector>
#include <vdr/osdbase.h>

class cPlugin;
class cRecording;

// Appends the pieces of Text between the characters of Delimiters to Tokens. Runs of
// delimiters count as one, so no token is ever empty.
void Tokenize(const std::string &Text, std::vector<std::string> &Tokens, const std::string &Delimiters);

class cMenuConvert : public cOsdMenu {
private:
  cRecording *recording; // a copy of the listed recording, owned

public:
  cMenuConvert(const cRecording *Recording);
  virtual ~cMenuConvert();
  virtual eOSState ProcessKey(eKeys Key);
  // Runs the current line's action.
  eOSState Execute(void);
  // The sibling plug-in, or null when it is not loaded.
  static cPlugin *Rozerez(void);
  // Has the conversion thread cut the clips (CutClips there), or stops the running
  // conversion. osContinue when there was nothing to do, else osEnd at once.
  static eOSState Cut(const cRecording *Recording);
  // Turns the start marks' comments into clip names, saves them and has "rozerez" cut
  // the clips, on the caller's thread and without a message: false with the cutter's
  // error text in Error (and in the log); the tracks of the pairs are marked converted
  // when the clips were cut.
  static bool CutClips(const cRecording *Recording, std::string &Error);
  // The cutting alone, marking nothing converted.
  static bool CallCutter(const cRecording *Recording, std::string &Error);
  // Starts an audio conversion, or stops the running one.
  eOSState ConvertToAudio(void);
  eOSState ConvertToVideoAudio(void);
  // The clip name of a start mark's comment «artist|title|year» after the setup's
  // pattern; a comment without '|' is kept, one with fewer than three fields is empty.
  static std::string FormatMark(std::string Comment);
};

#endif
