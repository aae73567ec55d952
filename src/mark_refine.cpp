#include "mark_refine.h"

#include <algorithm>
#include <limits.h>
#include <math.h>
#include <vdr/recording.h>
#include <vdr/tools.h>

#include "log.h"

namespace {

// A guide off by the whole window still reaches its transition: the mark lies up to an
// I-frame's distance before the guide's time, and a transition that begins in the window
// lasts beyond it. What is decoded reaches further, so that a dip at the window's edge is
// heard against the seconds around it.
const int ReachSlackSeconds = 1;
const int DecodeSlackSeconds = int(DipAroundSeconds);

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
int MarkAt(cIndexFile &Index, const tTransition &Silence, bool Start)
{
  if (Start)
     return IFrameFrom(Index, int(ceil(Silence.to)), true);
  return IFrameFrom(Index, std::min(int(floor(Silence.from)), Index.Last()), false);
}

// Why a mark stays on the guide, or that it moved; logs it and gives where it is.
enum eWhy { wMoved, wNoneInReach, wNoneFits };

int Settle(const tMarkPair &Pair, bool Start, int Guide, int Moved, eWhy Why, int Low, int High, int WindowSeconds, const cFrameRate &Rate)
{
  const char *which = Start ? "start" : "end";
  if (Why == wNoneInReach) {
     LogFile.Log(2, "%s mark of %s stays at %s: no transition within %d s", which, Pair.name.c_str(), *Rate.Text(Guide, true), WindowSeconds);
     return Guide;
  }
  if (Why == wNoneFits || Moved < 0) {
     LogFile.Log(2, "%s mark of %s stays at %s: no transition there fits the guide", which, Pair.name.c_str(), *Rate.Text(Guide, true));
     return Guide;
  }
  if (Moved < Low || Moved > High) {
     LogFile.Log(2, "%s mark of %s stays at %s: the transition lies beyond a neighbouring mark", which, Pair.name.c_str(), *Rate.Text(Guide, true));
     return Guide;
  }
  LogFile.Log(2, "%s mark of %s moved by %+.2f s, from %s to %s", which, Pair.name.c_str(), Rate.Seconds(Moved - Guide),
              *Rate.Text(Guide, true), *Rate.Text(Moved, true));
  return Moved;
}

// A place where the guide has one item end and the next begin (the two times differ
// where the guide leaves a hole or lets its items overlap), and the marks that go there.
struct tBoundary {
  int low, high;        // of the guide's two times
  int endOf, startOf;   // the pair whose end or start mark goes here, -1 for none
  bool ends, starts;    // whether an item of the guide, with marks or not, ends or starts here
  std::vector<int> reach; // the transitions in reach
  bool Marked(void) const { return endOf >= 0 || startOf >= 0; }
  double Guide(void) const { return (low + high) / 2.0; }
  // Frames from the guide's times to a transition, 0 for one that touches them.
  double Distance(const tTransition &s) const { return s.to < low ? low - s.to : s.from > high ? s.from - high : 0; }
};

// The items of the guide in the order of the recording: the pairs (by index) and the
// others that lie beside them. An other that overlaps a pair by more than Tolerance
// frames is the same item in another list, or one spanning several: no neighbour.
std::vector<tBoundary> Boundaries(const std::vector<tMarkPair> &Pairs, const std::vector<tGuideItem> &Others, int Tolerance)
{
  struct tItem {
    int start, end, pair;
  };
  std::vector<tItem> items;
  for (size_t i = 0; i < Pairs.size(); i++)
      items.push_back({ Pairs[i].start, Pairs[i].end, int(i) });
  for (const tGuideItem &o : Others) {
      if (o.start < 0 && o.end < 0)
         continue;
      int from = o.start >= 0 ? o.start : INT_MIN, to = o.end >= 0 ? o.end : INT_MAX;
      bool beside = std::none_of(Pairs.begin(), Pairs.end(), [&](const tMarkPair &p) {
        return std::min(to, p.end) - std::max(from, p.start) > Tolerance;
      });
      if (beside)
         items.push_back({ o.start, o.end, -1 });
  }
  std::stable_sort(items.begin(), items.end(), [](const tItem &a, const tItem &b) {
    return (a.start >= 0 ? a.start : INT_MIN) < (b.start >= 0 ? b.start : INT_MIN);
  });
  std::vector<tBoundary> boundaries;
  int previousEnd = -1;
  for (const tItem &i : items) {
      if (i.start >= 0) {
         // an item that begins where, or before, the one before it ends shares its boundary
         if (!boundaries.empty() && previousEnd >= 0 && !boundaries.back().starts && i.start <= previousEnd + Tolerance) {
            tBoundary &b = boundaries.back();
            b.low = std::min(b.low, i.start);
            b.high = std::max(b.high, i.start);
            b.startOf = i.pair;
            b.starts = true;
         }
         else
            boundaries.push_back({ i.start, i.start, -1, i.pair, false, true, {} });
      }
      if (i.end >= 0)
         boundaries.push_back({ i.end, i.end, i.pair, -1, true, false, {} });
      previousEnd = i.end;
  }
  return boundaries;
}

// The transition chosen for each boundary, -1 where the guide's time stays: the placing
// of least cost in which the chosen transitions follow each other as the boundaries do.
// A transition costs its distance from the guide (a hard cut alone more); two chosen
// transitions cost the difference between the item they leave between them and the
// guide's, by half and at most half the window: a guide whose lengths are far off
// chooses among the transitions, but does not keep a mark from them. A boundary that
// stays costs more than any transition in reach with its lengths. Each transition
// serves one boundary, but for the end and the start on either side of a hole. A
// boundary without marks that stays is no limit to the others: the guide alone put it
// there.
std::vector<int> Place(const std::vector<tBoundary> &Boundaries, const std::vector<tTransition> &Transitions, int Window)
{
  // a video cuts within itself as well: a hard cut alone loses to a silence, a dip or
  // black a quarter of the window farther away
  const double StayCost = 3.0 * Window, DurationWeight = 0.5, CutCost = Window / 4.0;
  struct tState {
    double cost;
    double position;  // of the last boundary that limits the next; -inf before the first
    int lastChosen;   // boundary of the last chosen transition, -1 for none
    double lastTo;    // where the item after it begins
    int option;       // transition, -1 stays
    int back;         // state of the boundary before
  };
  auto middle = [&](int s) { return (Transitions[s].from + Transitions[s].to) / 2; };
  std::vector<std::vector<tState>> states(Boundaries.size());
  std::vector<tState> before = { { 0, -HUGE_VAL, -1, 0, -1, -1 } };
  for (size_t k = 0; k < Boundaries.size(); k++) {
      const tBoundary &b = Boundaries[k];
      std::vector<tState> &now = states[k];
      const std::vector<tState> &prev = k ? states[k - 1] : before;
      // an item of the guide without marks (an announcement) as much as a pair: else the
      // gap after an announcement would end it and leave the next song's start on the guide
      bool shareable = k && Boundaries[k - 1].ends && !Boundaries[k - 1].starts && b.starts && !b.ends && (Boundaries[k - 1].Marked() || b.Marked());
      auto best = [&](double Position, int Option, double Cost) {
        tState chosen = { HUGE_VAL, Position, -1, 0, Option, -1 };
        for (size_t p = 0; p < prev.size(); p++) {
            const tState &s = prev[p];
            // where the guide leaves a hole between two items, one transition may end the
            // one and start the other; the hole's length then counts as the tracks' error
            bool shared = Option >= 0 && s.option == Option && shareable;
            if (s.position >= Position && !shared)
               continue;
            double cost = s.cost + Cost;
            if (Option >= 0 && s.lastChosen >= 0) {
               double length = Transitions[Option].from - s.lastTo, guided = b.Guide() - Boundaries[s.lastChosen].Guide();
               cost += DurationWeight * std::min(fabs(length - guided), double(Window));
            }
            if (cost < chosen.cost) {
               chosen.cost = cost;
               chosen.back = int(p);
               chosen.lastChosen = Option >= 0 ? int(k) : s.lastChosen;
               chosen.lastTo = Option >= 0 ? Transitions[Option].to : s.lastTo;
            }
        }
        if (chosen.back >= 0)
           now.push_back(chosen);
      };
      for (int s : b.reach)
          best(middle(s), s, b.Distance(Transitions[s]) + (Transitions[s].kind == tkCut ? CutCost : 0));
      if (b.Marked())
         best(b.Guide(), -1, StayCost);
      else {
         for (size_t p = 0; p < prev.size(); p++) {
             tState s = prev[p];
             s.cost += StayCost;
             s.option = -1;
             s.back = int(p);
             now.push_back(s);
         }
      }
  }
  std::vector<int> chosen(Boundaries.size(), -1);
  if (Boundaries.empty() || states.back().empty())
     return chosen;
  const std::vector<tState> &last = states.back();
  int at = int(std::min_element(last.begin(), last.end(), [](const tState &a, const tState &b) { return a.cost < b.cost; }) - last.begin());
  for (int k = int(Boundaries.size()) - 1; k >= 0 && at >= 0; k--) {
      chosen[k] = states[k][at].option;
      at = states[k][at].back;
  }
  return chosen;
}

} // namespace

// Sound shared by two marks (the end of one song, the start of the next) is decoded once.
std::vector<std::pair<int, int>> MarkStretches(const std::vector<tMarkPair> &Pairs, int WindowSeconds, const cFrameRate &Rate)
{
  int window = Rate.Frames(WindowSeconds) + Rate.Frames(ReachSlackSeconds + DecodeSlackSeconds);
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

std::vector<tTransition> TransitionsAround(const std::vector<tMarkPair> &Pairs, cTransitionFinder &Finder, int WindowSeconds, std::function<void(int)> Progress)
{
  std::vector<tTransition> transitions;
  std::vector<std::pair<int, int>> stretches = MarkStretches(Pairs, WindowSeconds, Finder.Rate());
  long long total = 0, done = 0;
  for (const auto &s : stretches)
      total += s.second - s.first + 1;
  for (const auto &s : stretches) {
      if (!Finder.Find(s.first, s.second, transitions))
         LogFile.Log(1, "cannot hear the sound from %s to %s: the marks there stay", *Finder.Rate().Text(std::max(s.first, 0), true),
                     *Finder.Rate().Text(s.second, true));
      done += s.second - s.first + 1;
      if (Progress)
         Progress(int(done * 100 / total));
  }
  std::sort(transitions.begin(), transitions.end(), [](const tTransition &a, const tTransition &b) { return a.from < b.from; });
  static const char *const Kinds[] = { "sound", "black", "cut" };
  for (const tTransition &s : transitions)
      LogFile.Log(3, "transition (%s) from %s to %s", Kinds[s.kind], *Finder.Rate().Text(int(floor(s.from)), true), *Finder.Rate().Text(int(ceil(s.to)), true));
  return transitions;
}

void MoveMarks(std::vector<tMarkPair> &Pairs, cIndexFile &Index, const std::vector<tTransition> &Transitions, int WindowSeconds,
               const cFrameRate &Rate, const std::vector<tGuideItem> &Others)
{
  int window = Rate.Frames(WindowSeconds) + Rate.Frames(ReachSlackSeconds);
  std::vector<tBoundary> boundaries = Boundaries(Pairs, Others, Rate.Frames(1));
  for (tBoundary &b : boundaries)
      for (size_t s = 0; s < Transitions.size(); s++)
          if (b.Distance(Transitions[s]) <= window)
             b.reach.push_back(int(s));
  std::vector<int> chosen = Place(boundaries, Transitions, window);
  struct tMove {
    int mark = -1;
    eWhy why = wNoneInReach;
  };
  std::vector<tMove> starts(Pairs.size()), ends(Pairs.size());
  for (size_t k = 0; k < boundaries.size(); k++) {
      const tBoundary &b = boundaries[k];
      eWhy why = chosen[k] >= 0 ? wMoved : b.reach.empty() ? wNoneInReach : wNoneFits;
      if (b.startOf >= 0)
         starts[b.startOf] = { chosen[k] >= 0 ? MarkAt(Index, Transitions[chosen[k]], true) : -1, why };
      if (b.endOf >= 0)
         ends[b.endOf] = { chosen[k] >= 0 ? MarkAt(Index, Transitions[chosen[k]], false) : -1, why };
  }
  // Neighbours in the order of the recording: a start goes back at most to the previous
  // pair's end, an end on at most to where the next pair starts; where the guide has two
  // pairs overlap already, its own marks are the limit instead.
  std::vector<int> order;
  for (size_t i = 0; i < Pairs.size(); i++)
      order.push_back(int(i));
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Pairs[a].start < Pairs[b].start; });
  int previousEnd = -1;
  for (size_t n = 0; n < order.size(); n++) {
      int i = order[n];
      tMarkPair &p = Pairs[i];
      int guideStart = p.start, guideEnd = p.end;
      p.start = Settle(p, true, guideStart, starts[i].mark, starts[i].why, std::min(previousEnd, guideStart), guideEnd - 1, WindowSeconds, Rate);
      int nextStart = INT_MAX;
      if (n + 1 < order.size()) {
         int next = order[n + 1];
         nextStart = starts[next].why == wMoved && starts[next].mark >= 0 ? starts[next].mark : Pairs[next].start;
      }
      p.end = Settle(p, false, guideEnd, ends[i].mark, ends[i].why, p.start + 1, std::max(guideEnd, nextStart), WindowSeconds, Rate);
      previousEnd = p.end;
  }
}
