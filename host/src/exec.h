// Host-internal: the commands that SystemExec runs, by the host thread that waits for them.
#ifndef __VDRHOST_EXEC_H
#define __VDRHOST_EXEC_H

#include <pthread.h>

// Ends (SIGTERM, then SIGKILL) the process group of the command the thread waits for.
void KillCommandsOf(pthread_t Thread);

#endif
