// The plug-in object the host drives: command line, setup values, start-up and the
// main-menu entry.
#ifndef __VIMORA_VIMORA_H
#define __VIMORA_VIMORA_H

#include <vdr/plugin.h>

class cPluginVimora : public cPlugin {
public:
  static constexpr const char *MainMenuEntryKey = "Vimora";
  // Room for any translation of the entry, " (100%)" and the terminator; the
  // translation table checks this when it is compiled.
  static constexpr size_t MainMenuEntrySize = 64;

private:
  char mainMenuEntry[MainMenuEntrySize]; // entry text while a conversion runs; outlives the call

public:
  cPluginVimora(void);
  virtual ~cPluginVimora();
  virtual const char *Version(void);
  virtual const char *Description(void);
  virtual const char *CommandLineHelp(void);
  virtual bool ProcessArgs(int argc, char *argv[]);
  virtual bool Initialize(void);
  virtual bool Start(void);
  virtual void Stop(void);
  virtual void Housekeeping(void);
  virtual void MainThreadHook(void);
  virtual cString Active(void);
  virtual const char *MainMenuEntry(void);
  virtual cOsdObject *MainMenuAction(void);
  virtual cMenuSetupPage *SetupMenu(void);
  virtual bool SetupParse(const char *Name, const char *Value);
  virtual bool Service(const char *Id, void *Data = NULL);
  virtual const char **SVDRPHelpPages(void);
  virtual cString SVDRPCommand(const char *Command, const char *Option, int &ReplyCode);
};

#endif
