#include "vdrrecorder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testenv.h"

static const int SvdrpTimeoutMs = 10000;

// A port nobody listens on now; the recorder takes it a moment later.
static int FreeLoopbackPort(void)
{
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0)
     return 0;
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(a);
  int port = 0;
  if (bind(fd, (sockaddr *)&a, sizeof(a)) == 0 && getsockname(fd, (sockaddr *)&a, &len) == 0)
     port = ntohs(a.sin_port);
  close(fd);
  return port;
}

// Forks and runs Argv (found in PATH) with Env added, stdout and stderr into Output.
static pid_t Spawn(const std::vector<std::string> &Argv, const std::vector<std::string> &Env, const std::string &Output)
{
  pid_t pid = fork();
  if (pid == 0) {
     int out = open(Output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
     int in = open("/dev/null", O_RDONLY);
     if (out < 0 || in < 0)
        _exit(127);
     dup2(in, 0);
     dup2(out, 1);
     dup2(out, 2);
     for (const auto &e : Env)
         putenv(const_cast<char *>(e.c_str()));
     std::vector<char *> argv;
     for (const auto &a : Argv)
         argv.push_back(const_cast<char *>(a.c_str()));
     argv.push_back(nullptr);
     execvp(argv[0], argv.data());
     _exit(127);
     }
  return pid;
}

std::string Join(const std::vector<std::string> &Lines)
{
  std::string text;
  for (const auto &l : Lines)
      text += l + "\n";
  return text;
}

int RunQuietly(const std::vector<std::string> &Argv)
{
  pid_t pid = Spawn(Argv, {}, "/dev/null");
  int status;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
     return -1;
  return WEXITSTATUS(status);
}

// The service IDs of the formats' channels follow the music channel's.
static int FormatSid(const tBroadcastFormat &Format)
{
  return 10100 + int(&Format - &BroadcastFormats().front());
}

std::string VdrFormatChannelID(const tBroadcastFormat &Format)
{
  return "S19.2E-1-1092-" + std::to_string(FormatSid(Format));
}

cVdrRecorder::cVdrRecorder(const std::string &Root, const std::string &LocaleDir)
: root(Root)
{
  configDir = root + "/vdr-config";
  videoDir = root + "/vdr-video";
  cacheDir = root + "/vdr-cache";
  resourceDir = root + "/vdr-resources";
  localeDir = LocaleDir;
  logFile = root + "/vdr.log";
  for (const auto &d : { configDir, videoDir, cacheDir, resourceDir, localeDir })
      mkdir(d.c_str(), 0755);
  // the channel display the recorder opens at start-up closes after a second (see Start)
  WriteFile(configDir + "/setup.conf", "EPGScanTimeout = 0\nChannelInfoTime = 1\nOSDSkin = vimoratext\n");
  WriteFile(configDir + "/svdrphosts.conf", "127.0.0.1\n");
  WriteFile(configDir + "/sources.conf", "S19.2E  Astra 1KR/1L/1M/1N\n");
  std::string formats = ":Formats\n";
  for (const tBroadcastFormat &f : BroadcastFormats())
      if (&f != &DefaultBroadcastFormat())
         formats += std::string("Vimora ") + f.name + ";Vimora:11954:HC34M2S0:S19.2E:27500:" + f.VpidField() + ":" + f.ApidField() +
                    ":0:0:" + std::to_string(FormatSid(f)) + ":1:1092:0\n";
  WriteFile(configDir + "/channels.conf",
            ":Vimora\n"
            "VimoraMusic;Vimora:11954:HC34M2S0:S19.2E:27500:101=2:102=deu@3:0:0:10100:1:1092:0\n"
            "OtherChannel;Other:12188:HC34M2S0:S19.2E:27500:201=2:202=deu@3:0:0:28006:1:1101:0\n" + formats);
}

cVdrRecorder::~cVdrRecorder()
{
  CloseSvdrp();
  if (pid > 0) {
     kill(pid, SIGKILL);
     waitpid(pid, NULL, 0);
     }
}

bool cVdrRecorder::Start(const std::vector<std::string> &Plugins, const std::vector<std::string> &Env, int TimeoutS)
{
  // A recorder that ends at once is started again, once: the free port may have been taken
  // meanwhile. Whatever it logged stays in the log that the tests check for errors.
  for (int attempt = 0; attempt < 2; attempt++) {
      if (StartOnce(Plugins, Env, TimeoutS))
         return true;
      if (!Ended())
         break;
  }
  return false;
}

bool cVdrRecorder::StartOnce(const std::vector<std::string> &Plugins, const std::vector<std::string> &Env, int TimeoutS)
{
  {
    std::lock_guard<std::mutex> lock(svdrpMutex);
    CloseSvdrp(); // a connection to a recorder before this one
  }
  port = FreeLoopbackPort();
  std::vector<std::string> argv = {
    "vdr", "-c", configDir, "-v", videoDir, "-L", pluginDir,
    "--no-kbd", "-D-", "--port", std::to_string(port), "-E", cacheDir + "/epg.data",
    "--cachedir", cacheDir, "--resdir", resourceDir, "--localedir", localeDir,
  };
  for (const auto &p : Plugins) {
      argv.push_back("-P");
      argv.push_back(p);
      }
  if (command)
     argv = command(port);
  std::vector<std::string> env = Env;
  env.push_back("LD_PRELOAD=" VIMORA_SYSLOG_SHIM);
  env.push_back("VIMORA_SYSLOG_FILE=" + logFile);
  int opened = OsdsOpened(); // a recorder started again adds to the log of the one before
  pid = Spawn(argv, env, root + "/vdr.out");
  // Keys sent while the start-up channel display is open would go to that display, and
  // a replay launched meanwhile would not see them: ready means SVDRP answers and the
  // display has come and gone.
  if (pid > 0 && WaitUntil([&] { return Ended() || (!Svdrp("STAT disk").empty() && OsdsOpened() > opened && !OsdOpen()); }, TimeoutS)
      && Running())
     return true;
  Stop(5);
  return false;
}

// Reads one line (without CR LF) from Fd; false on time-out or end of stream.
static bool ReadLine(int Fd, std::string &Line)
{
  Line.clear();
  for (;;) {
      pollfd p = { Fd, POLLIN, 0 };
      char c;
      if (poll(&p, 1, SvdrpTimeoutMs) <= 0 || read(Fd, &c, 1) != 1)
         return false;
      if (c == '\n')
         break;
      if (c != '\r')
         Line += c;
      }
  return true;
}

// Reads one reply: lines "NNN-text" up to the last one, "NNN text".
static bool ReadReply(int Fd, std::vector<std::string> &Reply)
{
  std::string line;
  while (ReadLine(Fd, line)) {
        Reply.push_back(line);
        if (line.size() < 4 || line[3] != '-')
           return true;
        }
  return false;
}

std::vector<std::string> cVdrRecorder::Svdrp(const std::string &Command) const
{
  return SvdrpData(Command, {});
}

int cVdrRecorder::SvdrpConnection(void) const
{
  if (svdrp >= 0) {
     // nothing is due from the recorder between commands: what there is (its end of the
     // stream, a time-out's farewell) ends the connection
     pollfd p = { svdrp, POLLIN, 0 };
     if (poll(&p, 1, 0) == 0)
        return svdrp;
     CloseSvdrp();
     }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
     return -1;
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  std::vector<std::string> greeting;
  if (connect(fd, (sockaddr *)&a, sizeof(a)) == 0 && ReadReply(fd, greeting) && greeting.back().compare(0, 3, "220") == 0)
     return svdrp = fd;
  close(fd);
  return -1;
}

void cVdrRecorder::CloseSvdrp(void) const
{
  if (svdrp >= 0) {
     close(svdrp);
     svdrp = -1;
     }
}

std::vector<std::string> cVdrRecorder::SvdrpData(const std::string &Command, const std::vector<std::string> &Data) const
{
  std::lock_guard<std::mutex> lock(svdrpMutex);
  std::vector<std::string> reply;
  int fd = SvdrpConnection();
  if (fd < 0)
     return reply;
  std::string request = Command + "\r\n", data;
  for (const auto &l : Data)
      data += l + "\r\n";
  data += ".\r\n";
  if (!(write(fd, request.data(), request.size()) == ssize_t(request.size()) && ReadReply(fd, reply)
        && (Data.empty() || (reply.back().compare(0, 3, "354") == 0 && (reply.clear(), true)
                             && write(fd, data.data(), data.size()) == ssize_t(data.size()) && ReadReply(fd, reply)))))
     CloseSvdrp();
  return reply;
}

bool cVdrRecorder::Key(const std::string &Key) const
{
  std::vector<std::string> reply = Svdrp("HITK " + Key);
  return !reply.empty() && reply.back().compare(0, 3, "250") == 0;
}

bool cVdrRecorder::Ended(void)
{
  int status;
  if (pid <= 0 || waitpid(pid, &status, WNOHANG) != pid)
     return pid <= 0;
  pid = -1;
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

bool cVdrRecorder::Stop(int TimeoutS)
{
  if (pid <= 0)
     return exitCode >= 0;
  kill(pid, SIGTERM);
  bool ended = WaitUntil([this] { return Ended(); }, TimeoutS);
  if (!ended) {
     kill(pid, SIGKILL);
     waitpid(pid, NULL, 0);
     pid = -1;
     exitCode = -1;
     }
  std::lock_guard<std::mutex> lock(svdrpMutex);
  CloseSvdrp();
  return ended;
}

std::vector<std::string> cVdrRecorder::Log(void) const
{
  return Lines(ReadFile(logFile));
}

bool cVdrRecorder::LogHas(const std::string &Text) const
{
  return Count(Text) > 0;
}

std::vector<std::string> cVdrRecorder::Errors(void) const
{
  std::vector<std::string> errors;
  for (const auto &l : Log()) {
      int priority = atoi(l.c_str());
      if (priority <= 3 || l.find("invalid lock sequence") != std::string::npos)
         errors.push_back(l);
      }
  return errors;
}

int cVdrRecorder::OsdsOpened(void) const
{
  return Count("vimoradevice: OSD opened");
}

bool cVdrRecorder::OsdOpen(void) const
{
  return OsdsOpened() > Count("vimoradevice: OSD closed");
}

int cVdrRecorder::Count(const std::string &Text) const
{
  int n = 0;
  for (const auto &l : Log())
      n += l.find(Text) != std::string::npos;
  return n;
}

// A reply's text: the lines without their codes when they are the plug-in's (900).
static std::vector<std::string> PluginReply(const std::vector<std::string> &Reply)
{
  std::vector<std::string> text;
  for (const auto &l : Reply) {
      if (l.compare(0, 3, "900") != 0)
         return {};
      text.push_back(l.substr(4));
      }
  return text;
}

std::vector<std::string> cVdrRecorder::Screen(void) const
{
  return PluginReply(Svdrp("PLUG vimoradevice SCRN"));
}

bool cVdrRecorder::Shows(const std::string &Line, double TimeoutS) const
{
  return WaitUntil([&] {
    std::vector<std::string> screen = Screen();
    return std::find(screen.begin(), screen.end(), Line) != screen.end();
    }, TimeoutS);
}

std::vector<std::string> cVdrRecorder::Messages(void) const
{
  std::vector<std::string> messages = PluginReply(Svdrp("PLUG vimoradevice MSGS"));
  if (messages.size() == 1 && messages[0] == "Messages: none")
     messages.clear();
  return messages;
}

std::string cVdrRecorder::Output(void) const
{
  return ReadFile(root + "/vdr.out");
}

std::string HourMinute(time_t t)
{
  char s[8];
  struct tm tm;
  strftime(s, sizeof(s), "%H%M", localtime_r(&t, &tm));
  return s;
}

std::string Day(time_t t)
{
  char s[16];
  struct tm tm;
  strftime(s, sizeof(s), "%Y-%m-%d", localtime_r(&t, &tm));
  return s;
}
