#include "mark_refine.h"

#include <algorithm>
#include <limits.h>
#include <math.h>
#include <vdr/recording.h>
#include <vdr/tools.h>

#include "log.h"

namespace {

int IFrameFrom(cIndexFile &Index, int Frame, bool Forward)
{
  int last = Index.Last();
  if (Frame < 0 || Frame > last)
     return -1;
  // the recorder's Get writes file number and offset without asking whether it may
  uint16_t number;
  off_t offset;
  bool independent = false;
  if (Index.Get(Frame, &number, &offset, &independent) && independent)
     return Frame;
  return Index.GetNextIFrame(Frame, Forward);
}

// Where a mark goes for Silence: a start mark where the sound comes back, an end mark
// before it goes; -1 when no I-frame lies there.
int MarkAt(cIndexFile &Index, const tSilence &Silence, bool Start)
{
  if (Start)
     return IFrameFrom(Index, int(ceil(Silence.to)), true);
  return IFrameFrom(Index, std::min(int(floor(Silence.from)), Index.Last()), false);
}

// The mark Moved when it stays within Low..High, else Guide; logs either.
int Settle(const tMarkPair &Pair, bool Start, int Guide, int Moved, int Low, int High, int WindowSeconds, const cFrameRate &Rate)
{
  const char *which = Start ? "start" : "end";
  if (Moved < 0) {
     LogFile.Log(2, "%s mark of %s stays at %s: no silence within %d s", which, Pair.name.c_str(), *Rate.Text(Guide, true), WindowSeconds);
     return Guide;
  }
  if (Moved < Low || Moved > High) {
     LogFile.Log(2, "%s mark of %s stays at %s: the silence lies beyond a neighbouring mark", which, Pair.name.c_str(), *Rate.Text(Guide, true));
     return Guide;
  }
  LogFile.Log(2, "%s mark of %s moved by %+.2f s, from %s to %s", which, Pair.name.c_str(), Rate.Seconds(Moved - Guide),
              *Rate.Text(Guide, true), *Rate.Text(Moved, true));
  return Moved;
}

} // namespace

// Sound shared by two marks (the end of one song, the start of the next) is decoded once.
std::vector<std::pair<int, int>> MarkStretches(const std::vector<tMarkPair> &Pairs, int WindowSeconds, const cFrameRate &Rate)
{
  int window = Rate.Frames(WindowSeconds);
  std::vector<std::pair<int, int>> around;
  for (const tMarkPair &p : Pairs)
      for (int mark : { p.start, p.end })
          around.push_back({ mark - window, mark + window });
  std::sort(around.begin(), around.end());
  std::vector<std::pair<int, int>> joined;
  for (const auto &a : around) {
      if (!joined.empty() && a.first <= joined.back().second + 1)
         joined.back().second = std::max(joined.back().second, a.second);
      else
         joined.push_back(a);
  }
  return joined;
}

const tSilence *NearestSilence(const std::vector<tSilence> &Silences, int Mark, int Window)
{
  const tSilence *nearest = NULL;
  double best = 0;
  for (const tSilence &s : Silences) {
      if (s.to < Mark - Window || s.from > Mark + Window)
         continue;
      double distance = Mark < s.from ? s.from - Mark : Mark > s.to ? Mark - s.to : 0;
      if (!nearest || distance < best) {
         nearest = &s;
         best = distance;
      }
  }
  return nearest;
}

std::vector<tSilence> SilencesAround(const std::vector<tMarkPair> &Pairs, cSilenceFinder &Finder, int WindowSeconds, std::function<void(int)> Progress)
{
  std::vector<tSilence> silences;
  std::vector<std::pair<int, int>> stretches = MarkStretches(Pairs, WindowSeconds, Finder.Rate());
  long long total = 0, done = 0;
  for (const auto &s : stretches)
      total += s.second - s.first + 1;
  for (const auto &s : stretches) {
      if (!Finder.Find(s.first, s.second, silences))
         LogFile.Log(1, "cannot hear the sound from %s to %s: the marks there stay", *Finder.Rate().Text(std::max(s.first, 0), true),
                     *Finder.Rate().Text(s.second, true));
      done += s.second - s.first + 1;
      if (Progress)
         Progress(int(done * 100 / total));
  }
  std::sort(silences.begin(), silences.end(), [](const tSilence &a, const tSilence &b) { return a.from < b.from; });
  return silences;
}

void MoveMarks(std::vector<tMarkPair> &Pairs, cIndexFile &Index, const std::vector<tSilence> &Silences, int WindowSeconds, const cFrameRate &Rate)
{
  int window = Rate.Frames(WindowSeconds);
  auto moved = [&](int Mark, bool Start) {
    const tSilence *s = NearestSilence(Silences, Mark, window);
    return s ? MarkAt(Index, *s, Start) : -1;
  };
  // Neighbours in the order of the recording: a start goes back at most to the previous
  // pair's end, an end on at most to where the next pair starts; where the guide has two
  // pairs overlap already, its own marks are the limit instead.
  std::vector<tMarkPair *> order;
  for (tMarkPair &p : Pairs)
      order.push_back(&p);
  std::stable_sort(order.begin(), order.end(), [](const tMarkPair *a, const tMarkPair *b) { return a->start < b->start; });
  std::vector<int> starts(order.size());
  for (size_t i = 0; i < order.size(); i++)
      starts[i] = moved(order[i]->start, true);
  int previousEnd = -1;
  for (size_t i = 0; i < order.size(); i++) {
      tMarkPair &p = *order[i];
      int guideStart = p.start, guideEnd = p.end;
      int endMoved = moved(guideEnd, false);
      p.start = Settle(p, true, guideStart, starts[i], std::min(previousEnd, guideStart), guideEnd - 1, WindowSeconds, Rate);
      int nextStart = INT_MAX;
      if (i + 1 < order.size())
         nextStart = starts[i + 1] >= 0 ? starts[i + 1] : order[i + 1]->start;
      p.end = Settle(p, false, guideEnd, endMoved, p.start + 1, std::max(guideEnd, nextStart), WindowSeconds, Rate);
      previousEnd = p.end;
  }
}
