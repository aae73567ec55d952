#include "testenv.h"

#include "../../host/src/mediawriter.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/thread.h>
#include <vdr/channels.h>
#include <vdr/epg.h>
#include <vdr/i18n.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/timers.h>
#include <vdr/tools.h>

static std::mutex logMutex;

static void CaptureLog(int Priority, const char *Text, void *Context)
{
  std::lock_guard<std::mutex> lk(logMutex);
  char level = Priority == LOG_ERR ? 'E' : Priority == LOG_INFO ? 'I' : 'D';
  static_cast<std::vector<std::string> *>(Context)->push_back(std::string(1, level) + " " + Text);
}

void cTestEnv::SetUp(void)
{
  setenv("TZ", "UTC", 1); // times in expectations are written in UTC
  tzset();
  char tmpl[] = "/tmp/vimora-test-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  root = tmpl;
  invalidSequences = cStateLock::InvalidSequences();
  expectedInvalidSequences = 0;
  configDir = root + "/config";
  videoDir = root + "/video";
  ASSERT_TRUE(MakeDirs(configDir.c_str(), true));
  ASSERT_TRUE(MakeDirs(videoDir.c_str(), true));
  cPlugin::SetConfigDirectory(configDir.c_str());
  I18nInitialize(VIMORA_LOCALE_DIR);
  ::Setup.Load(AddDirectory(configDir.c_str(), "setup.conf"));
  SetVideoDirectory(videoDir.c_str());
  SetMediaWriterFactory(NewIndexOnlyWriter); // media tests ask for real media
  SysLogLevel = 3;
  SetSysLogHook(CaptureLog, &hostLog);
  cClock::SetManual();
  cClock::SetTime(TestEpoch);
}

void cTestEnv::TearDown(void)
{
  cRecorder::Stop();
  // two threads taking the recorder's locks in opposite orders can deadlock
  EXPECT_EQ(cStateLock::InvalidSequences(), invalidSequences + expectedInvalidSequences) << "a lock was taken out of the recorder's order";
  Timers.cListBase::Clear();
  Recordings.Clear();
  Channels.cListBase::Clear();
  {
    cSchedulesLock lock(true);
    cSchedules::Writable(lock)->Clear();
  }
  SetSysLogHook(NULL);
  if (!root.empty() && !HasFailure())
     RemoveFileOrDir(root.c_str());
}

bool cTestEnv::HostLogHas(const std::string &Text) const
{
  std::lock_guard<std::mutex> lk(logMutex);
  for (const auto &l : hostLog)
      if (l.find(Text) != std::string::npos)
         return true;
  return false;
}

std::string cTestEnv::PluginConfigDir(const char *Plugin) const
{
  return configDir + "/plugins/" + Plugin;
}

std::string ReadFile(const std::string &Path)
{
  std::ifstream f(Path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool WriteFile(const std::string &Path, const std::string &Content)
{
  std::ofstream f(Path, std::ios::binary | std::ios::trunc);
  f << Content;
  return bool(f);
}

bool FileExists(const std::string &Path)
{
  return access(Path.c_str(), F_OK) == 0;
}

std::vector<std::string> Lines(const std::string &Text)
{
  std::vector<std::string> lines;
  std::istringstream in(Text);
  std::string line;
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

time_t LocalTime(int Year, int Month, int Day, int Hour, int Minute)
{
  struct tm tm = {};
  tm.tm_year = Year - 1900;
  tm.tm_mon = Month - 1;
  tm.tm_mday = Day;
  tm.tm_hour = Hour;
  tm.tm_min = Minute;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

bool WaitUntil(const std::function<bool(void)> &Condition, double TimeoutS)
{
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(TimeoutS);
  while (!Condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
           return Condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
  return true;
}
