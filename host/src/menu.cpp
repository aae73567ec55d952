#include <vdr/menu.h>

#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/plugin.h>
#include <vdr/skins.h>

namespace {

// A line that stands for a plug-in.
class cMenuPluginItem : public cOsdItem {
private:
  int pluginIndex;

public:
  cMenuPluginItem(const char *Name, int Index)
    : cOsdItem(Name, osPlugin)
  {
    pluginIndex = Index;
  }
  cPlugin *Plugin(void) const { return cPluginManager::GetPlugin(pluginIndex); }
};

cPlugin *PluginOf(cOsdItem *Item)
{
  cMenuPluginItem *item = dynamic_cast<cMenuPluginItem *>(Item);
  return item ? item->Plugin() : NULL;
}

// The host's own options, edited as a working copy and stored on ok.
class cMenuSetupHost : public cMenuSetupPage {
protected:
  int osdLanguage, osdMessageTime, multiSpeedMode, showReplayMode;

public:
  cMenuSetupHost(const char *Section)
  {
    SetSection(Section);
    osdLanguage = I18nCurrentLanguage();
    osdMessageTime = Setup.OSDMessageTime;
    multiSpeedMode = Setup.MultiSpeedMode;
    showReplayMode = Setup.ShowReplayMode;
  }
  virtual void Store(void)
  {
    if (const char *locale = I18nLocale(osdLanguage)) {
       strn0cpy(Setup.OSDLanguage, locale, sizeof(Setup.OSDLanguage));
       I18nSetLocale(Setup.OSDLanguage);
    }
    Setup.OSDMessageTime = osdMessageTime;
    Setup.MultiSpeedMode = multiSpeedMode;
    Setup.ShowReplayMode = showReplayMode;
    Setup.Save();
  }
};

class cMenuSetupOSD : public cMenuSetupHost {
private:
  const char *languages[I18N_MAX_LANGUAGES];

public:
  cMenuSetupOSD(void)
    : cMenuSetupHost(tr("OSD"))
  {
    int n = I18nNumLanguagesWithLocale();
    for (int i = 0; i < n; i++)
        languages[i] = (*I18nLanguages())[i];
    Add(new cMenuEditStraItem(tr("Language"), &osdLanguage, n, languages));
    Add(new cMenuEditIntItem(tr("Message time (s)"), &osdMessageTime, 1, 60));
  }
};

class cMenuSetupReplay : public cMenuSetupHost {
public:
  cMenuSetupReplay(void)
    : cMenuSetupHost(tr("Replay"))
  {
    Add(new cMenuEditBoolItem(tr("Multi speed mode"), &multiSpeedMode));
    Add(new cMenuEditBoolItem(tr("Show replay mode"), &showReplayMode));
  }
};

// Every plug-in with setup options; ok opens its setup page.
class cMenuSetupPlugins : public cOsdMenu {
public:
  cMenuSetupPlugins(void)
    : cOsdMenu(cString::sprintf("%s - %s", tr("Setup"), tr("Plugins")))
  {
    SetHasHotkeys();
    for (int i = 0; cPlugin *p = cPluginManager::GetPlugin(i); i++) {
        if (p->HasSetupOptions())
           Add(new cMenuPluginItem(hk(cString::sprintf("%s (%s) - %s", p->Name(), p->Version(), p->Description())), i));
    }
  }
  virtual eOSState ProcessKey(eKeys Key)
  {
    bool hadSubMenu = HasSubMenu();
    eOSState state = cOsdMenu::ProcessKey(Key);
    if (hadSubMenu || Key != kOk || state != osPlugin)
       return state;
    cPlugin *p = PluginOf(Get(Current()));
    cMenuSetupPage *page = p ? p->SetupMenu() : NULL;
    if (!page) {
       Skins.Message(mtInfo, tr("This plugin has no setup parameters!"));
       return osContinue;
    }
    page->SetPlugin(p);
    return AddSubMenu(page);
  }
};

} // namespace

// --- cMenuMain -------------------------------------------------------------

cMenuMain::cMenuMain(void)
  : cOsdMenu(tr("Main Menu"))
{
  pluginOsdObject = NULL;
  SetHasHotkeys();
  for (int i = 0; cPlugin *p = cPluginManager::GetPlugin(i); i++) {
      const char *entry = p->MainMenuEntry();
      if (entry)
         Add(new cMenuPluginItem(hk(entry), i));
  }
  Add(new cOsdItem(hk(tr("Setup")), osSetup));
}

cMenuMain::~cMenuMain()
{
  delete pluginOsdObject;
}

cOsdObject *cMenuMain::PluginOsdObject(void)
{
  cOsdObject *o = pluginOsdObject;
  pluginOsdObject = NULL;
  return o;
}

eOSState cMenuMain::OpenPlugin(void)
{
  cPlugin *p = PluginOf(Get(Current()));
  cOsdObject *menu = p ? p->MainMenuAction() : NULL;
  if (!menu)
     return osEnd;
  if (menu->IsMenu())
     return AddSubMenu(static_cast<cOsdMenu *>(menu));
  delete pluginOsdObject;
  pluginOsdObject = menu;
  return osPlugin;
}

eOSState cMenuMain::ProcessKey(eKeys Key)
{
  bool hadSubMenu = HasSubMenu();
  eOSState state = cOsdMenu::ProcessKey(Key);
  // Only ok on a line acts: a hotkey has already acted through it.
  if (hadSubMenu || Key != kOk)
     return state;
  switch (state) {
    case osPlugin:
      return OpenPlugin();
    case osSetup:
      return AddSubMenu(new cMenuSetup);
    default:
      return state;
  }
}

// --- cMenuSetup ------------------------------------------------------------

cMenuSetup::cMenuSetup(void)
  : cOsdMenu(tr("Setup"))
{
  SetHasHotkeys();
  Add(new cOsdItem(hk(tr("OSD")), osUser1));
  Add(new cOsdItem(hk(tr("Replay")), osUser2));
  Add(new cOsdItem(hk(tr("Plugins")), osUser3));
}

eOSState cMenuSetup::ProcessKey(eKeys Key)
{
  bool hadSubMenu = HasSubMenu();
  eOSState state = cOsdMenu::ProcessKey(Key);
  if (hadSubMenu || Key != kOk)
     return state;
  switch (state) {
    case osUser1:
      return AddSubMenu(new cMenuSetupOSD);
    case osUser2:
      return AddSubMenu(new cMenuSetupReplay);
    case osUser3:
      return AddSubMenu(new cMenuSetupPlugins);
    default:
      return state;
  }
}
