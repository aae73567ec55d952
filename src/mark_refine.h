// Cut marks moved from the guide's times onto the transitions between songs: the guide
// says which song, roughly where and how long, the recording says exactly where.
#ifndef __VIMORA_MARK_REFINE_H
#define __VIMORA_MARK_REFINE_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "audio_silence.h"

class cIndexFile;

// The two marks of one track, at I-frames, and the track as the log names it.
struct tMarkPair {
  int start;
  int end;
  std::string name;
};

// An item of the guide beside the tracks being marked (an announcement, a track not
// selected), in frames of the recording; -1 for an end that lies outside it.
struct tGuideItem {
  int start;
  int end;
};

// The stretches of frames within WindowSeconds of the marks (and a few seconds more, so
// that a transition at the window's edge is found whole), those that overlap joined, in
// order: what TransitionsAround decodes.
std::vector<std::pair<int, int>> MarkStretches(const std::vector<tMarkPair> &Pairs, int WindowSeconds, const cFrameRate &Rate = cFrameRate());

// The transitions around the marks (at the finder's rate), in order; each stretch of
// media is decoded once, also when several marks reach into it.
// Progress, when given, is told the percentage of the stretches' frames searched so far.
std::vector<tTransition> TransitionsAround(const std::vector<tMarkPair> &Pairs, cTransitionFinder &Finder, int WindowSeconds, std::function<void(int)> Progress = nullptr);

// Moves the marks onto the transitions (Transitions) within WindowSeconds of the guide's
// times, all marks of the recording judged together: each transition ends at most one
// item, the items of the guide (the pairs and Others) keep their order, and among the
// ways of placing them the one wins whose marks lie nearest the guide and whose tracks'
// lengths come nearest the guide's. A start mark goes to the first I-frame after its
// transition, an end mark to the last I-frame before it. A mark without a transition in
// reach, or one that would pass its own other mark or a neighbouring pair, stays. Logs
// (level 2) what moved and what did not.
void MoveMarks(std::vector<tMarkPair> &Pairs, cIndexFile &Index, const std::vector<tTransition> &Transitions, int WindowSeconds,
               const cFrameRate &Rate = cFrameRate(), const std::vector<tGuideItem> &Others = {});

#endif
