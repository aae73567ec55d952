// A host with plug-ins loaded and its main loop, driven by keys on the manual clock;
// the text skin shows what a user would see.
#ifndef __VIMORA_HOSTENV_H
#define __VIMORA_HOSTENV_H

#include <initializer_list>
#include <vdr/keys.h>
#include <vdr/mainloop.h>
#include <vdr/plugin.h>
#include <vdr/skins.h>

#include "testenv.h"

class cHostEnv : public cTestEnv {
protected:
  cPluginManager *plugins = nullptr;
  cMainLoop *loop = nullptr;
  void SetUp(void) override;
  void TearDown(void) override;
  // Loads, initializes and starts the plug-ins ("name args") found in Dir.
  bool StartPlugins(const char *Dir, std::initializer_list<const char *> Plugins);
  // Queues the keys, then steps the loop until all of them are taken.
  void Press(std::initializer_list<eKeys> Keys);
  const cTextScreen &Screen(void) { return Skins.TextSkin()->Screen(); }
  // The current line of the open menu, tabs turned into blanks.
  std::string CurrentLine(void);
};

#endif
