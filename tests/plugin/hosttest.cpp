// A small plug-in for the host's own tests: a main menu entry (unless started with
// --noentry), a menu whose "Play" line launches a control, the control's info page
// and a one-value setup page. The control ends on blue or once the host has called
// it without a key "--length" times, and then asks for the plug-in's menu again.
#include <getopt.h>
#include <stdlib.h>
#include <vdr/menuitems.h>
#include <vdr/player.h>
#include <vdr/plugin.h>
#include <vdr/remote.h>
#include <vdr/skins.h>

static const char *PluginName = "hosttest";
static int Length = 3;
static int SetupValue = 0;

class cTestControl : public cControl {
private:
  cSkinDisplayReplay *display;
  int idleCalls;

public:
  cTestControl(void) { display = NULL; idleCalls = 0; }
  virtual ~cTestControl()
  {
    Hide();
    cRemote::CallPlugin(PluginName);
  }
  virtual void Show(void)
  {
    if (!display) {
       display = Skins.Current()->DisplayReplay(false);
       display->SetTitle("Test replay");
       display->Flush();
    }
  }
  virtual void Hide(void)
  {
    delete display;
    display = NULL;
  }
  virtual cOsdObject *GetInfo(void) { return new cMenuText("Test info", "Played by the test control"); }
  virtual eOSState ProcessKey(eKeys Key)
  {
    switch (Key) {
      case kNone:
        return ++idleCalls >= Length ? osEnd : osContinue;
      case kOk:
        Show();
        return osContinue;
      case kBlue:
        return osEnd;
      case kBack:
        return osRecordings;
      default:
        return osUnknown;
    }
  }
};

class cTestMenu : public cOsdMenu {
public:
  cTestMenu(void)
    : cOsdMenu("Host test menu")
  {
    Add(new cOsdItem("Play"));
    Add(new cOsdItem("Stay"));
  }
  virtual eOSState ProcessKey(eKeys Key)
  {
    eOSState state = cOsdMenu::ProcessKey(Key);
    if (state == osUnknown && Key == kOk && Current() == 0) {
       cControl::Launch(new cTestControl);
       return osEnd;
    }
    return state;
  }
};

class cTestSetup : public cMenuSetupPage {
private:
  int value;

public:
  cTestSetup(void)
  {
    value = SetupValue;
    Add(new cMenuEditIntItem("Value", &value, 0, 10));
  }
  virtual void Store(void)
  {
    SetupValue = value;
    SetupStore("value", value);
  }
};

class cPluginHostTest : public cPlugin {
private:
  bool entry;

public:
  cPluginHostTest(void) { entry = true; }
  virtual const char *Version(void) { return "1"; }
  virtual const char *Description(void) { return "host test"; }
  virtual bool ProcessArgs(int argc, char *argv[])
  {
    static const struct option options[] = {
      { "noentry", no_argument, NULL, 'n' },
      { "length", required_argument, NULL, 'l' },
      { NULL, 0, NULL, 0 }
    };
    int c;
    while ((c = getopt_long(argc, argv, "nl:", options, NULL)) != -1) {
      switch (c) {
        case 'n': entry = false; break;
        case 'l': Length = atoi(optarg); break;
        default: return false;
      }
    }
    return true;
  }
  virtual const char *MainMenuEntry(void) { return entry ? "Host test" : NULL; }
  virtual cOsdObject *MainMenuAction(void) { return new cTestMenu; }
  virtual cMenuSetupPage *SetupMenu(void) { return new cTestSetup; }
  virtual bool SetupParse(const char *Name, const char *Value)
  {
    if (strcmp(Name, "value") != 0)
       return false;
    SetupValue = atoi(Value);
    return true;
  }
};

VDRPLUGINCREATOR(cPluginHostTest);
