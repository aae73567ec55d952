#include <vdr/config.h>

#include <algorithm>
#include <ctype.h>
#include <sstream>
#include <vdr/i18n.h>

cSetup Setup;

// Host settings kept under their own names in setup.conf.
static const struct {
  const char *name;
  int cSetup::*field;
} hostKeys[] = {
  { "MultiSpeedMode", &cSetup::MultiSpeedMode },
  { "ShowReplayMode", &cSetup::ShowReplayMode },
  { "OSDMessageTime", &cSetup::OSDMessageTime },
  { "MaxVideoFileSize", &cSetup::MaxVideoFileSize },
};

// As the recorder has them for TS recordings, in MB.
static const int MinVideoFileSize = 100;
static const int MaxVideoFileSizeTs = 1048570;
static const int DefaultVideoFileSize = 2000;

cSetup::cSetup(void)
{
  fileName = NULL;
  strn0cpy(OSDLanguage, I18N_DEFAULT_LOCALE, sizeof(OSDLanguage));
  AudioLanguages[0] = -1;
  MultiSpeedMode = 0;
  ShowReplayMode = 0;
  OSDMessageTime = 3;
  MaxVideoFileSize = DefaultVideoFileSize;
  MaxVideoFileBytes = 0;
}

long long cSetup::VideoFileLimit(void) const
{
  if (MaxVideoFileBytes > 0)
     return MaxVideoFileBytes;
  return (long long)std::min(std::max(MaxVideoFileSize, MinVideoFileSize), MaxVideoFileSizeTs) * 1024 * 1024;
}

cSetup::~cSetup()
{
  free(fileName);
}

static std::string Trimmed(const char *s, const char *e)
{
  while (s < e && isspace((unsigned char)*s))
    s++;
  while (e > s && isspace((unsigned char)e[-1]))
    e--;
  return std::string(s, e);
}

bool cSetup::Load(const char *FileName)
{
  free(fileName);
  fileName = strdup(FileName);
  entries.clear();
  FILE *f = fopen(fileName, "re");
  if (!f)
     return errno == ENOENT;
  isyslog("loading %s", fileName);
  cReadLine ReadLine;
  char *s;
  int line = 0;
  while ((s = ReadLine.Read(f)) != NULL) {
    line++;
    // Only whole lines are comments: values may hold '#' (a clip-name pattern does).
    char *first = s + strspn(s, " \t");
    if (*first == '#' || isempty(s))
       continue;
    char *eq = strchr(s, '=');
    if (!eq) {
       esyslog("ERROR: error in %s, line %d", fileName, line);
       continue;
    }
    std::string name = Trimmed(s, eq);
    std::string value = Trimmed(eq + 1, eq + strlen(eq));
    size_t dot = name.find('.');
    if (dot != std::string::npos)
       Set(name.substr(0, dot), name.substr(dot + 1), value);
    else if (name == "OSDLanguage")
       ParseOSDLanguage(value);
    else if (name == "AudioLanguages")
       ParseAudioLanguages(value);
    else {
       bool known = false;
       for (const auto &k : hostKeys) {
           if (name == k.name) {
              this->*k.field = atoi(value.c_str());
              known = true;
           }
       }
       if (!known)
          esyslog("ERROR: unknown config parameter: %s", name.c_str());
    }
  }
  fclose(f);
  return true;
}

void cSetup::ParseOSDLanguage(const std::string &Value)
{
  // Earlier versions of the host stored the index of the language in its order,
  // which is still the order of its languages.
  bool index = !Value.empty() && Value.size() < 4 && strspn(Value.c_str(), "0123456789") == Value.size();
  const char *locale = index ? I18nLocale(atoi(Value.c_str())) : Value.c_str();
  if (!locale) {
     esyslog("ERROR: unknown language: OSDLanguage = %s", Value.c_str());
     return;
  }
  strn0cpy(OSDLanguage, locale, sizeof(OSDLanguage));
  I18nSetLocale(OSDLanguage);
}

void cSetup::ParseAudioLanguages(const std::string &Value)
{
  std::istringstream codes(Value);
  std::string code;
  int n = 0;
  while (n < I18N_MAX_LANGUAGES && codes >> code) {
    int language = I18nLanguageIndex(code.c_str());
    if (language >= 0)
       AudioLanguages[n++] = language;
    else
       esyslog("ERROR: unknown language: AudioLanguages = %s", Value.c_str());
  }
  AudioLanguages[n] = -1;
}

bool cSetup::Save(void)
{
  if (!fileName)
     return false;
  cSafeFile f(fileName);
  if (!f.Open())
     return false;
  fprintf(f, "OSDLanguage = %s\n", OSDLanguage);
  std::string codes;
  for (const int *l = AudioLanguages; *l >= 0; l++)
      codes += std::string(codes.empty() ? "" : " ") + std::string(I18nLanguageCode(*l), 3);
  fprintf(f, "AudioLanguages = %s\n", codes.c_str());
  for (const auto &k : hostKeys)
      fprintf(f, "%s = %d\n", k.name, this->*k.field);
  for (const auto &e : entries)
      fprintf(f, "%s.%s = %s\n", e.plugin.c_str(), e.key.c_str(), e.value.c_str());
  return f.Close();
}

void cSetup::Set(const std::string &Plugin, const std::string &Key, const std::string &Value)
{
  for (auto &e : entries) {
      if (e.plugin == Plugin && e.key == Key) {
         e.value = Value;
         return;
      }
  }
  entries.push_back({ Plugin, Key, Value });
}

void cSetup::Store(const char *Name, const char *Value, const char *Plugin)
{
  if (!Name || !Plugin)
     return;
  if (Value) {
     // a line break would split the stored line and corrupt the file
     std::string v(Value);
     for (auto &c : v)
         if (c == '\n' || c == '\r')
            c = ' ';
     Set(Plugin, Name, v);
  }
  else {
     for (auto it = entries.begin(); it != entries.end(); ++it) {
         if (it->plugin == Plugin && it->key == Name) {
            entries.erase(it);
            break;
         }
     }
  }
  Save();
}

const char *cSetup::Get(const char *Plugin, const char *Name) const
{
  for (const auto &e : entries)
      if (e.plugin == Plugin && e.key == Name)
         return e.value.c_str();
  return NULL;
}
