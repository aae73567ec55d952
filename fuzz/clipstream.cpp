// A clip's transport stream of any content: the PES starts read from its packets and the
// packets kept when pictures are left out. What is kept is whole packets of the input, in
// order, changed at most in their continuity counter.
#include <string.h>
#include <vector>

#include "clipstream.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  if (Size < 2)
     return 0;
  // the first two bytes: which packets lie in the spans left out
  int spanStart = Data[0] % 16, spanLength = Data[1] % 16;
  Data += 2;
  Size -= 2;
  size_t packets = Size / TsPacketSize;
  int videoPid = -1;
  for (size_t i = 0; i < packets; i++) {
      tPesStart start;
      if (PesStartOf(Data + i * TsPacketSize, start)) {
         FUZZ_CHECK(start.pid >= 0 && start.pid <= 0x1FFF && start.pts >= 0 && start.pts < (int64_t(1) << 33), std::to_string(i));
         FUZZ_CHECK(!ShownBefore(start.pts, start.pts), std::to_string(start.pts));
         if (start.video && videoPid < 0)
            videoPid = start.pid;
      }
  }
  std::vector<uint8_t> data(Data, Data + packets * TsPacketSize);
  std::vector<tTsSpan> leading = { { 1, off_t(spanStart * TsPacketSize), off_t((spanStart + spanLength) * TsPacketSize) } };
  cClipStream stream(videoPid, leading);
  size_t kept = stream.Filter(1, 0, data.data(), data.size());
  FUZZ_CHECK(kept <= data.size() && kept % TsPacketSize == 0, std::to_string(kept));
  // every packet kept is one of the input, later than the one kept before it
  size_t from = 0;
  for (size_t k = 0; k < kept; k += TsPacketSize) {
      const uint8_t *p = data.data() + k;
      bool found = false;
      for (; from < packets && !found; from++) {
          const uint8_t *q = Data + from * TsPacketSize;
          found = memcmp(p, q, 3) == 0 && (p[3] & 0xF0) == (q[3] & 0xF0) && memcmp(p + 4, q + 4, TsPacketSize - 4) == 0;
      }
      FUZZ_CHECK(found, std::to_string(k));
  }
  return 0;
}
