#include "session.h"

#include "files.h"

#include <algorithm>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>
#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/epg.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/thread.h>
#include <vdr/timers.h>

const char *MusicChannelID = "S19.2E-1-1092-10100";

// --- clock speed -------------------------------------------------------------

bool ParseSpeed(const char *Text, double &Speed)
{
  if (!Text)
     return false;
  if (strcasecmp(Text, "max") == 0) {
     Speed = 0;
     return true;
  }
  char *end;
  double s = strtod(Text, &end);
  if (end == Text || *end || !(s > 0) || s > 1e6)
     return false;
  Speed = s;
  return true;
}

void SetClockSpeed(double Speed)
{
  if (Speed > 0)
     cClock::SetSpeed(Speed);
  else
     cClock::SetManual();
}

std::string SpeedText(void)
{
  if (cClock::Manual())
     return "max";
  char buf[32];
  snprintf(buf, sizeof(buf), "x%g", cClock::Speed());
  return buf;
}

// --- cSession ----------------------------------------------------------------

static std::mutex hostLogMutex;

cSession::cSession(const tHostOptions &Options)
{
  options = Options;
  if (options.audioDir.empty()) {
     const char *env = getenv("VIMORA_AUDIO_DIR");
     options.audioDir = env && *env ? env : "./audio";
  }
  pluginManager = NULL;
  loop = NULL;
  hostLog = NULL;
  started = false;
}

cSession::~cSession()
{
  Stop();
}

void cSession::LogToFile(int Priority, const char *Text, void *Context)
{
  FILE *f = (FILE *)Context;
  time_t now = cClock::Now();
  struct tm tm;
  char stamp[32];
  strftime(stamp, sizeof(stamp), "%F %T", localtime_r(&now, &tm));
  const char *level = Priority == LOG_ERR ? "ERROR" : Priority == LOG_INFO ? "info " : "debug";
  std::lock_guard<std::mutex> lock(hostLogMutex);
  fprintf(f, "%s %s [%d] %s\n", stamp, level, cThread::CurrentThreadId(), Text);
  fflush(f);
}

// The conversion scripts are run by name: the folder holding them comes first in the
// search path, the installed one (beside this program, or where the build put them
// relative to it) or else the source tree's.
void cSession::PrepareScripts(void)
{
  std::string scripts = FindInstalled(VIMORA_INSTALLED_SCRIPTS_DIR, "vimora2mp3.sh", VIMORA_SOURCE_SCRIPTS_DIR);
  const char *path = getenv("PATH");
  std::string newPath = scripts + (path && *path ? ":" + std::string(path) : "");
  setenv("PATH", newPath.c_str(), 1);
  setenv("VIMORA_AUDIO_DIR", options.audioDir.c_str(), 1);
}

std::string LocaleDirectory(const tHostOptions &Options)
{
  return !Options.localeDir.empty() ? Options.localeDir : Options.pluginDir + "/../locale";
}

bool cSession::Start(void)
{
  cThread::SetMainThreadId();
  const char *dirs[] = { options.configDir.c_str(), options.videoDir.c_str() };
  for (const char *d : dirs) {
      if (!MakeDirs(d, true)) {
         fprintf(stderr, "vimora-host: cannot create the folder '%s'\n", d);
         return false;
      }
  }
  hostLog = fopen(AddDirectory(options.configDir.c_str(), "vimora-host.log"), "ae");
  if (hostLog)
     SetSysLogHook(LogToFile, hostLog);
  PrepareScripts();
  cPlugin::SetConfigDirectory(options.configDir.c_str());
  // before the setup, whose language names a locale
  I18nInitialize(LocaleDirectory(options).c_str());
  Setup.Load(AddDirectory(options.configDir.c_str(), "setup.conf"));
  // what the host left on disk last time, channels before the timers that name them
  SetVideoDirectory(options.videoDir.c_str());
  Channels.Load(AddDirectory(options.configDir.c_str(), "channels.conf"));
  Timers.Load(AddDirectory(options.configDir.c_str(), "timers.conf"));
  cString epgData = AddDirectory(options.configDir.c_str(), "epg.data");
  if (access(epgData, F_OK) == 0)
     cSchedules::Read(epgData);
  Recordings.Load();

  pluginManager = new cPluginManager(options.pluginDir.c_str());
  for (const auto &p : options.plugins)
      pluginManager->AddPlugin(p.c_str());
  if (!pluginManager->LoadPlugins(true) || !pluginManager->InitializePlugins() || !pluginManager->StartPlugins())
     return false;
  loop = new cMainLoop;
  if (!cRecorder::Start()) {
     fprintf(stderr, "vimora-host: cannot start the recorder\n");
     return false;
  }
  started = true;
  return true;
}

void cSession::Stop(void)
{
  // the plug-ins' menus and replay must be gone, and their recordings announced as
  // ended, before their code is unloaded
  delete loop;
  loop = NULL;
  cRecorder::Stop();
  if (started)
     cSchedules::Write(AddDirectory(options.configDir.c_str(), "epg.data"));
  started = false;
  if (pluginManager) {
     pluginManager->Shutdown();
     delete pluginManager;
     pluginManager = NULL;
  }
  if (hostLog) {
     SetSysLogHook(NULL);
     fclose(hostLog);
     hostLog = NULL;
  }
}

std::string cSession::ClipsFolder(void) const
{
  for (const auto &p : options.plugins) {
      std::vector<std::string> args;
      for (size_t b = p.find_first_not_of(' '); b != std::string::npos; b = p.find_first_not_of(' ', b)) {
          size_t e = p.find(' ', b);
          args.push_back(p.substr(b, e == std::string::npos ? e : e - b));
          b = e;
      }
      if (args.empty() || args[0] != "rozerez")
         continue;
      for (size_t i = 1; i < args.size(); i++) {
          if ((args[i] == "-d" || args[i] == "--dir") && i + 1 < args.size())
             return args[i + 1];
          if (args[i].rfind("--dir=", 0) == 0)
             return args[i].substr(6);
          if (args[i].rfind("-d", 0) == 0 && args[i].size() > 2)
             return args[i].substr(2);
      }
  }
  return options.videoDir + "/*/clips";
}

eKeys cSession::Step(int WaitMs)
{
  eKeys key = loop->Step(WaitMs);
  pluginManager->MainThreadHook();
  return key;
}

void cSession::Run(int Ms)
{
  uint64_t end = cClock::NowMs() + uint64_t(Ms > 0 ? Ms : 0);
  for (uint64_t now = cClock::NowMs(); now < end; now = cClock::NowMs())
      Step(int(std::min<uint64_t>(100, end - now)));
}

void cSession::TakeKeys(void)
{
  // a key may end a replay, whose plug-in is called in the next round, and that call
  // may queue keys again
  do {
    while (cRemote::HasKeys())
      Step();
    Step();
  } while (cRemote::HasKeys());
}

bool cSession::Busy(void)
{
  return !isempty(cPluginManager::Active()) || Skins.IsMessageShown() || Skins.HasQueuedMessages();
}
