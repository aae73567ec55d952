// Keys, confirmations and messages on the host clock.
#include <thread>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/interface.h>
#include <vdr/remote.h>

#include "hostenv.h"

class cHostRemote : public cHostEnv {};

TEST_F(cHostRemote, KeysComeInOrderAndFrontKeysFirst)
{
  cRemote::Put(kUp);
  cRemote::Put(kDown);
  cRemote::Put(kOk, true);
  EXPECT_FALSE(cRemote::Put(kNone));
  EXPECT_EQ(cRemote::Get(), kOk);
  EXPECT_EQ(cRemote::Get(), kUp);
  EXPECT_EQ(cRemote::Get(), kDown);
  EXPECT_FALSE(cRemote::HasKeys());
}

TEST_F(cHostRemote, GetWaitsOnTheHostClock)
{
  uint64_t start = cClock::NowMs();
  EXPECT_EQ(cRemote::Get(0), kNone);
  EXPECT_EQ(cClock::NowMs(), start);
  EXPECT_EQ(cRemote::Get(1500), kNone);
  EXPECT_EQ(cClock::NowMs(), start + 1500);
}

TEST_F(cHostRemote, OnlyOnePluginCallWaits)
{
  EXPECT_TRUE(cRemote::CallPlugin("one"));
  EXPECT_FALSE(cRemote::CallPlugin("two"));
  EXPECT_STREQ(*cRemote::GetPlugin(), "one");
  EXPECT_EQ(*cRemote::GetPlugin(), nullptr);
  EXPECT_TRUE(cRemote::CallPlugin("two"));
}

TEST_F(cHostRemote, ConfirmTakesTheNextKey)
{
  time_t start = cClock::Now();
  cRemote::Put(kOk);
  EXPECT_TRUE(Interface->Confirm("Delete recording?"));
  cRemote::Put(kBack);
  EXPECT_FALSE(Interface->Confirm("Delete recording?"));
  cRemote::Put(eKeys(kOk | k_Repeat));
  EXPECT_FALSE(Interface->Confirm("Delete recording?"));
  EXPECT_EQ(cClock::Now(), start); // answered at once
  EXPECT_EQ(Screen().messages, (std::vector<std::string>(3, "warning: Delete recording?")));
  EXPECT_FALSE(Screen().message); // the question is gone with the answer
  EXPECT_TRUE(HostLogHas("not confirmed"));
}

TEST_F(cHostRemote, ConfirmWithoutKeyIsNoAfterItsTime)
{
  time_t start = cClock::Now();
  EXPECT_FALSE(Interface->Confirm("Remove track?", 10));
  EXPECT_EQ(cClock::Now(), start + 10);
  EXPECT_TRUE(Interface->Confirm("Shut down?", 5, true)); // waiting out the time is yes here
}

TEST_F(cHostRemote, MessageStaysUntilItsTimeOrTheNextKey)
{
  ::Setup.OSDMessageTime = 3;
  EXPECT_EQ(Skins.Message(mtInfo, "Marks created!"), kNone);
  EXPECT_EQ(Screen().messageText, "Marks created!");
  loop->Run(2900);
  EXPECT_TRUE(Screen().message);
  loop->Run(200);
  EXPECT_FALSE(Screen().message);

  Skins.Message(mtError, "Error while accessing recording!", 60);
  Press({ kDown });
  EXPECT_FALSE(Skins.IsMessageShown());
  EXPECT_EQ(Screen().messages.back(), "error: Error while accessing recording!");
}

TEST_F(cHostRemote, MessagesFromOtherThreadsAreShownByTheLoopOneAfterAnother)
{
  std::thread worker([] {
    Skins.QueueMessage(mtInfo, "Vimora audio conversion finished!");
    Skins.Message(mtWarning, "sent as a message");
  });
  worker.join();
  EXPECT_FALSE(Screen().message); // nothing drawn off the main thread
  loop->Step();
  EXPECT_EQ(Screen().messageText, "Vimora audio conversion finished!");
  loop->Step();
  EXPECT_EQ(Screen().messageText, "Vimora audio conversion finished!");
  loop->Run(::Setup.OSDMessageTime * 1000);
  EXPECT_EQ(Screen().messageText, "sent as a message");
  EXPECT_EQ(Screen().messageType, mtWarning);
}

TEST_F(cHostRemote, KeyNames)
{
  EXPECT_STREQ(cKey::ToString(kOk), "Ok");
  EXPECT_STREQ(cKey::ToString(k5), "5");
  EXPECT_EQ(cKey::ToString(eKeys(kOk | k_Repeat)), nullptr);
  EXPECT_EQ(cKey::FromString("red"), kRed);
  EXPECT_EQ(cKey::FromString("Right|Release"), kRight | k_Release);
  EXPECT_EQ(cKey::FromString("Green|Repeat"), 32776);
  EXPECT_EQ(cKey::FromString("Green|Sideways"), kNone);
  EXPECT_EQ(cKey::FromString("Nothing"), kNone);
  EXPECT_EQ(kInfo, 21);
  EXPECT_EQ(kNone, 67);
  EXPECT_EQ(kPrev | k_Repeat, 32799);
  EXPECT_EQ(kFastFwd | k_Release, 16412);
}
