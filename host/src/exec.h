// Host-internal: the commands that SystemExec runs, by the host thread that waits for them,
// and the programs the host starts itself.
#ifndef __VDRHOST_EXEC_H
#define __VDRHOST_EXEC_H

#include <pthread.h>
#include <sys/types.h>
#include <vector>

// Ends (SIGTERM, then SIGKILL) the process group of the command the thread waits for,
// and any command the thread starts later on, until ForgetCommandsOf(Thread).
void KillCommandsOf(pthread_t Thread);
// The thread has ended: a new thread with its id runs commands again.
void ForgetCommandsOf(pthread_t Thread);

// Starts Argv[0], looked up in PATH, with Fds[i] as its descriptor i (-1: /dev/null) and
// no other descriptor open; the process id, or -1.
pid_t SpawnProgram(const char *const *Argv, const std::vector<int> &Fds);
// Whether Program is an executable file in one of the folders of PATH.
bool FoundInPath(const char *Program);
// Waits for the process to end: its exit status, or -1 when it did not exit normally.
int WaitProgram(pid_t Pid);

#endif
