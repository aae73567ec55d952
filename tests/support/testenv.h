// Test fixtures: a private config and video folder per test (the video folder is the
// host's video directory), the host log captured, the host clock standing still until
// the test moves it, and a recorder that writes the index alone (no media). After each
// test no lock may have been taken out of the recorder's order, the recorder is
// stopped, and the host's channels, guide, timers and recordings
// are emptied.
#ifndef __VIMORA_TESTENV_H
#define __VIMORA_TESTENV_H

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <time.h>
#include <vector>

// 2026-12-07 20:00:00 UTC, the default start of a test's virtual time.
const time_t TestEpoch = 1796673600;

class cTestEnv : public ::testing::Test {
protected:
  std::string root, configDir, videoDir;
  std::vector<std::string> hostLog; // "E text", "I text", "D text"
  int invalidSequences;         // locks taken out of order before the test
  int expectedInvalidSequences; // those the test takes on purpose
  void SetUp(void) override;
  void TearDown(void) override;

public:
  // Whether some captured host log line contains Text.
  bool HostLogHas(const std::string &Text) const;
  std::string PluginConfigDir(const char *Plugin = "vimora") const;
};

std::string ReadFile(const std::string &Path);
bool WriteFile(const std::string &Path, const std::string &Content);
bool FileExists(const std::string &Path);
std::vector<std::string> Lines(const std::string &Text);
// The local time of that day (Month from 1) at that hour, as the recorder names recordings.
time_t LocalTime(int Year, int Month, int Day, int Hour, int Minute = 0);
// Asks Condition every 50 ms until it holds or TimeoutS seconds passed; its last answer.
bool WaitUntil(const std::function<bool(void)> &Condition, double TimeoutS);

#endif
