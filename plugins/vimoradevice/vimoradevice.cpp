// The vimoradevice plug-in: gives the recorder a primary device that can replay on a
// machine without a receiver or a screen (replaydevice.h), a receiving device that
// receives a programme the plug-in renders (broadcastdevice.h, given over SVDRP with
// PROG), and a text skin whose screen SVDRP reads (textskin.h; the recorder's setup
// value OSDSkin makes it current). Our stand-in host records without receiving and has
// a text skin of its own, which SCRN reads there.
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
#endif

public:
  virtual const char *Version(void) { return VERSION; }
  virtual const char *Description(void) { return DESCRIPTION; }
  virtual bool Initialize(void);
  virtual bool Start(void);
  virtual const char **SVDRPHelpPages(void);
  virtual cString SVDRPCommand(const char *Command, const char *Option, int &ReplyCode);
};

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
    "    Puts the programme in FILE on air, in place of the one before: a line\n"
    "    \"channel CHANNELID\", then lines \"item START SECONDS TITLE\" (START in\n"
    "    seconds since the epoch). Without FILE: the programme's state\n"
    "    (rendering, waiting, on air, ended, failed: why, or none).",
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
