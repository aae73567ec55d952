// The plug-in interface and the plug-in manager.
#ifndef __VDR_PLUGIN_H
#define __VDR_PLUGIN_H

#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/tools.h>

class cOsdObject;
class cMenuSetupPage;

class cPlugin {
  friend class cDll;
  friend class cPluginManager;

private:
  static char *configDirectory;
  const char *name;
  bool started;
  void SetName(const char *s);

public:
  cPlugin(void);
  virtual ~cPlugin();

  const char *Name(void) { return name; }
  virtual const char *Version(void) = 0;
  virtual const char *Description(void) = 0;
  virtual const char *CommandLineHelp(void);

  virtual bool ProcessArgs(int argc, char *argv[]);
  virtual bool Initialize(void);
  virtual bool Start(void);
  virtual void Stop(void);
  virtual void Housekeeping(void);
  virtual bool ProvidesSource(int Source);
  virtual void MainThreadHook(void);
  // A non-empty text tells the host that the plug-in is busy and should not be shut down.
  virtual cString Active(void);

  virtual const char *MainMenuEntry(void);
  virtual cOsdObject *MainMenuAction(void);

  virtual const char *MenuSetupPluginEntry(void);
  virtual cMenuSetupPage *SetupMenu(void);
  virtual bool HasSetupOptions(void);
  virtual bool SetupParse(const char *Name, const char *Value);
  void SetupStore(const char *Name, const char *Value = NULL);
  void SetupStore(const char *Name, int Value);

  virtual bool Service(const char *Id, void *Data = NULL);
  virtual const char **SVDRPHelpPages(void);
  virtual cString SVDRPCommand(const char *Command, const char *Option, int &ReplyCode);

  static void SetConfigDirectory(const char *Dir);
  // The host's configuration directory, or a plug-in's own folder in it (created).
  static const char *ConfigDirectory(const char *PluginName = NULL);
};

#define VDRPLUGINCREATOR(PluginClass) extern "C" void *VDRPluginCreator(void) { return new PluginClass; }

class cDll;

class cPluginManager {
private:
  static cPluginManager *pluginManager;
  char *directory;
  cList<cDll> *dlls;
  int lastHousekeeping;

public:
  cPluginManager(const char *Directory);
  virtual ~cPluginManager();
  // Adds "name [args]" (the arguments split as a shell would).
  void AddPlugin(const char *Args);
  // Loads every added plug-in and hands it its arguments and stored setup values;
  // false (with a one-line message on stderr) for the first one that fails.
  bool LoadPlugins(bool Log = false);
  bool InitializePlugins(void);
  bool StartPlugins(void);
  void Housekeeping(void);
  void MainThreadHook(void);
  // The first busy plug-in's text, or null when none is busy.
  static cString Active(void);
  static cPlugin *GetPlugin(int Index);
  static cPlugin *GetPlugin(const char *Name);
  static bool CallFirstService(const char *Id, void *Data = NULL);
  // Stops and deletes every plug-in and unloads its code (in reverse order of loading).
  void Shutdown(void);
};

#endif
