#include "exec.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/tools.h>

namespace {

std::mutex commandsMutex;
std::map<pthread_t, pid_t> commands; // the waiting thread -> the command's process group
// Threads that were cancelled: a command they start after the cancel would otherwise
// slip past it and run to its end.
std::set<pthread_t> cancelled;

void CloseInheritedFiles(int From = STDERR_FILENO + 1)
{
  long maxFd = sysconf(_SC_OPEN_MAX);
  if (maxFd < 0 || maxFd > 65536)
     maxFd = 65536;
  for (int fd = From; fd < maxFd; fd++)
      close(fd);
}

void UnblockSignals(void)
{
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, NULL);
}

// Ends a command as KillCommandsOf() would: SIGTERM, and SIGKILL when it has not ended
// within half a second. The process is left for the caller to collect.
void EndCommand(pid_t Pid)
{
  kill(-Pid, SIGTERM);
  for (int i = 0; i < 50; i++) {
      siginfo_t info;
      info.si_pid = 0;
      if (waitid(P_PID, id_t(Pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0)
         return;
      usleep(10000);
  }
  kill(-Pid, SIGKILL);
}

} // namespace

int SystemExec(const char *Command, bool Detached)
{
  if (!Command)
     return -1;
  {
    std::lock_guard<std::mutex> lk(commandsMutex);
    if (cancelled.count(pthread_self()))
       return -1;
  }
  pid_t pid = fork();
  if (pid < 0) {
     LOG_ERROR_STR("fork");
     return -1;
  }
  if (pid == 0) {
     setpgid(0, 0);
     UnblockSignals();
     CloseInheritedFiles();
     if (Detached && fork() > 0)
        _exit(0);
     execl("/bin/sh", "sh", "-c", Command, (char *)NULL);
     _exit(127);
  }
  setpgid(pid, pid); // both sides set it, so a kill right after fork finds the group
  bool cancelledMeanwhile;
  {
    std::lock_guard<std::mutex> lk(commandsMutex);
    commands[pthread_self()] = pid;
    cancelledMeanwhile = cancelled.count(pthread_self()) > 0;
  }
  if (cancelledMeanwhile) // between the check above and now
     EndCommand(pid);
  int result = WaitProgram(pid);
  {
    std::lock_guard<std::mutex> lk(commandsMutex);
    commands.erase(pthread_self());
  }
  return result;
}

void KillCommandsOf(pthread_t Thread)
{
  pid_t group = 0;
  {
    std::lock_guard<std::mutex> lk(commandsMutex);
    cancelled.insert(Thread);
    auto it = commands.find(Thread);
    if (it != commands.end())
       group = it->second;
  }
  if (group <= 0)
     return;
  kill(-group, SIGTERM);
  for (int i = 0; i < 50; i++) { // up to half a second to end tidily
      {
        std::lock_guard<std::mutex> lk(commandsMutex);
        auto it = commands.find(Thread);
        if (it == commands.end() || it->second != group)
           return;
      }
      usleep(10000);
  }
  kill(-group, SIGKILL);
}

void ForgetCommandsOf(pthread_t Thread)
{
  std::lock_guard<std::mutex> lk(commandsMutex);
  cancelled.erase(Thread);
}

pid_t SpawnProgram(const char *const *Argv, const std::vector<int> &Fds)
{
  if (!Argv || !Argv[0])
     return -1;
  int n = int(Fds.size());
  std::vector<int> moved(n); // made here: the child of a threaded process must not allocate
  pid_t pid = fork();
  if (pid < 0) {
     LOG_ERROR_STR("fork");
     return -1;
  }
  if (pid == 0) {
     UnblockSignals();
     // Fds[i] may be a number that an earlier dup2() would replace, so all of them first
     // move above the range that is filled.
     for (int i = 0; i < n; i++) {
         int fd = Fds[i] >= 0 ? Fds[i] : open("/dev/null", O_RDWR);
         if (fd < 0 || (moved[i] = fcntl(fd, F_DUPFD, n)) < 0)
            _exit(127);
     }
     for (int i = 0; i < n; i++) {
         if (dup2(moved[i], i) < 0)
            _exit(127);
     }
     CloseInheritedFiles(n);
     execvp(Argv[0], const_cast<char *const *>(Argv));
     _exit(127);
  }
  return pid;
}

bool FoundInPath(const char *Program)
{
  const char *path = getenv("PATH");
  if (!path || !Program || !*Program)
     return false;
  for (const char *p = path;; p++) {
      const char *end = strchrnul(p, ':');
      std::string dir(p, end - p);
      std::string file = (dir.empty() ? std::string(".") : dir) + "/" + Program;
      struct stat st;
      if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0)
         return true;
      if (!*end)
         return false;
      p = end;
  }
}

int WaitProgram(pid_t Pid)
{
  int status = 0;
  pid_t r;
  while ((r = waitpid(Pid, &status, 0)) < 0 && errno == EINTR)
        ;
  if (r < 0) {
     LOG_ERROR_STR("waitpid");
     return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
