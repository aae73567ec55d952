#include "vimora.h"

#include <fcntl.h>
#include <getopt.h>
#include <strings.h>

#include "audio_thread.h"
#include "autoconvert.h"
#include "blacklist.h"
#include "grabberthread.h"
#include "i18n.h"
#include "log.h"
#include "menu_recs.h"
#include "menu_setup.h"
#include "recstatus.h"
#include "refine_thread.h"
#include "svdrp.h"
#include "tracks.h"
#include "vimora_config.h"

static const char *VERSION = "0.0.3";
static const char *DESCRIPTION = "a grabber for VimoraMusic";

// The plug-in's globals, defined here so that they are built in this order at load
// and destroyed in the reverse order at unload.
cTracks Tracks;
std::set<cChannelSupported> cGrabberThread::channelsSupported;
cMutex cGrabberThread::channelsMutex;
cVimoraConfig VimoraConfig;
cLogFile LogFile;
cBlacklist Blacklist;

cPluginVimora::cPluginVimora(void)
{
  mainMenuEntry[0] = 0;
  gl_recStatusMonitor = NULL;
}

cPluginVimora::~cPluginVimora()
{
  delete gl_recStatusMonitor;
  gl_recStatusMonitor = NULL;
  // The host unloads the plug-in's code right after this: no thread may outlive it.
  cGrabberThread::Exit();
  cConvertToAudioThread::Exit();
  cRefineMarksThread::Exit();
  Tracks.StopWriter(); // after the threads that change the catalogue: what they changed is written
  cAutoConvert::Clear(); // the queue waits in its file
  // it points into the host's arguments, which go with this object
  cLogFile::LogFileName = NULL;
}

const char *cPluginVimora::Version(void)
{
  return VERSION;
}

const char *cPluginVimora::Description(void)
{
  return tr(DESCRIPTION);
}

const char *cPluginVimora::CommandLineHelp(void)
{
  return "  -l file,  --logfile=file to specify a specific logfile for skorvane\n"
         "  -v n,  --verbose=n       verbose level for logfile\n"
         "  -a DIR,   --audiodir=DIR the audio files go into DIR (default: the scripts'\n"
         "                           VIMORA_AUDIO_DIR, else ~/Music/vimora)\n"
         "  -d DIR,   --clipdir=DIR  the video clips, their NFOs and thumbnails go into DIR\n"
         "                           (default: rozerez's folder)\n";
}

bool cPluginVimora::ProcessArgs(int argc, char *argv[])
{
  static const struct option long_options[] = {
    { "logfile", required_argument, NULL, 'l' },
    { "verbose", required_argument, NULL, 'v' },
    { "audiodir", required_argument, NULL, 'a' },
    { "clipdir", required_argument, NULL, 'd' },
    { NULL, 0, NULL, 0 }
  };
  int c;
  while ((c = getopt_long(argc, argv, "l:v:a:d:", long_options, NULL)) != -1) {
    switch (c) {
      case 'a':
      case 'd':
        // an empty folder would silently mean the default one
        if (!*optarg)
           return false;
        (c == 'a' ? VimoraConfig.audiodir : VimoraConfig.clipdir) = optarg;
        break;
      case 'l':
        cLogFile::LogFileName = optarg;
        break;
      case 'v':
        cLogFile::loglevellimit = atoi(optarg);
        break;
      default:
        return false;
    }
  }
  return true;
}

bool cPluginVimora::Initialize(void)
{
  return true;
}

bool cPluginVimora::Start(void)
{
  cString logPath = cLogFile::LogFileName ? cString(cLogFile::LogFileName) : AddDirectory(cPlugin::ConfigDirectory("vimora"), "vimora.log");
  if (cLogFile::loglevellimit) {
     if (!LogFile.Open(logPath, O_WRONLY | O_CREAT | O_APPEND, 0666) && SysLogLevel > 0)
        syslog_with_tid(LOG_ERR, "Vimora: could not open log file: %s", *logPath);
     LogFile.Log(1, "---------------------------------------");
     LogFile.Log(1, "Vimora log started (verbose level %d, version %s)", cLogFile::loglevellimit, VERSION);
  }
  Tracks.Load(AddDirectory(cPlugin::ConfigDirectory("vimora"), "tracks.conf"), true);
  Tracks.StartWriter();
  Blacklist.Load(AddDirectory(cPlugin::ConfigDirectory("vimora"), "blacklist.conf"), true);
  cAutoConvert::Load();
  gl_recStatusMonitor = new cRecStatusMonitor;
  return true;
}

void cPluginVimora::Stop(void)
{
  Tracks.StopWriter();
}

void cPluginVimora::Housekeeping(void)
{
}

void cPluginVimora::MainThreadHook(void)
{
  cAutoConvert::Process();
}

cString cPluginVimora::Active(void)
{
  if (cConvertToAudioThread::Busy())
     return tr("Vimora audio conversion still running!");
  if (cRefineMarksThread::Busy())
     return tr(SearchingBoundaries);
  // recordings wait for their conversion: a restart would only put it off
  if (cAutoConvert::Pending())
     return tr("Vimora audio conversion still running!");
  return NULL;
}

const char *cPluginVimora::MainMenuEntry(void)
{
  if (VimoraConfig.hidemainmenuentry)
     return NULL;
  int progress, failed = 0;
  if (cConvertToAudioThread::m_Instance) {
     progress = cConvertToAudioThread::progress;
     failed = cConvertToAudioThread::failures;
  }
  else if (cRefineMarksThread::Busy())
     progress = cRefineMarksThread::progress;
  else
     return tr(MainMenuEntryKey);
  if (failed)
     snprintf(mainMenuEntry, sizeof(mainMenuEntry), "%s (%d%%, %s)", tr(MainMenuEntryKey), progress, *cString::sprintf(tr("%d failed"), failed));
  else
     snprintf(mainMenuEntry, sizeof(mainMenuEntry), "%s (%d%%)", tr(MainMenuEntryKey), progress);
  return mainMenuEntry;
}

cOsdObject *cPluginVimora::MainMenuAction(void)
{
  return new cMenuRecs;
}

cMenuSetupPage *cPluginVimora::SetupMenu(void)
{
  return new cMenuVimoraSetup;
}

bool cPluginVimora::SetupParse(const char *Name, const char *Value)
{
  if (!strcasecmp(Name, "hidemainmenuentry"))
     VimoraConfig.hidemainmenuentry = atoi(Value);
  if (!strcasecmp(Name, "offset"))
     VimoraConfig.offset = atoi(Value);
  if (!strcasecmp(Name, "format"))
     VimoraConfig.format = Value;
  if (!strcasecmp(Name, "avoidrepeats"))
     VimoraConfig.avoidrepeats = atoi(Value);
  if (!strcasecmp(Name, "audioformat"))
     VimoraConfig.audioformat = atoi(Value);
  if (!strcasecmp(Name, "refinemarks"))
     VimoraConfig.refinemarks = atoi(Value);
  if (!strcasecmp(Name, "refinewindow"))
     VimoraConfig.refinewindow = atoi(Value);
  if (!strcasecmp(Name, "autoconvert"))
     VimoraConfig.autoconvert = atoi(Value);
  if (!strcasecmp(Name, "audioname"))
     VimoraConfig.audioname = Value;
  return true;
}

bool cPluginVimora::Service(const char *, void *)
{
  return false;
}

const char **cPluginVimora::SVDRPHelpPages(void)
{
  return VimoraSVDRPHelpPages();
}

cString cPluginVimora::SVDRPCommand(const char *Command, const char *Option, int &ReplyCode)
{
  return VimoraSVDRPCommand(Command, Option, ReplyCode);
}

VDRPLUGINCREATOR(cPluginVimora);
