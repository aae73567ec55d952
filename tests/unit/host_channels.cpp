// Channel ids, channels.conf and channel lookups.
#include <vdr/channels.h>

#include "hostfixtures.h"
#include "testenv.h"

class cHostChannels : public cTestEnv {};

TEST_F(cHostChannels, ChannelIdRoundTripAndMalformedTexts)
{
  tChannelID id = tChannelID::FromString("S19.2E-1-1092-10100");
  ASSERT_TRUE(id.Valid());
  EXPECT_EQ(id.Nid(), 1);
  EXPECT_EQ(id.Tid(), 1092);
  EXPECT_EQ(id.Sid(), 10100);
  EXPECT_STREQ(*id.ToString(), "S19.2E-1-1092-10100");
  EXPECT_STREQ(*tChannelID::FromString("S30.0W-1-2-3-4").ToString(), "S30.0W-1-2-3-4");
  EXPECT_STREQ(*tChannelID::FromString("S13E-1-2-3").ToString(), "S13.0E-1-2-3");
  EXPECT_STREQ(*tChannelID::FromString("C-1-2-3").ToString(), "C-1-2-3");
  EXPECT_NE(tChannelID::FromString("S19.2E-1-1092-10100"), tChannelID::FromString("S19.2W-1-1092-10100"));
  for (const char *bad : { "", "S19.2E", "S19.2E-1-1092", "S19.2E-1-1092-10100-1-2", "X19.2E-1-2-3", "S19.2-1-2-3",
                           "S19.2E-1-1092-10100x", "S19.2E-1--10100", "S19.2E-a-1092-10100", "S19.2E-1-1092--5", "S999.0E-1-2-3" }) {
      tChannelID id = tChannelID::FromString(bad);
      EXPECT_FALSE(id.Valid()) << bad;
      EXPECT_EQ(id, tChannelID::InvalidID) << bad;
  }
}

TEST_F(cHostChannels, LoadReportsBadLinesAndNumbersChannels)
{
  std::string path = configDir + "/channels.conf";
  WriteFile(path, ":Music\n"
                  "VimoraMusic;Vimora:12148:h:S19.2E:27500:101:102:0:0:10100:1:1092:0\n"
                  "Broken:12148:h:S19.2E:27500\n"
                  "Other,Oth;Prov:11954:v:S19.2E:27500:0:0:0:0:28006:1:1089:0\n"
                  "BadSource:11954:v:Q:27500:0:0:0:0:1:1:1:0\n");
  ASSERT_TRUE(Channels.Load(path.c_str()));
  ASSERT_EQ(Channels.Count(), 3);
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 3"));
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 5"));
  cChannel *music = Channels.GetByNumber(1);
  ASSERT_NE(music, nullptr);
  EXPECT_STREQ(music->Name(), "VimoraMusic");
  EXPECT_STREQ(Channels.GetByNumber(2)->Name(), "Other");
  EXPECT_STREQ(*music->GetChannelID().ToString(), MusicChannelID);
  EXPECT_EQ(Channels.GetByNumber(2)->Sid(), 28006);
  EXPECT_TRUE(Channels.First()->GroupSep());
  // what is written is read back the same
  ASSERT_TRUE(Channels.Save());
  cChannels again;
  ASSERT_TRUE(again.Load(path.c_str()));
  EXPECT_EQ(ReadFile(path), ":Music\nVimoraMusic;Vimora:12148:h:S19.2E:27500:101:102:0:0:10100:1:1092:0\n"
                            "Other,Oth;Prov:11954:v:S19.2E:27500:0:0:0:0:28006:1:1089:0\n");
  EXPECT_EQ(again.Count(), 3);
}

TEST_F(cHostChannels, GetByChannelIdFallbacks)
{
  cChannel *music = AddTestChannel();
  cChannel *radio = AddTestChannel("S19.2E-1-1092-10200-7", "Radio");
  // a channel whose transport stream is named by its frequency and polarization
  cChannel *bare = new cChannel;
  ASSERT_TRUE(bare->Parse("Bare:11000:V:S19.2E:27500:0:0:0:0:300:0:0:0"));
  Channels.Add(bare);
  EXPECT_STREQ(*bare->GetChannelID().ToString(), "S19.2E-0-211000-300");

  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString(MusicChannelID)), music);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-1-1092-10200")), nullptr);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-1-1092-10200"), true), radio);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-1-1092-10100-3"), true), music);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-0-111000-300")), nullptr);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-0-111000-300"), false, true), bare);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-0-11000-300-1"), false, true), nullptr);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::FromString("S19.2E-0-11000-300-1"), true, true), bare);
  EXPECT_EQ(Channels.GetByChannelID(tChannelID::InvalidID, true, true), nullptr);
}

TEST_F(cHostChannels, StreamFieldsGiveThePidsTypesAndLanguages)
{
  cChannel c;
  ASSERT_TRUE(c.Parse("Das Erste HD;ARD:11494:HC23M5O35P0S1:S19.2E:22000:5101+5102=27:5102=deu@3,5103=mis+eng@4;5106=deu@106,5107=@122:5104:0:10301:1:1019:0"));
  EXPECT_EQ(c.Vpid(), 5101);
  EXPECT_EQ(c.Ppid(), 5102);
  EXPECT_EQ(c.Vtype(), 27);
  EXPECT_EQ(c.Apid(1), 5103);
  EXPECT_STREQ(c.Alang(1), "mis+eng");
  EXPECT_EQ(c.Atype(1), 4);
  EXPECT_EQ(c.Apid(2), 0); // the lists end with 0
  EXPECT_EQ(c.Dpid(0), 5106);
  EXPECT_EQ(c.Dtype(0), 106);
  EXPECT_STREQ(c.Dlang(1), "");
  EXPECT_EQ(c.Dtype(1), 122);
  EXPECT_EQ(c.Dpid(2), 0);
  // the entry is written back as it was found
  EXPECT_STREQ(*c.ToText(), "Das Erste HD;ARD:11494:HC23M5O35P0S1:S19.2E:22000:5101+5102=27:5102=deu@3,5103=mis+eng@4;5106=deu@106,5107=@122:5104:0:10301:1:1019:0");
  ASSERT_TRUE(c.Parse("Radio:12188:h:S19.2E:27500:0:0:0:0:28006:1:1101:0"));
  EXPECT_EQ(c.Vpid(), 0);
  EXPECT_EQ(c.Apid(0), 0);
  for (const char *bad : { "X:1:h:S19.2E:1:x:0:0:0:1:1:1:0", "X:1:h:S19.2E:1:101=a:0:0:0:1:1:1:0", "X:1:h:S19.2E:1:101:102@x:0:0:0:1:1:1:0",
                           "X:1:h:S19.2E:1:101:102=toolonglanguage:0:0:0:1:1:1:0", "X:1:h:S19.2E:1:101:0;-5:0:0:1:1:1:0" })
      EXPECT_FALSE(c.Parse(bad)) << bad;
}
