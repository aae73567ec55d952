// The vimoradevice plug-in: gives the recorder a primary device that can replay on a
// machine without a receiver or a screen (replaydevice.h), a receiving device that
// receives the programmes the plug-in renders, one per channel, in a broadcast format of
// their own (broadcastdevice.h, given over SVDRP with PROG, or from the start on with the
// argument -p FILE, so that a recorder started again in the middle of a programme receives
// the rest of it), and a text skin whose screen SVDRP reads (textskin.h; the recorder's
// setup value OSDSkin makes it current). Our stand-in host records without receiving and
// has a text skin of its own, which SCRN reads there.
#include <getopt.h>

#include <vdr/plugin.h>
#include <vdr/skins.h>

#include "replaydevice.h"
#ifndef VDR_STANDIN
#include "broadcastdevice.h"
#include "textskin.h"
#endif

static const char *VERSION = "0.1.0";
static const char *DESCRIPTION = "Replaying output device, programme receiver and text skin for machines without either";

class cPluginVimoradevice : public cPlugin {
private:
#ifndef VDR_STANDIN
  cTextSkin *skin = NULL;               // the recorder's from Start() on
  cBroadcastDevice *receiver = NULL;   // the recorder's from Initialize() on
  std::string workDir;                 // where programmes are rendered
  std::string programmeFile;           // -p: on air from the start
#endif

public:
  virtual const char *Version(void) { return VERSION; }
  virtual const char *Description(void) { return DESCRIPTION; }
#ifndef VDR_STANDIN
  virtual const char *CommandLineHelp(void);
  virtual bool ProcessArgs(int argc, char *argv[]);
#endif
  virtual bool Initialize(void);
  virtual bool Start(void);
  virtual const char **SVDRPHelpPages(void);
  virtual cString SVDRPCommand(const char *Command, const char *Option, int &ReplyCode);
};

#ifndef VDR_STANDIN
const char *cPluginVimoradevice::CommandLineHelp(void)
{
  return "  -p FILE,  --programme=FILE  puts the programme in FILE on air from the start\n"
         "                             (as SVDRP's PROG FILE does)\n";
}

bool cPluginVimoradevice::ProcessArgs(int argc, char *argv[])
{
  static const struct option Options[] = {
    { "programme", required_argument, NULL, 'p' },
    { NULL, 0, NULL, 0 }
  };
  int c;
  while ((c = getopt_long(argc, argv, "p:", Options, NULL)) != -1) {
        if (c != 'p')
           return false;
        programmeFile = optarg;
        }
  if (optind < argc) {
     fprintf(stderr, "vimoradevice: unexpected argument \"%s\"\n", argv[optind]);
     return false;
     }
  return true;
}
#endif

bool cPluginVimoradevice::Initialize(void)
{
  new cReplayDevice; // the recorder owns its devices
#ifndef VDR_STANDIN
  receiver = new cBroadcastDevice;
#endif
  return true;
}

bool cPluginVimoradevice::Start(void)
{
#ifndef VDR_STANDIN
  skin = new cTextSkin; // the recorder owns its skins
  workDir = CacheDirectory(Name()); // only the main thread may ask
  if (!programmeFile.empty()) {
     // the channels are loaded by now; a programme that cannot go on air ends the start,
     // as a recorder without its receiver would be of no use to whoever asked for it
     std::string error;
     cBroadcast *b = cBroadcast::Load(programmeFile.c_str(), receiver, workDir, error);
     if (!b) {
        esyslog("vimoradevice: ERROR: programme %s refused: %s", programmeFile.c_str(), error.c_str());
        return false;
        }
     receiver->SetBroadcast(b);
     }
#endif
  return true;
}

const char **cPluginVimoradevice::SVDRPHelpPages(void)
{
  static const char *HelpPages[] = {
    "SCRN\n"
    "    What the text skin shows now: per open display a line \"Name: title\",\n"
    "    then its lines \"Item: text\" (\"Current: text\" for the current one),\n"
    "    \"Text: ...\", the colour buttons (\"Red: text\" ...), details such as\n"
    "    \"Mode: ...\" and \"Message: type: text\"; \"Screen: empty\" when nothing is open.",
    "MSGS\n"
    "    Every message shown since the start, one \"type: text\" line each.",
    "PROG [ FILE ]\n"
    "    Puts the programme in FILE on air, in place of the one before on its\n"
    "    channel: a line \"channel CHANNELID\", optionally \"format NAME\" (a\n"
    "    broadcast format, mpeg2-mp2 without) and \"bitrate MBITS\" (a constant\n"
    "    video bit rate), then lines \"item START SECONDS TITLE\" (START in seconds\n"
    "    since the epoch). Without FILE: the programme's state (rendering, waiting,\n"
    "    on air, ended, failed: why, or none), with several \"CHANNELID: state\"\n"
    "    each, separated by \"; \".",
    NULL
    };
  return HelpPages;
}

cString cPluginVimoradevice::SVDRPCommand(const char *Command, const char *Option, int &ReplyCode)
{
#ifndef VDR_STANDIN
  if (strcasecmp(Command, "PROG") == 0) {
     if (!Option || !*Option)
        return receiver->BroadcastState().c_str();
     std::string error;
     cBroadcast *b = cBroadcast::Load(Option, receiver, workDir, error);
     if (!b) {
        ReplyCode = 501;
        return cString::sprintf("Programme %s refused: %s", Option, error.c_str());
        }
     receiver->SetBroadcast(b);
     return "Programme rendering";
     }
#endif
  (void)Option;
  bool screen = strcasecmp(Command, "SCRN") == 0;
  if (!screen && strcasecmp(Command, "MSGS") != 0)
     return NULL;
#ifdef VDR_STANDIN
  (void)ReplyCode;
  cSkinText *text = Skins.TextSkin();
  std::string answer;
  if (screen)
     answer = text->Screen().Render();
  else {
     for (const auto &m : text->Screen().messages)
         answer += m + "\n";
     }
  while (!answer.empty() && answer.back() == '\n')
        answer.pop_back();
  return answer.c_str();
#else
  if (!skin || Skins.Current() != skin) {
     ReplyCode = 550;
     return cString::sprintf("The skin \"%s\" is not the current one (setup value OSDSkin)", cTextSkin::SkinName);
     }
  return (screen ? skin->Screen() : skin->Messages()).c_str();
#endif
}

VDRPLUGINCREATOR(cPluginVimoradevice);
