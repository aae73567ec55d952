#include "exec.h"

#include <map>
#include <set>
#include <mutex>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/tools.h>

namespace {

std::mutex commandsMutex;
std::map<pthread_t, pid_t> commands; // the waiting thread -> the command's process group
// Threads that were cancelled: a command they start after the cancel would otherwise
// slip past it and run to its end.
std::set<pthread_t> cancelled;

void CloseInheritedFiles(void)
{
  long maxFd = sysconf(_SC_OPEN_MAX);
  if (maxFd < 0 || maxFd > 65536)
     maxFd = 65536;
  for (int fd = STDERR_FILENO + 1; fd < maxFd; fd++)
      close(fd);
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
     sigset_t none;
     sigemptyset(&none);
     sigprocmask(SIG_SETMASK, &none, NULL);
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
  int status = 0;
  pid_t r = 0;
  if (cancelledMeanwhile) {
     // the cancel came between the check above and now: end the command as it would have
     kill(-pid, SIGTERM);
     for (int i = 0; i < 50 && (r = waitpid(pid, &status, WNOHANG)) == 0; i++)
         usleep(10000);
     if (r == 0)
        kill(-pid, SIGKILL);
  }
  if (r <= 0) {
     while ((r = waitpid(pid, &status, 0)) < 0 && errno == EINTR)
           ;
  }
  {
    std::lock_guard<std::mutex> lk(commandsMutex);
    commands.erase(pthread_self());
  }
  if (r < 0) {
     LOG_ERROR_STR("waitpid");
     return -1;
  }
  if (WIFEXITED(status))
     return WEXITSTATUS(status);
  return -1;
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
