// Host-internal: the commands that SystemExec runs, by the host thread that waits for them.
#ifndef __VDRHOST_EXEC_H
#define __VDRHOST_EXEC_H

#include <pthread.h>

// Ends (SIGTERM, then SIGKILL) the process group of the command the thread waits for,
// and any command the thread starts later on, until ForgetCommandsOf(Thread).
void KillCommandsOf(pthread_t Thread);
// The thread has ended: a new thread with its id runs commands again.
void ForgetCommandsOf(pthread_t Thread);

#endif
