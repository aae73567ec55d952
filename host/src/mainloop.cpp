#include <vdr/mainloop.h>

#include <algorithm>
#include <vdr/clock.h>
#include <vdr/menu.h>
#include <vdr/player.h>
#include <vdr/plugin.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/thread.h>
#include <vdr/timers.h>

cMainLoop::cMainLoop(void)
{
  menu = NULL;
  cThread::SetMainThreadId();
}

cMainLoop::~cMainLoop()
{
  CloseMenu();
  cControl::Shutdown();
  // a control that ended asks for its plug-in's menu; nobody is left to open it
  cRemote::Clear();
}

void cMainLoop::CloseMenu(void)
{
  delete menu;
  menu = NULL;
}

void cMainLoop::OpenMenu(cOsdObject *Menu)
{
  CloseMenu();
  menu = Menu;
  if (menu) {
     if (cControl::Control())
        cControl::Control()->Hide();
     menu->Show();
  }
}

void cMainLoop::CallPlugin(const char *Name)
{
  cPlugin *plugin = cPluginManager::GetPlugin(Name);
  if (!plugin) {
     esyslog("ERROR: unknown plugin '%s'", Name);
     return;
  }
  CloseMenu();
  OpenMenu(plugin->MainMenuAction());
}

void cMainLoop::ShowInfo(void)
{
  cOsdObject *info = cControl::Control()->GetInfo();
  if (info)
     OpenMenu(info);
}

// The host has no recordings menu of its own: the replay ends and the main menu
// opens, where a plug-in that ended its replay takes over through CallPlugin.
void cMainLoop::ShowRecordings(void)
{
  CloseMenu();
  cControl::Shutdown();
  OpenMenu(new cMenuMain);
}

void cMainLoop::MenuState(eOSState State)
{
  switch (State) {
    case osEnd:
    case osBack:
      CloseMenu();
      break;
    case osRecordings:
      ShowRecordings();
      break;
    case osPlugin: {
      cMenuMain *main = dynamic_cast<cMenuMain *>(menu);
      if (main)
         OpenMenu(main->PluginOsdObject());
      break;
    }
    default:
      break;
  }
}

void cMainLoop::ControlState(eOSState State)
{
  switch (State) {
    case osEnd:
      cControl::Shutdown();
      break;
    case osRecordings:
      ShowRecordings();
      break;
    default:
      break;
  }
}

eKeys cMainLoop::Step(int WaitMs)
{
  // also a timer whose whole time the clock jumped over
  if (Timers.DeleteExpired(false))
     Timers.SetModified();
  Skins.ProcessQueuedMessages();
  cString plugin = cRemote::GetPlugin();
  if (*plugin) {
     CallPlugin(plugin);
     WaitMs = 0; // the call was this round's event
  }
  eKeys key = *plugin ? kNone : cRemote::Get(WaitMs);
  bool controlHadKey = false;
  if (key != kNone) {
     Skins.KeyPressed();
     const char *name = cKey::ToString(NORMALKEY(key));
     dsyslog("key %s%s", name ? name : "?", key & k_Repeat ? " (repeat)" : key & k_Release ? " (release)" : "");
     if (key == kMenu) {
        if (menu)
           CloseMenu();
        else
           OpenMenu(new cMenuMain);
     }
     else if (menu)
        MenuState(menu->ProcessKey(key));
     else if (cControl::Control()) {
        if (key == kInfo)
           ShowInfo();
        else {
           ControlState(cControl::Control()->ProcessKey(key));
           controlHadKey = true;
        }
     }
  }
  // a running control gets its regular call without a key
  if (!controlHadKey && cControl::Control())
     ControlState(cControl::Control()->ProcessKey(kNone));
  Skins.ProcessQueuedMessages(); // also those that ran out while waiting
  return key;
}

void cMainLoop::Run(int Ms, int StepMs)
{
  uint64_t end = cClock::NowMs() + uint64_t(Ms > 0 ? Ms : 0);
  for (uint64_t now = cClock::NowMs(); now < end; now = cClock::NowMs())
      Step(int(std::min<uint64_t>(StepMs > 0 ? StepMs : 1, end - now)));
}
