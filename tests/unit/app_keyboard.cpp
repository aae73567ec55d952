// The terminal as a remote control: what a terminal sends for a key becomes a remote key
// or a command of vimora-host, also when a sequence arrives in pieces.
#include <gtest/gtest.h>

#include "interactive.h"
#include "keyboard.h"

namespace {

tTerminalKey K(eKeys Key)
{
  return { tcKey, Key };
}

tTerminalKey C(eTerminalCommand Command)
{
  return { Command, kNone };
}

std::vector<tTerminalKey> Decode(const std::string &Bytes)
{
  cKeyDecoder d;
  std::vector<tTerminalKey> keys = d.Put(Bytes);
  std::vector<tTerminalKey> rest = d.Flush();
  keys.insert(keys.end(), rest.begin(), rest.end());
  return keys;
}

} // namespace

TEST(TerminalKeys, PlainKeysAndCommands)
{
  std::vector<tTerminalKey> expected = {
    K(kOk), K(kOk), K(kBack), K(kBack), K(kRed), K(kGreen), K(kYellow), K(kBlue), K(k0), K(k7), K(k9),
    K(kMenu), K(kInfo), K(kPause), K(kFastRew), K(kFastFwd), K(kStop),
    C(tcFaster), C(tcSlower), C(tcQuit), C(tcQuit), C(tcHelp), C(tcRedraw),
  };
  EXPECT_EQ(Decode(std::string("\r\n\x7f\x08rgyb079mi <>s+-q\x03?\x0c")), expected);
  // keys without a meaning are dropped
  EXPECT_TRUE(Decode("xz!\t").empty());
}

TEST(TerminalKeys, EscapeSequencesOfTheCommonTerminals)
{
  std::vector<tTerminalKey> arrows = { K(kUp), K(kDown), K(kRight), K(kLeft) };
  EXPECT_EQ(Decode("\x1b[A\x1b[B\x1b[C\x1b[D"), arrows);
  EXPECT_EQ(Decode("\x1bOA\x1bOB\x1bOC\x1bOD"), arrows);
  std::vector<tTerminalKey> colours = { K(kRed), K(kGreen), K(kYellow), K(kBlue) };
  EXPECT_EQ(Decode("\x1bOP\x1bOQ\x1bOR\x1bOS"), colours);
  EXPECT_EQ(Decode("\x1b[11~\x1b[12~\x1b[13~\x1b[14~"), colours);
  EXPECT_EQ(Decode("\x1b[[A\x1b[[B\x1b[[C\x1b[[D"), colours);
  // sequences of other keys (Page Up, Shift+Up) mean nothing, and take nothing with them
  std::vector<tTerminalKey> ok = { K(kOk) };
  EXPECT_EQ(Decode("\x1b[5~\x1b[1;2A\r"), ok);
}

TEST(TerminalKeys, EscIsBackOnlyWhenNothingFollows)
{
  cKeyDecoder d;
  EXPECT_TRUE(d.Put("\x1b").empty());
  EXPECT_TRUE(d.Pending());
  std::vector<tTerminalKey> back = { K(kBack) };
  EXPECT_EQ(d.Flush(), back);
  EXPECT_FALSE(d.Pending());
  // ESC before an ordinary key: Esc, then the key
  std::vector<tTerminalKey> backMenu = { K(kBack), K(kMenu) };
  EXPECT_EQ(Decode("\x1bm"), backMenu);
}

TEST(TerminalKeys, ASequenceMayArriveInPieces)
{
  cKeyDecoder d;
  EXPECT_TRUE(d.Put("\x1b").empty());
  EXPECT_TRUE(d.Put("[1").empty());
  std::vector<tTerminalKey> red = { K(kRed) };
  EXPECT_EQ(d.Put("1~"), red);
  std::vector<tTerminalKey> upOk = { K(kUp), K(kOk) };
  EXPECT_TRUE(d.Put("\x1bO").empty());
  EXPECT_EQ(d.Put("A\r"), upOk);
  // a sequence cut off for good is dropped at the pause
  EXPECT_TRUE(d.Put("\x1b[1").empty());
  EXPECT_TRUE(d.Flush().empty());
  EXPECT_FALSE(d.Pending());
}

TEST(TerminalKeys, SpeedKeysStepThroughTheSpeedsUpToMax)
{
  EXPECT_EQ(NextSpeed(1, true), 2);
  EXPECT_EQ(NextSpeed(2, false), 1);
  EXPECT_EQ(NextSpeed(1, false), 1);
  EXPECT_EQ(NextSpeed(1200, true), 0);
  EXPECT_EQ(NextSpeed(0, true), 0);
  EXPECT_EQ(NextSpeed(0, false), 1200);
  // a speed given on the command line between two steps
  EXPECT_EQ(NextSpeed(45, true), 60);
  EXPECT_EQ(NextSpeed(45, false), 30);
}
