// Cuts a recording into clips: for each pair of cut marks the media from the start mark's
// I-frame (the one at or before it) up to the end mark, as whole transport stream packets
// found through the frame index, into "<clip folder>/<name>.ts". The name is the start
// mark's comment made safe as a file name, or the mark's position when it has none.
#ifndef __ROZEREZ_CUTTER_H
#define __ROZEREZ_CUTTER_H

#include <string>
#include <sys/types.h>
#include <vector>

#include "clipstream.h"

class cIndexFile;

// The file name (without ".ts") of the clip of a start mark: '/' becomes '_', control
// characters become blanks, leading dots become '_', and long names are shortened, so
// that the clip lands in the clip folder and is not hidden. A mark without a comment is
// named by its time at FramesPerSecond.
std::string ClipName(const char *Comment, int Position, double FramesPerSecond = 25);

// The folder "clips" beside the recording's folder.
std::string DefaultClipFolder(const char *RecordingFileName);

class cClipCutter {
private:
  struct tPlace {
    int fileNumber;
    off_t offset; // -1: the end of the file
  };
  struct tClip {
    std::string name;
    tPlace from, to;
    int videoPid; // -1: copied as it is
    std::vector<tTsSpan> leading; // pictures that refer to what lies before the cut
    std::string tables;           // PAT and PMT, written first when the clip lacks them
  };
  std::string recording, folder, error;
  int clips;
  std::vector<std::string> files;
  bool isPesRecording; // the older file names
  bool Fail(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  std::string MediaFile(int FileNumber) const;
  bool Plan(std::vector<tClip> &Clips);
  // Where the video's PES packet begins at or shortly after Offset; false when none does.
  bool PesAt(int FileNumber, off_t Offset, tPesStart &Start) const;
  // Where the clip's first I-frame really begins, its video stream, and the tables a
  // decoder needs first; false for a stream this does not know, which is copied as it is.
  bool FindStart(tClip &Clip, tPesStart &IFrame) const;
  // The clip's video stream and the pictures between its first I-frame (frame First of
  // the index) and End that are shown before it.
  void FindLeading(cIndexFile &Index, int First, int End, tClip &Clip) const;
  bool CheckMedia(const tClip &Clip);
  std::string Target(const tClip &Clip) const;
  bool Write(const tClip &Clip);
  bool Copy(int To, const tClip &Clip);

public:
  // Clips of the recording go to Folder (empty: DefaultClipFolder()).
  cClipCutter(const char *RecordingFileName, const std::string &Folder);
  // Writes every clip; false with Error() set when anything failed. Clips are written
  // whole or not at all, and nothing is written when the recording cannot be cut.
  bool Cut(void);
  int Clips(void) const { return clips; }
  // The clips written, in the order of their pairs.
  const std::vector<std::string> &Files(void) const { return files; }
  const std::string &Folder(void) const { return folder; }
  const std::string &Error(void) const { return error; }
};

#endif
