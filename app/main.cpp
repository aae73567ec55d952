// vimora-host: loads plug-ins into the host library and drives them, interactively on
// a terminal, from a script, or through the demo.
#include <getopt.h>
#include <stdio.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <vdr/clock.h>

#include "demo.h"
#include "interactive.h"
#include "script.h"
#include "session.h"

static void Usage(FILE *f)
{
  fprintf(f,
    "Usage: vimora-host [OPTIONS]                  interactive, on a terminal\n"
    "       vimora-host [OPTIONS] --script FILE    runs a script (- for standard input)\n"
    "       vimora-host [-L DIR] --demo [DIR]      the whole road in a fresh folder\n"
    "\n"
    "  -c DIR,  --config=DIR    configuration directory (setup.conf, plug-in folders)\n"
    "  -v DIR,  --video=DIR     video directory (recordings)\n"
    "  -L DIR,  --lib=DIR       folder of the plug-ins (libvdr-NAME.so)\n"
    "           --localedir=DIR the plug-ins' message catalogues\n"
    "                           (default: locale beside the plug-in folder)\n"
    "  -P ARGS, --plugin=ARGS   load the plug-in \"name [arguments]\" (repeatable)\n"
    "  -a DIR,  --audio=DIR     where the conversion scripts put audio files\n"
    "                           (default $VIMORA_AUDIO_DIR, else ./audio)\n"
    "  -s N,    --speed=N       virtual seconds per real second, or max\n"
    "                           (default 1 on a terminal, max for scripts)\n"
    "           --script=FILE   run the script FILE instead of the terminal\n"
    "           --start=TIME    the script's clock starts at the local time\n"
    "                           \"YYYY-MM-DD hh:mm:ss\" (default: the next whole minute)\n"
    "           --demo[=DIR]    the demo, in DIR (default ./vimora-demo)\n"
    "  -h,      --help          this text, and the plug-ins' own options\n");
}

static int Help(const tHostOptions &Options)
{
  Usage(stdout);
  cPluginManager helpManager(Options.pluginDir.c_str());
  for (const auto &p : Options.plugins)
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

static int RunScript(const tHostOptions &Options, const std::string &ScriptName, double Speed, time_t Start)
{
  FILE *f = ScriptName == "-" ? stdin : fopen(ScriptName.c_str(), "re");
  if (!f) {
     fprintf(stderr, "vimora-host: cannot read the script '%s'\n", ScriptName.c_str());
     return 2;
  }
  SetClockSpeed(Speed);
  // timers run in whole minutes: a script starts on one
  cClock::SetTime(Start ? Start : (cClock::Now() / 60 + 1) * 60);
  cSession session(Options);
  int result = 1;
  if (session.Start()) {
     cScript script(session);
     result = script.Run(f, ScriptName == "-" ? "<stdin>" : ScriptName.c_str());
  }
  if (f != stdin)
     fclose(f);
  return result;
}

int main(int argc, char *argv[])
{
  enum { oScript = 256, oDemo, oStart, oLocaleDir };
  static const struct option options[] = {
    { "config", required_argument, NULL, 'c' },
    { "video", required_argument, NULL, 'v' },
    { "lib", required_argument, NULL, 'L' },
    { "localedir", required_argument, NULL, oLocaleDir },
    { "plugin", required_argument, NULL, 'P' },
    { "audio", required_argument, NULL, 'a' },
    { "speed", required_argument, NULL, 's' },
    { "script", required_argument, NULL, oScript },
    { "demo", optional_argument, NULL, oDemo },
    { "start", required_argument, NULL, oStart },
    { "help", no_argument, NULL, 'h' },
    { NULL, 0, NULL, 0 }
  };
  tHostOptions o;
  o.pluginDir = VIMORA_DEFAULT_PLUGIN_DIR;
  std::string script, demoDir;
  bool demo = false, help = false;
  double speed = -1;
  time_t start = 0;
  int c;
  while ((c = getopt_long(argc, argv, "c:v:L:P:a:s:h", options, NULL)) != -1) {
    switch (c) {
      case 'c': o.configDir = optarg; break;
      case 'v': o.videoDir = optarg; break;
      case 'L': o.pluginDir = optarg; break;
      case oLocaleDir: o.localeDir = optarg; break;
      case 'P': o.plugins.push_back(optarg); break;
      case 'a': o.audioDir = optarg; break;
      case 's':
        if (!ParseSpeed(optarg, speed)) {
           fprintf(stderr, "vimora-host: bad speed '%s' (a number above 0, or max)\n", optarg);
           return 2;
        }
        break;
      case oScript: script = optarg; break;
      case oStart: {
        std::string t = optarg;
        size_t blank = t.find(' ');
        if (blank == std::string::npos || !ParseLocalTime(t.substr(0, blank), t.substr(blank + 1), start)) {
           fprintf(stderr, "vimora-host: bad start '%s' (YYYY-MM-DD hh:mm:ss)\n", optarg);
           return 2;
        }
        break;
      }
      case oDemo:
        demo = true;
        // "--demo DIR" as well as "--demo=DIR"
        if (optarg)
           demoDir = optarg;
        else if (optind < argc && argv[optind][0] != '-')
           demoDir = argv[optind++];
        break;
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
  if (help)
     return Help(o);
  if (demo && !script.empty()) {
     fprintf(stderr, "vimora-host: --demo and --script exclude each other\n");
     return 2;
  }
  if (demo)
     return RunDemo(o.pluginDir, demoDir.empty() ? "vimora-demo" : demoDir);
  if (!script.empty())
     return RunScript(o, script, speed < 0 ? 0 : speed, start);
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
     fprintf(stderr, "vimora-host: no terminal: run a script with --script FILE (- for standard input), or --demo\n");
     return 2;
  }
  return RunInteractive(o, speed < 0 ? 1 : speed);
}
