#include "catalogue.h"

#include <stdint.h>
#include <string.h>
#include <strings.h>
#include <vdr/tools.h>

// A catalogue of some thousand texts has a few hundred kilobytes; anything near this
// is not one.
static const size_t MaxCatalogueSize = 64 * 1024 * 1024;

static bool ReadWhole(const char *FileName, std::string &Data)
{
  FILE *f = fopen(FileName, "re");
  if (!f)
     return false;
  char buffer[16384];
  size_t n;
  bool ok = true;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) {
    if (Data.size() + n > MaxCatalogueSize) {
       errno = EFBIG;
       ok = false;
       break;
    }
    Data.append(buffer, n);
  }
  if (ok && ferror(f)) {
     errno = EIO;
     ok = false;
  }
  fclose(f);
  return ok;
}

// The value of the header field Field ("charset=" in "Content-Type: text/plain;
// charset=UTF-8\n"), or "".
static std::string HeaderValue(const char *Header, const char *Field)
{
  const char *p = strstr(Header, Field);
  if (!p)
     return "";
  p += strlen(Field);
  size_t n = strcspn(p, " \t;\n");
  return std::string(p, n);
}

bool cMessageCatalogue::Load(const char *FileName)
{
  data.clear();
  texts.clear();
  if (!ReadWhole(FileName, data)) {
     if (errno != ENOENT)
        esyslog("ERROR: cannot read message catalogue %s: %s", FileName, strerror(errno));
     data.clear();
     return false;
  }
  if (!Parse(FileName)) {
     data.clear();
     texts.clear();
     return false;
  }
  return true;
}

bool cMessageCatalogue::Parse(const char *FileName)
{
  const unsigned char *d = (const unsigned char *)data.data();
  size_t size = data.size();
  if (size < 28) {
     esyslog("ERROR: %s: no message catalogue", FileName);
     return false;
  }
  // msgfmt writes the byte order of the machine it runs on; the magic number tells it
  bool bigEndian;
  if (d[0] == 0xde && d[1] == 0x12 && d[2] == 0x04 && d[3] == 0x95)
     bigEndian = false;
  else if (d[0] == 0x95 && d[1] == 0x04 && d[2] == 0x12 && d[3] == 0xde)
     bigEndian = true;
  else {
     esyslog("ERROR: %s: no message catalogue", FileName);
     return false;
  }
  auto Word = [d, bigEndian](size_t Offset) -> uint64_t {
    const unsigned char *p = d + Offset;
    return bigEndian ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                     : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
  };
  uint64_t revision = Word(4);
  if ((revision >> 16) > 1) {
     esyslog("ERROR: %s: message catalogue of unknown revision %llu", FileName, (unsigned long long)revision);
     return false;
  }
  uint64_t count = Word(8), originals = Word(12), translations = Word(16);
  if (originals + count * 8 > size || translations + count * 8 > size) {
     esyslog("ERROR: %s: damaged message catalogue", FileName);
     return false;
  }
  // A text of Length bytes at Offset, followed by the NUL the format requires.
  auto Text = [d, size](uint64_t Length, uint64_t Offset) -> const char * {
    return Offset + Length < size && d[Offset + Length] == 0 ? (const char *)d + Offset : NULL;
  };
  for (uint64_t i = 0; i < count; i++) {
      const char *key = Text(Word(originals + i * 8), Word(originals + i * 8 + 4));
      const char *text = Text(Word(translations + i * 8), Word(translations + i * 8 + 4));
      if (!key || !text) {
         esyslog("ERROR: %s: damaged message catalogue", FileName);
         return false;
      }
      if (!*key) {
         // the header: the texts are in its charset, and the host shows UTF-8 only
         std::string charset = HeaderValue(text, "charset=");
         if (!charset.empty() && strcasecmp(charset.c_str(), "UTF-8") != 0 && strcasecmp(charset.c_str(), "UTF8") != 0 &&
             strcasecmp(charset.c_str(), "ASCII") != 0 && strcasecmp(charset.c_str(), "US-ASCII") != 0) {
            esyslog("ERROR: %s: message catalogue in %s, the host reads UTF-8 only", FileName, charset.c_str());
            return false;
         }
         continue;
      }
      // a plural entry holds "singular\0plural"; tr() asks for the singular
      if (*text)
         texts.emplace(std::string_view(key), text);
  }
  return true;
}

const char *cMessageCatalogue::Translate(const char *Key) const
{
  auto it = texts.find(std::string_view(Key));
  return it != texts.end() ? it->second : NULL;
}
