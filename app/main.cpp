// vimora-host: loads plug-ins into the host library and drives them.
#include <getopt.h>
#include <stdio.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/epg.h>
#include <vdr/mainloop.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/thread.h>
#include <vdr/timers.h>

static void Usage(FILE *f)
{
  fprintf(f,
    "Usage: vimora-host [OPTIONS]\n"
    "\n"
    "  -c DIR,  --config=DIR    configuration directory (setup.conf, plug-in folders)\n"
    "  -v DIR,  --video=DIR     video directory (recordings)\n"
    "  -L DIR,  --lib=DIR       folder of the plug-ins (libvdr-NAME.so)\n"
    "  -P ARGS, --plugin=ARGS   load the plug-in \"name [arguments]\" (repeatable)\n"
    "  -h,      --help          this text, and the plug-ins' own options\n");
}

int main(int argc, char *argv[])
{
  static const struct option options[] = {
    { "config", required_argument, NULL, 'c' },
    { "video", required_argument, NULL, 'v' },
    { "lib", required_argument, NULL, 'L' },
    { "plugin", required_argument, NULL, 'P' },
    { "help", no_argument, NULL, 'h' },
    { NULL, 0, NULL, 0 }
  };
  std::string configDir = ".";
  std::string videoDir = "./video";
  std::string pluginDir = VIMORA_DEFAULT_PLUGIN_DIR;
  std::vector<std::string> plugins;
  bool help = false;
  int c;
  while ((c = getopt_long(argc, argv, "c:v:L:P:h", options, NULL)) != -1) {
    switch (c) {
      case 'c': configDir = optarg; break;
      case 'v': videoDir = optarg; break;
      case 'L': pluginDir = optarg; break;
      case 'P': plugins.push_back(optarg); break;
      case 'h': help = true; break;
      default:
        fprintf(stderr, "vimora-host: unknown option or missing argument (try -h)\n");
        return 2;
    }
  }
  if (optind < argc) {
     fprintf(stderr, "vimora-host: unexpected argument '%s' (try -h)\n", argv[optind]);
     return 2;
  }
  if (help) {
     Usage(stdout);
     cPluginManager helpManager(pluginDir.c_str());
     for (const auto &p : plugins)
         helpManager.AddPlugin(p.substr(0, p.find(' ')).c_str());
     if (helpManager.LoadPlugins()) {
        for (int i = 0; cPlugin *p = cPluginManager::GetPlugin(i); i++) {
            printf("\n%s (%s) - %s\n", p->Name(), p->Version(), p->Description());
            if (const char *h = p->CommandLineHelp())
               printf("%s", h);
        }
     }
     return 0;
  }
  cThread::SetMainThreadId();
  if (!MakeDirs(configDir.c_str(), true)) {
     fprintf(stderr, "vimora-host: cannot create configuration directory '%s'\n", configDir.c_str());
     return 1;
  }
  cPlugin::SetConfigDirectory(configDir.c_str());
  Setup.Load(AddDirectory(configDir.c_str(), "setup.conf"));
  // what the host left on disk last time, channels before the timers that name them
  SetVideoDirectory(videoDir.c_str());
  Channels.Load(AddDirectory(configDir.c_str(), "channels.conf"));
  Timers.Load(AddDirectory(configDir.c_str(), "timers.conf"));
  cString epgData = AddDirectory(configDir.c_str(), "epg.data");
  if (access(epgData, F_OK) == 0)
     cSchedules::Read(epgData);
  Recordings.Load();

  cPluginManager pluginManager(pluginDir.c_str());
  for (const auto &p : plugins)
      pluginManager.AddPlugin(p.c_str());
  if (!pluginManager.LoadPlugins(true) || !pluginManager.InitializePlugins() || !pluginManager.StartPlugins())
     return 1;

  {
    // the plug-ins' menus must be gone before their code is unloaded
    cMainLoop loop;
    cRemote::Put(kMenu);
    loop.Step();
    fputs(Skins.TextSkin()->Screen().Render().c_str(), stdout);
  }
  pluginManager.Shutdown();
  return 0;
}
