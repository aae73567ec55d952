// The recorder's media without ffmpeg's work: finding the frames in a transport stream,
// the index alone when there is no ffmpeg, and a recording whose encoder fails.
#include <sys/stat.h>
#include <vdr/clock.h>

#include "../../host/src/mediawriter.h"
#include "../../host/src/tsindex.h"
#include "hostfixtures.h"
#include "testenv.h"

namespace {

const int PmtPid = 0x1000, VideoPid = 0x100, AudioPid = 0x101;

typedef std::vector<uint8_t> tBytes;

// One packet; Stuffing bytes of adaptation field push the payload back.
tBytes Packet(int Pid, bool PayloadStart, const tBytes &Payload, int Stuffing = 0)
{
  tBytes p = { 0x47, uint8_t((PayloadStart ? 0x40 : 0) | Pid >> 8), uint8_t(Pid & 0xFF), 0x10 };
  if (Stuffing > 0) {
     p[3] = 0x30;
     p.push_back(uint8_t(Stuffing - 1));
     if (Stuffing > 1) {
        p.push_back(0x00); // no flags
        p.insert(p.end(), Stuffing - 2, 0xFF);
     }
  }
  p.insert(p.end(), Payload.begin(), Payload.end());
  EXPECT_LE(p.size(), size_t(TS_SIZE));
  p.resize(TS_SIZE, 0xFF);
  return p;
}

// A table section after its pointer field; the CRC is not checked.
tBytes Section(uint8_t TableId, const tBytes &Body)
{
  int length = int(Body.size()) + 5 + 4;
  tBytes s = { 0x00, TableId, uint8_t(0xB0 | length >> 8), uint8_t(length & 0xFF), 0x00, 0x01, 0xC1, 0x00, 0x00 };
  s.insert(s.end(), Body.begin(), Body.end());
  s.insert(s.end(), { 0xDE, 0xAD, 0xBE, 0xEF });
  return s;
}

tBytes Pat(void)
{
  // the network entry (program 0) comes first and must not be taken for the program
  return Packet(0, true, Section(0x00, { 0x00, 0x00, 0xE0, 0x10, 0x00, 0x01, uint8_t(0xE0 | PmtPid >> 8), uint8_t(PmtPid & 0xFF) }));
}

tBytes Pmt(uint8_t VideoType = 0x02)
{
  return Packet(PmtPid, true, Section(0x02, { 0xE1, 0x00, 0xF0, 0x02, 0x0A, 0x00, // PCR PID, 2 bytes of program info
                                              0x03, uint8_t(0xE0 | AudioPid >> 8), uint8_t(AudioPid & 0xFF), 0xF0, 0x00,
                                              VideoType, uint8_t(0xE0 | VideoPid >> 8), uint8_t(VideoPid & 0xFF), 0xF0, 0x00 }));
}

// The PES packet of a picture of Type (1 I, 2 P), with Lead bytes of other headers before
// its picture header and Size bytes in all.
tBytes PicturePes(int Type, int Lead, int Size)
{
  tBytes pes = { 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01 };
  for (int i = 0; i < Lead; i++)
      pes.push_back(i % 4 == 3 ? 0xB3 : 0x11);
  pes.insert(pes.end(), { 0x00, 0x00, 0x01, 0x00, 0x00, uint8_t(Type << 3), 0xFF, 0xF8 });
  pes.resize(Size, 0x55);
  return pes;
}

// The PES packet in packets of the PID, each after Stuffing bytes.
std::vector<tBytes> Packets(int Pid, const tBytes &Pes, int Stuffing = 0)
{
  std::vector<tBytes> packets;
  for (size_t i = 0; i < Pes.size();) {
      size_t n = std::min(Pes.size() - i, size_t(TS_SIZE - 4 - Stuffing));
      packets.push_back(Packet(Pid, i == 0, tBytes(Pes.begin() + i, Pes.begin() + i + n), Stuffing));
      i += n;
  }
  return packets;
}

struct tStream {
  tBytes bytes;
  std::vector<cTsFrameIndex::tFrame> frames; // what the index must find
  off_t pat = -1; // the last since the picture before: where the next one begins
  void Add(const tBytes &Packet)
  {
    if (Packet[1] == 0x40 && Packet[2] == 0x00)
       pat = bytes.size();
    bytes.insert(bytes.end(), Packet.begin(), Packet.end());
  }
  void Add(const std::vector<tBytes> &Packets)
  {
    for (const auto &p : Packets)
        Add(p);
  }
  void Picture(int Type, const std::vector<tBytes> &Packets)
  {
    frames.push_back({ pat >= 0 ? pat : off_t(bytes.size()), Type == 1 });
    Add(Packets);
    pat = -1;
  }
};

tStream SampleStream(void)
{
  tStream s;
  s.Add(Packets(VideoPid, PicturePes(1, 20, 400))); // before the tables say which PID is video
  s.Add(Pat());
  s.Add(Packet(0x1FFF, false, {}));
  s.Add(Pmt());
  s.Picture(1, Packets(VideoPid, PicturePes(1, 30, 900)));
  // audio that looks like a picture header must not count
  s.Add(Packets(AudioPid, { 0x00, 0x00, 0x01, 0xC0, 0x00, 0x10, 0x80, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x08, 0x00 }));
  s.Picture(2, Packets(VideoPid, PicturePes(2, 0, 150)));
  // the picture header across two packets, the second starting after stuffing
  tBytes split = PicturePes(2, 184 - 14 - 2, 300);
  s.Picture(2, { Packet(VideoPid, true, tBytes(split.begin(), split.begin() + 184)),
                 Packet(VideoPid, false, tBytes(split.begin() + 184, split.end()), 20) });
  s.Add(Packets(VideoPid, { 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x01, 0xB7 })); // no picture
  s.Picture(1, Packets(VideoPid, PicturePes(1, 40, 700), 7));
  return s;
}

void ExpectFrames(const std::vector<cTsFrameIndex::tFrame> &Found, const std::vector<cTsFrameIndex::tFrame> &Expected)
{
  ASSERT_EQ(Found.size(), Expected.size());
  for (size_t i = 0; i < Found.size(); i++) {
      EXPECT_EQ(Found[i].offset, Expected[i].offset) << "frame " << i;
      EXPECT_EQ(Found[i].independent, Expected[i].independent) << "frame " << i;
  }
}

} // namespace

TEST(cTsFrameIndex, FindsEachPictureWhereItsPesPacketBeginsInPiecesOfAnySize)
{
  tStream stream = SampleStream();
  for (size_t piece : { size_t(1), size_t(7), size_t(TS_SIZE), size_t(500), stream.bytes.size() }) {
      SCOPED_TRACE(piece);
      cTsFrameIndex index;
      std::vector<cTsFrameIndex::tFrame> found;
      for (size_t i = 0; i < stream.bytes.size(); i += piece) {
          ASSERT_TRUE(index.Put(&stream.bytes[i], std::min(piece, stream.bytes.size() - i)));
          index.Take(found);
      }
      ExpectFrames(found, stream.frames);
      EXPECT_EQ(index.Position(), off_t(stream.bytes.size()));
  }
}

// An access unit's PES packet: the NAL units after their start codes, Lead bytes of
// parameter sets before the slices.
tBytes AccessUnitPes(const std::vector<tBytes> &Units)
{
  tBytes pes = { 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01 };
  for (const tBytes &u : Units) {
      pes.insert(pes.end(), { 0x00, 0x00, 0x00, 0x01 });
      pes.insert(pes.end(), u.begin(), u.end());
  }
  return pes;
}

// An SEI unit of Size bytes (Header: 0x06 in H.264, 0x4E in H.265).
tBytes Sei(uint8_t Header, size_t Size)
{
  tBytes f(Size, 0x5A);
  f[0] = Header;
  f[1] = 0x01;
  return f;
}

TEST(cTsFrameIndex, FindsTheAccessUnitsOfH264AndH265AndWhichOfThemAreIndependent)
{
  // H.264: slice headers after the unit's byte: first_mb_in_slice 0 ('1'), slice_type
  // 7 (I), 5 (P), 6 (B) as Exp-Golomb numbers
  const tBytes Aud = { 0x09, 0xF0 }, Sps = { 0x67, 0x64, 0x00, 0x1F };
  const tBytes IdrI = { 0x65, 0x88 }, OpenI = { 0x41, 0x88 }, P = { 0x41, 0x98 }, B = { 0x01, 0x9C };
  const tBytes SecondSlice = { 0x41, 0x30, 0x80 }; // first_mb_in_slice 5: the same picture
  tStream h264;
  h264.Add(Pat());
  h264.Add(Pmt(0x1B));
  h264.Picture(1, Packets(VideoPid, AccessUnitPes({ Aud, Sps, Sei(0x06, 300), IdrI, SecondSlice }))); // the slice in a later packet
  h264.Picture(2, Packets(VideoPid, AccessUnitPes({ Aud, P })));
  h264.Picture(2, Packets(VideoPid, AccessUnitPes({ Aud, B, SecondSlice })));
  h264.Add(Pat());
  h264.Add(Pmt(0x1B));
  h264.Picture(1, Packets(VideoPid, AccessUnitPes({ Aud, Sps, OpenI })));
  h264.Picture(2, Packets(VideoPid, AccessUnitPes({ B }))); // no delimiter: the first slice begins it
  // H.265: the unit type in the first of two bytes, first_slice_segment_in_pic_flag after
  const tBytes Aud5 = { 0x46, 0x01, 0x50 }, Idr5 = { 0x26, 0x01, 0xAF }, Cra = { 0x2A, 0x01, 0xAF }, Trail = { 0x02, 0x01, 0xD0 };
  const tBytes Later5 = { 0x02, 0x01, 0x40 };
  tStream h265;
  h265.Add(Pat());
  h265.Add(Pmt(0x24));
  h265.Picture(1, Packets(VideoPid, AccessUnitPes({ Aud5, Sei(0x4E, 200), Idr5 })));
  h265.Picture(2, Packets(VideoPid, AccessUnitPes({ Aud5, Trail, Later5 })));
  h265.Picture(1, Packets(VideoPid, AccessUnitPes({ Aud5, Cra })));
  h265.Picture(2, Packets(VideoPid, AccessUnitPes({ Trail })));
  // the recorder's tables before an I-frame's picture, past its parameter sets: it begins there
  std::vector<tBytes> packets = Packets(VideoPid, AccessUnitPes({ Aud5, Sei(0x4E, 400), Cra }));
  h265.Add(std::vector<tBytes>(packets.begin(), packets.end() - 1));
  h265.Picture(1, { Pat(), Pmt(0x24), packets.back() });
  h265.Picture(2, Packets(VideoPid, AccessUnitPes({ Aud5, Trail })));
  // a recording of the recorder's begins inside the PES packet of its first frame
  tStream cut;
  cut.Add(Pat());
  cut.Add(Pmt(0x24));
  tBytes rest = AccessUnitPes({ Cra });
  cut.Picture(1, { Packet(VideoPid, false, tBytes(rest.begin() + 14, rest.end())) });
  cut.Picture(2, Packets(VideoPid, AccessUnitPes({ Aud5, Trail })));
  for (const tStream *stream : { &h264, &h265, &cut }) {
      for (size_t piece : { size_t(1), size_t(TS_SIZE), stream->bytes.size() }) {
          SCOPED_TRACE(piece);
          cTsFrameIndex index;
          std::vector<cTsFrameIndex::tFrame> found;
          off_t settled = 0;
          for (size_t i = 0; i < stream->bytes.size(); i += piece) {
              size_t before = found.size();
              ASSERT_TRUE(index.Put(&stream->bytes[i], std::min(piece, stream->bytes.size() - i)));
              index.Take(found);
              // a media file may be begun at a frame found later, never before what was settled
              for (size_t f = before; f < found.size(); f++)
                  EXPECT_GE(found[f].offset, settled) << "frame " << f;
              settled = index.Settled();
          }
          ExpectFrames(found, stream->frames);
      }
  }
}

TEST(cTsFrameIndex, LostSyncStopsTheIndex)
{
  tStream stream = SampleStream();
  cTsFrameIndex index;
  ASSERT_TRUE(index.Put(stream.bytes.data(), 5 * TS_SIZE));
  tBytes bad = Packet(VideoPid, true, PicturePes(1, 0, 100));
  bad[0] = 0x48;
  EXPECT_FALSE(index.Put(bad.data(), bad.size()));
  EXPECT_FALSE(index.Put(stream.bytes.data(), TS_SIZE));
}

class cHostMedia : public cTestEnv {
protected:
  cChannel *music = NULL;
  std::string bin;

  void SetUp(void) override
  {
    cTestEnv::SetUp();
    music = AddTestChannel();
    AddTestEvent(MusicChannelID, TestEpoch, 3600, "Artist - Song (1999)");
    bin = root + "/bin";
    ASSERT_TRUE(MakeDirs(bin.c_str(), true));
    setenv("PATH", bin.c_str(), 1);
    SetMediaWriterFactory(NULL);
  }

  // Records the timer to its end and gives the recording's file name.
  std::string Record(time_t Start, int Seconds, const char *Name)
  {
    cTimer *timer = AddTestTimer(music, Start, Start + Seconds, Name);
    std::string fileName = cRecording(timer, Start).FileName();
    if (!cRecorder::Running()) {
       EXPECT_TRUE(cRecorder::Start());
    }
    cClock::Step(uint64_t(Start + Seconds + 1 - cClock::Now()) * 1000);
    EXPECT_FALSE(timer->Recording());
    return fileName;
  }

  int HostLogCount(const std::string &Text) const
  {
    int n = 0;
    for (const auto &l : hostLog)
        n += l.find(Text) != std::string::npos;
    return n;
  }
};

TEST_F(cHostMedia, WithoutFfmpegTheIndexIsWrittenAloneAndThatIsSaidOnce)
{
  std::string first = Record(TestEpoch, 60, "First");
  std::string second = Record(TestEpoch + 120, 60, "Second");
  for (const std::string &r : { first, second }) {
      EXPECT_EQ(cIndexFile(r.c_str(), false).Last() + 1, 60 * 25);
      EXPECT_FALSE(FileExists(r + "/00001.ts"));
  }
  EXPECT_EQ(HostLogCount("no ffmpeg in PATH: recordings get their index but no media"), 1);
}

TEST_F(cHostMedia, BrokenFfmpegEndsTheRecordingWithItsMessage)
{
  std::string fake = bin + "/ffmpeg";
  ASSERT_TRUE(WriteFile(fake, "#!/bin/sh\necho 'fake ffmpeg: cannot encode' >&2\nexit 1\n"));
  ASSERT_EQ(chmod(fake.c_str(), 0755), 0);
  std::string r = Record(TestEpoch, 60, "Broken");
  EXPECT_TRUE(HostLogHas("ERROR: media of " + r + ": ffmpeg ended early - ffmpeg: fake ffmpeg: cannot encode"));
  EXPECT_TRUE(HostLogHas("ERROR: cannot write frame 0 of " + r + " - recording ends"));
  EXPECT_TRUE(HostLogHas("recordings show no titles"));
  EXPECT_FALSE(HostLogHas("no ffmpeg in PATH"));
  EXPECT_EQ(cIndexFile(r.c_str(), false).Last(), -1);
}
