#include "picture_change.h"

#include <algorithm>
#include <math.h>

namespace {

// How many pictures on either side a jump is measured against: a few seconds.
const int AroundPictures = 4;

double Difference(const tPictureGrid &a, const tPictureGrid &b)
{
  if (a.size() != b.size() || a.empty())
     return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); i++)
      sum += fabs(a[i] - b[i]);
  // the three components of a cell together: a change of colour at the same brightness counts
  return sum * 3 / a.size();
}

bool IsBlack(const tPictureGrid &Grid)
{
  for (size_t i = 0; i < Grid.size(); i += 3)
      if (Grid[i] > BlackLuma)
         return false;
  return !Grid.empty();
}

} // namespace

void cPictureChanges::Picture(double Time, const tPictureGrid &Grid)
{
  pictures.push_back({ Time, Grid, IsBlack(Grid) });
}

std::vector<tTransition> cPictureChanges::Take(void)
{
  std::vector<tTransition> changes;
  size_t n = pictures.size();
  // black: from the picture before it to the one after; black at either end of what was
  // seen has no song on one side that is known
  for (size_t i = 1; i + 1 < n; i++) {
      if (!pictures[i].black || pictures[i - 1].black)
         continue;
      size_t j = i;
      while (j + 1 < n && pictures[j + 1].black)
        j++;
      if (j + 1 < n)
         changes.push_back({ pictures[i - 1].time, pictures[j + 1].time, tkBlack });
      i = j;
  }
  // jumps[i]: between picture i - 1 and i; a jump into or out of black is the black's
  std::vector<double> jumps(n, 0);
  for (size_t i = 1; i < n; i++)
      if (!pictures[i].black && !pictures[i - 1].black)
         jumps[i] = Difference(pictures[i - 1].grid, pictures[i].grid);
  for (size_t i = 1; i < n; i++) {
      if (jumps[i] < HardCutLevels)
         continue;
      std::vector<double> around;
      for (size_t k = i > size_t(AroundPictures) ? i - AroundPictures : 1; k < std::min(n, i + AroundPictures + 1); k++)
          if (k != i)
             around.push_back(jumps[k]);
      double usual = 0;
      if (!around.empty()) {
         std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
         usual = around[around.size() / 2];
      }
      if (jumps[i] >= HardCutFactor * usual)
         changes.push_back({ pictures[i - 1].time, pictures[i].time, tkCut });
  }
  std::sort(changes.begin(), changes.end(), [](const tTransition &a, const tTransition &b) { return a.from < b.from; });
  pictures.clear();
  return changes;
}
