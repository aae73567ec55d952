#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

tProcessResult RunProcess(const std::vector<std::string> &Argv, const std::string &Input)
{
  tProcessResult result = { -1, "", "" };
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err))
     return result;
  pid_t pid = fork();
  if (pid == 0) {
     dup2(in[0], 0);
     dup2(out[1], 1);
     dup2(err[1], 2);
     for (int fd : { in[0], in[1], out[0], out[1], err[0], err[1] })
         close(fd);
     std::vector<char *> argv;
     for (const auto &a : Argv)
         argv.push_back(const_cast<char *>(a.c_str()));
     argv.push_back(nullptr);
     execv(argv[0], argv.data());
     _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (!Input.empty() && write(in[1], Input.data(), Input.size()) < 0)
     result.err = "could not write input";
  close(in[1]);
  struct pollfd fds[2] = { { out[0], POLLIN, 0 }, { err[0], POLLIN, 0 } };
  int open = 2;
  while (open > 0 && poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; i++) {
        if (fds[i].revents) {
           char buf[4096];
           ssize_t n = read(fds[i].fd, buf, sizeof(buf));
           if (n > 0)
              (i == 0 ? result.out : result.err).append(buf, n);
           else {
              close(fds[i].fd);
              fds[i].fd = -1;
              open--;
           }
        }
    }
  }
  int status;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
     result.exitCode = WEXITSTATUS(status);
  return result;
}
