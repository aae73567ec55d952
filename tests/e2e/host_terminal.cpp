// vimora-host on a terminal, run inside tmux: keys are typed with send-keys and the
// screen is read with capture-pane. What the terminal shows comes with the delay of a
// real terminal, so each look waits (up to a generous limit) until the text is there.
#include <chrono>
#include <thread>

#include "hostprogram.h"

namespace {

const auto ScreenLimit = std::chrono::seconds(30);
const auto PollInterval = std::chrono::milliseconds(50);

} // namespace

class cHostTerminal : public cHostProgram {
protected:
  std::string socket;

  void SetUp(void) override
  {
    cHostProgram::SetUp();
    if (RunProcess({ "/bin/sh", "-c", "command -v tmux" }).exitCode != 0)
       GTEST_SKIP() << "tmux is not installed (scripts/install-deps installs it)";
    socket = root + "/tmux.socket";
  }

  void TearDown(void) override
  {
    if (!socket.empty())
       Tmux({ "kill-server" });
    cHostProgram::TearDown();
  }

  tProcessResult Tmux(std::vector<std::string> Args)
  {
    Args.insert(Args.begin(), { "/usr/bin/env", "tmux", "-S", socket });
    return RunProcess(Args);
  }

  // Starts vimora-host with the vimora plug-in in a terminal of Columns x Rows.
  bool Start(int Columns, int Rows)
  {
    std::string command = std::string(VIMORA_BIN_DIR "/vimora-host") + " -c '" + configDir + "' -v '" + videoDir +
                          "' -L '" VIMORA_PLUGIN_DIR "' -P vimora";
    return Tmux({ "new-session", "-d", "-x", std::to_string(Columns), "-y", std::to_string(Rows), command }).exitCode == 0;
  }

  std::string Screen(void)
  {
    return Tmux({ "capture-pane", "-p" }).out;
  }

  // Waits until Text is on the screen; the screen as it was last seen.
  bool WaitFor(const std::string &Text, std::string &Seen)
  {
    for (auto end = std::chrono::steady_clock::now() + ScreenLimit; std::chrono::steady_clock::now() < end; ) {
        Seen = Screen();
        if (Seen.find(Text) != std::string::npos)
           return true;
        std::this_thread::sleep_for(PollInterval);
    }
    return false;
  }

  bool Keys(std::vector<std::string> Keys)
  {
    Keys.insert(Keys.begin(), { "send-keys", "-t", "0" });
    return Tmux(Keys).exitCode == 0;
  }
};

TEST_F(cHostTerminal, TheMainMenuOpensTheVimoraRecordings)
{
  ASSERT_TRUE(Start(100, 30));
  std::string seen;
  ASSERT_TRUE(WaitFor("> 1 Vimora", seen)) << seen;
  EXPECT_NE(seen.find("vimora-host"), std::string::npos) << "no status line:\n" << seen;
  EXPECT_NE(seen.find("q=quit"), std::string::npos) << "no key help:\n" << seen;
  ASSERT_TRUE(Keys({ "Enter" }));
  EXPECT_TRUE(WaitFor("Vimora Recordings", seen)) << seen;
  // Backspace goes back to the main menu
  ASSERT_TRUE(Keys({ "BSpace", "Down" }));
  EXPECT_TRUE(WaitFor("> 2 Setup", seen)) << seen;
}

TEST_F(cHostTerminal, ATooSmallTerminalSaysSoAndAResizeRedraws)
{
  ASSERT_TRUE(Start(100, 30));
  std::string seen;
  ASSERT_TRUE(WaitFor("> 1 Vimora", seen)) << seen;
  ASSERT_EQ(Tmux({ "resize-window", "-x", "40", "-y", "10" }).exitCode, 0);
  EXPECT_TRUE(WaitFor("Terminal too small", seen)) << seen;
  EXPECT_EQ(seen.find("Vimora"), std::string::npos) << seen;
  ASSERT_EQ(Tmux({ "resize-window", "-x", "90", "-y", "25" }).exitCode, 0);
  EXPECT_TRUE(WaitFor("> 1 Vimora", seen)) << seen;
  EXPECT_EQ(seen.find("too small"), std::string::npos) << seen;
  // the speed keys change the clock shown in the status line
  ASSERT_TRUE(Keys({ "+", "+" }));
  EXPECT_TRUE(WaitFor(" x5 ", seen)) << seen;
  ASSERT_TRUE(Keys({ "q" }));
  for (auto end = std::chrono::steady_clock::now() + ScreenLimit; std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(PollInterval))
      if (Tmux({ "has-session" }).exitCode != 0)
         return;
  ADD_FAILURE() << "vimora-host did not quit on q";
}
