#include "hostenv.h"

#include <vdr/remote.h>

void cHostEnv::SetUp(void)
{
  cTestEnv::SetUp();
  loop = new cMainLoop;
}

void cHostEnv::TearDown(void)
{
  // menus and controls run plug-in code: they go before the plug-ins are unloaded
  delete loop;
  loop = nullptr;
  delete plugins;
  plugins = nullptr;
  cTestEnv::TearDown();
}

bool cHostEnv::StartPlugins(const char *Dir, std::initializer_list<const char *> Plugins)
{
  plugins = new cPluginManager(Dir);
  for (const char *p : Plugins)
      plugins->AddPlugin(p);
  return plugins->LoadPlugins() && plugins->InitializePlugins() && plugins->StartPlugins();
}

void cHostEnv::Press(std::initializer_list<eKeys> Keys)
{
  for (eKeys k : Keys)
      cRemote::Put(k);
  while (cRemote::HasKeys())
    loop->Step();
}

std::string cHostEnv::CurrentLine(void)
{
  const cTextScreen &s = Screen();
  return s.current >= 0 && s.current < int(s.items.size()) ? s.Expand(s.items[s.current]) : "";
}
