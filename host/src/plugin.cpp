#include <vdr/plugin.h>

#include <ctype.h>
#include <dlfcn.h>
#include <getopt.h>
#include <string>
#include <vector>
#include <vdr/config.h>

// --- cPlugin ---------------------------------------------------------------

char *cPlugin::configDirectory = NULL;

cPlugin::cPlugin(void)
{
  name = NULL;
  started = false;
}

cPlugin::~cPlugin()
{
}

void cPlugin::SetName(const char *s)
{
  name = s;
}

const char *cPlugin::CommandLineHelp(void)
{
  return NULL;
}

bool cPlugin::ProcessArgs(int, char *[])
{
  return true;
}

bool cPlugin::Initialize(void)
{
  return true;
}

bool cPlugin::Start(void)
{
  return true;
}

void cPlugin::Stop(void)
{
}

void cPlugin::Housekeeping(void)
{
}

bool cPlugin::ProvidesSource(int)
{
  return false;
}

void cPlugin::MainThreadHook(void)
{
}

cString cPlugin::Active(void)
{
  return NULL;
}

const char *cPlugin::MainMenuEntry(void)
{
  return NULL;
}

cOsdObject *cPlugin::MainMenuAction(void)
{
  return NULL;
}

const char *cPlugin::MenuSetupPluginEntry(void)
{
  return NULL;
}

cMenuSetupPage *cPlugin::SetupMenu(void)
{
  return NULL;
}

bool cPlugin::HasSetupOptions(void)
{
  return true;
}

bool cPlugin::SetupParse(const char *, const char *)
{
  return false;
}

void cPlugin::SetupStore(const char *Name, const char *Value)
{
  Setup.Store(Name, Value, this->Name());
}

void cPlugin::SetupStore(const char *Name, int Value)
{
  SetupStore(Name, cString::sprintf("%d", Value));
}

bool cPlugin::Service(const char *, void *)
{
  return false;
}

const char **cPlugin::SVDRPHelpPages(void)
{
  return NULL;
}

cString cPlugin::SVDRPCommand(const char *, const char *, int &)
{
  return NULL;
}

void cPlugin::SetConfigDirectory(const char *Dir)
{
  free(configDirectory);
  configDirectory = Dir ? strdup(Dir) : NULL;
}

const char *cPlugin::ConfigDirectory(const char *PluginName)
{
  static thread_local cString buffer;
  if (!PluginName)
     return configDirectory;
  buffer = cString::sprintf("%s/plugins/%s", configDirectory ? configDirectory : ".", PluginName);
  return MakeDirs(buffer, true) ? *buffer : NULL;
}

// --- cDll: one loaded plug-in ------------------------------------------------

class cDll : public cListObject {
private:
  char *fileName;
  char *name;
  std::vector<std::string> args;
  void *handle;
  cPlugin *plugin;

public:
  cDll(const char *FileName, const char *Name, const std::vector<std::string> &Args)
  {
    fileName = strdup(FileName);
    name = strdup(Name);
    args = Args;
    handle = NULL;
    plugin = NULL;
  }
  virtual ~cDll()
  {
    delete plugin;
    if (handle)
       dlclose(handle);
    free(name);
    free(fileName);
  }
  const char *Name(void) const { return name; }
  cPlugin *Plugin(void) { return plugin; }
  bool Load(void);
};

bool cDll::Load(void)
{
  handle = dlopen(fileName, RTLD_NOW);
  if (!handle) {
     fprintf(stderr, "vdr: cannot load plugin '%s': %s\n", name, dlerror());
     esyslog("ERROR: cannot load plugin '%s': %s", name, dlerror());
     return false;
  }
  void *(*creator)(void) = (void *(*)(void))dlsym(handle, "VDRPluginCreator");
  if (!creator) {
     fprintf(stderr, "vdr: plugin '%s' has no VDRPluginCreator\n", name);
     return false;
  }
  plugin = (cPlugin *)creator();
  if (!plugin) {
     fprintf(stderr, "vdr: plugin '%s' could not be created\n", name);
     return false;
  }
  plugin->SetName(name);
  std::vector<char *> argv;
  for (auto &a : args)
      argv.push_back(&a[0]);
  argv.push_back(NULL);
  optind = 0; // the plug-in parses with the process-wide getopt state
  if (!plugin->ProcessArgs(int(argv.size() - 1), argv.data())) {
     fprintf(stderr, "vdr: plugin '%s': error in command line arguments\n", name);
     esyslog("ERROR: plugin '%s': error in command line arguments", name);
     return false;
  }
  Setup.ForEach(name, [this](const char *Key, const char *Value) {
    if (!plugin->SetupParse(Key, Value))
       esyslog("ERROR: unknown config parameter: %s.%s", name, Key);
  });
  return true;
}

// Splits a command line as a shell would: blanks separate words, quotes group them
// and a backslash takes the next character literally.
static std::vector<std::string> SplitArgs(const char *s)
{
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (; *s; s++) {
      char c = *s;
      if (quote) {
         if (c == quote)
            quote = 0;
         else if (c == '\\' && quote == '"' && s[1])
            word += *++s;
         else
            word += c;
      }
      else if (c == '"' || c == '\'') {
         quote = c;
         inWord = true;
      }
      else if (c == '\\' && s[1]) {
         word += *++s;
         inWord = true;
      }
      else if (isspace((unsigned char)c)) {
         if (inWord)
            words.push_back(word);
         word.clear();
         inWord = false;
      }
      else {
         word += c;
         inWord = true;
      }
  }
  if (inWord)
     words.push_back(word);
  return words;
}

// --- cPluginManager --------------------------------------------------------

cPluginManager *cPluginManager::pluginManager = NULL;

cPluginManager::cPluginManager(const char *Directory)
{
  directory = Directory ? strdup(Directory) : NULL;
  dlls = new cList<cDll>;
  lastHousekeeping = 0;
  if (pluginManager)
     fprintf(stderr, "vdr: there can be only one plugin manager\n");
  else
     pluginManager = this;
}

cPluginManager::~cPluginManager()
{
  Shutdown();
  delete dlls;
  free(directory);
  if (pluginManager == this)
     pluginManager = NULL;
}

void cPluginManager::AddPlugin(const char *Args)
{
  std::vector<std::string> args = SplitArgs(Args ? Args : "");
  if (args.empty())
     return;
  cString fileName = cString::sprintf("%s/libvdr-%s.so", directory ? directory : ".", args[0].c_str());
  dlls->Add(new cDll(fileName, args[0].c_str(), args));
}

bool cPluginManager::LoadPlugins(bool Log)
{
  for (cDll *dll = dlls->First(); dll; dll = dlls->Next(dll)) {
      if (Log)
         isyslog("loading plugin: %s", dll->Name());
      if (!dll->Load())
         return false;
  }
  return true;
}

bool cPluginManager::InitializePlugins(void)
{
  for (cDll *dll = dlls->First(); dll; dll = dlls->Next(dll)) {
      cPlugin *p = dll->Plugin();
      if (p && !p->Initialize()) {
         fprintf(stderr, "vdr: plugin '%s' failed to initialize\n", dll->Name());
         return false;
      }
  }
  return true;
}

bool cPluginManager::StartPlugins(void)
{
  for (cDll *dll = dlls->First(); dll; dll = dlls->Next(dll)) {
      cPlugin *p = dll->Plugin();
      if (p) {
         if (!p->Start()) {
            fprintf(stderr, "vdr: plugin '%s' failed to start\n", dll->Name());
            return false;
         }
         p->started = true;
      }
  }
  return true;
}

void cPluginManager::Housekeeping(void)
{
  for (cDll *dll = dlls->First(); dll; dll = dlls->Next(dll))
      if (dll->Plugin())
         dll->Plugin()->Housekeeping();
}

void cPluginManager::MainThreadHook(void)
{
  for (cDll *dll = dlls->First(); dll; dll = dlls->Next(dll))
      if (dll->Plugin())
         dll->Plugin()->MainThreadHook();
}

cString cPluginManager::Active(void)
{
  if (pluginManager) {
     for (cDll *dll = pluginManager->dlls->First(); dll; dll = pluginManager->dlls->Next(dll)) {
         cPlugin *p = dll->Plugin();
         if (p) {
            cString s = p->Active();
            if (!isempty(s))
               return s;
         }
     }
  }
  return NULL;
}

cPlugin *cPluginManager::GetPlugin(int Index)
{
  cDll *dll = pluginManager ? pluginManager->dlls->Get(Index) : NULL;
  return dll ? dll->Plugin() : NULL;
}

cPlugin *cPluginManager::GetPlugin(const char *Name)
{
  if (pluginManager && Name) {
     for (cDll *dll = pluginManager->dlls->First(); dll; dll = pluginManager->dlls->Next(dll)) {
         cPlugin *p = dll->Plugin();
         if (p && strcmp(p->Name(), Name) == 0)
            return p;
     }
  }
  return NULL;
}

bool cPluginManager::CallFirstService(const char *Id, void *Data)
{
  if (pluginManager) {
     for (cDll *dll = pluginManager->dlls->First(); dll; dll = pluginManager->dlls->Next(dll)) {
         cPlugin *p = dll->Plugin();
         if (p && p->Service(Id, Data))
            return true;
     }
  }
  return false;
}

void cPluginManager::Shutdown(void)
{
  for (cDll *dll = dlls->Last(); dll; dll = dlls->Prev(dll))
      if (dll->Plugin() && dll->Plugin()->started)
         dll->Plugin()->Stop();
  while (cDll *dll = dlls->Last())
    dlls->Del(dll);
}
