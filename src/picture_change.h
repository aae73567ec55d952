// The transitions the pictures show between songs: black, and hard cuts (the picture
// jumps between two pictures far more than between the pictures around them). Only the
// pictures that stand alone (the I-frames) are looked at, each as a coarse grid of its
// colours, so that hours of broadcast are judged from a few decoded pictures a second.
#ifndef __VIMORA_PICTURE_CHANGE_H
#define __VIMORA_PICTURE_CHANGE_H

#include <vector>

#include "audio_silence.h"

// The mean Y, U and V of each cell of a picture's grid, in 8-bit levels.
typedef std::vector<float> tPictureGrid;
const int PictureGridColumns = 16;
const int PictureGridRows = 9;

// A grid all of whose cells are this dark (limited range, black at 16) is black.
const double BlackLuma = 32;
// A jump of the grid's mean difference of at least this many levels, and at least this
// many times the jumps around it, is a hard cut.
const double HardCutLevels = 12;
const double HardCutFactor = 4;

class cPictureChanges {
private:
  struct tPicture {
    double time;
    tPictureGrid grid;
    bool black;
  };
  std::vector<tPicture> pictures; // in time order, since the last Take

public:
  // The grid of a picture shown at Time seconds; pictures come in the order shown.
  void Picture(double Time, const tPictureGrid &Grid);
  // The changes seen, in seconds, each from the last picture of the one song to the first
  // of the next (tkBlack over black pictures, tkCut at a hard cut); forgets the pictures.
  std::vector<tTransition> Take(void);
};

#endif
