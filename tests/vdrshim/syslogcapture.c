/* Preloaded into the recorder by the tests: its syslog lines go to the file named by
 * VIMORA_SYSLOG_FILE (one line each, "<priority> text"), not to the system log, so a test
 * reads exactly its own recorder's log. The recorder is built with _FORTIFY_SOURCE, so
 * the checking variants are replaced too. */
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <syslog.h>
#include <unistd.h>

static void Append(int Priority, const char *Format, va_list Args)
{
  int error = errno; /* for %m */
  const char *path = getenv("VIMORA_SYSLOG_FILE");
  if (!path)
     return;
  char line[4096];
  int n = snprintf(line, sizeof(line), "%d ", LOG_PRI(Priority));
  errno = error;
  int m = vsnprintf(line + n, sizeof(line) - n - 1, Format, Args);
  if (m < 0)
     m = 0;
  n += m;
  if (n > (int)sizeof(line) - 2)
     n = sizeof(line) - 2;
  while (n > 0 && line[n - 1] == '\n')
        n--;
  line[n++] = '\n';
  FILE *f = fopen(path, "a");
  if (!f)
     return;
  /* threads and processes of the recorder write at once: one whole line each */
  flock(fileno(f), LOCK_EX);
  fwrite(line, 1, n, f);
  fflush(f);
  flock(fileno(f), LOCK_UN);
  fclose(f);
}

void vsyslog(int Priority, const char *Format, va_list Args)
{
  Append(Priority, Format, Args);
}

void syslog(int Priority, const char *Format, ...)
{
  va_list args;
  va_start(args, Format);
  Append(Priority, Format, args);
  va_end(args);
}

void __vsyslog_chk(int Priority, int Flag, const char *Format, va_list Args)
{
  (void)Flag;
  Append(Priority, Format, Args);
}

void __syslog_chk(int Priority, int Flag, const char *Format, ...)
{
  (void)Flag;
  va_list args;
  va_start(args, Format);
  Append(Priority, Format, args);
  va_end(args);
}

void openlog(const char *Ident, int Option, int Facility)
{
  (void)Ident;
  (void)Option;
  (void)Facility;
}

void closelog(void)
{
}
