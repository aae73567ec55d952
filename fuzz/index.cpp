// A recording's "index" of any content: the frames it holds, the I-frame searches
// from anywhere, and a recorder that goes on appending to it.
#include <vdr/recording.h>

#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  FuzzFile("index", Data, Size);
  const char *dir = FuzzDir().c_str();
  int frames = int(Size / 8);
  {
    cIndexFile index(dir, false);
    FUZZ_CHECK(index.Last() == frames - 1, std::to_string(Size));
    for (int i : { -1, 0, frames / 2, frames - 1, frames, frames + 100 }) {
        uint16_t number;
        off_t offset;
        bool independent;
        int length;
        bool found = index.Get(i, &number, &offset, &independent, &length);
        FUZZ_CHECK(found == (i >= 0 && i < frames), std::to_string(i));
        FUZZ_CHECK(!found || (offset >= 0 && length >= -1), std::to_string(i));
        for (bool forward : { true, false }) {
            int next = index.GetNextIFrame(i, forward, &number, &offset, &length, true);
            FUZZ_CHECK(next == -1 || (next >= 0 && next < frames && (forward ? next > i : next < i)), std::to_string(next));
        }
    }
  }
  cIndexFile record(dir, true);
  FUZZ_CHECK(record.Write(true, 1, 4711), "append");
  FUZZ_CHECK(record.Last() == frames, std::to_string(frames));
  return 0;
}
