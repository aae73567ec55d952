#include "log.h"

#include <stdarg.h>
#include "compat.h"

const char *cLogFile::LogFileName = NULL;
int cLogFile::loglevellimit = 0;

void cLogFile::Log(int Level, const char *Format, ...)
{
  if (Level > loglevellimit || !IsOpen())
     return;
  char *message;
  va_list ap;
  va_start(ap, Format);
  int n = vasprintf(&message, Format, ap);
  va_end(ap);
  if (n < 0)
     return;
  // One message, one line: a guide title may hold line breaks and escape sequences.
  for (char *p = message; *p; p++)
      if ((unsigned char)*p < ' ' || *p == 0x7F)
         *p = ' ';
  time_t now = VimoraNow();
  struct tm tm_r;
  localtime_r(&now, &tm_r);
  char date[32];
  char day[16];
  strftime(day, sizeof(day), "%d.%m.%Y", &tm_r);
  snprintf(date, sizeof(date), "%s %s", *WeekDayName(tm_r.tm_wday), day);
  char timeText[25];
  strftime(timeText, sizeof(timeText), "%T", &tm_r);
  char *line;
  if (asprintf(&line, "%s %s: %s\n", date, timeText, message) >= 0) {
     safe_write(*this, line, strlen(line));
     free(line);
  }
  free(message);
}

void cLogFile::eSysLog(const char *Format, ...)
{
  char *text;
  va_list ap;
  va_start(ap, Format);
  int n = vasprintf(&text, Format, ap);
  va_end(ap);
  if (n < 0)
     return;
  esyslog("Vimora: %s", text);
  Log(1, "%s", text);
  free(text);
}

void cLogFile::iSysLog(const char *Format, ...)
{
  char *text;
  va_list ap;
  va_start(ap, Format);
  int n = vasprintf(&text, Format, ap);
  va_end(ap);
  if (n < 0)
     return;
  isyslog("Vimora: %s", text);
  Log(1, "%s", text);
  free(text);
}
