#include "keyboard.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <unistd.h>
#include <vdr/remote.h>

// How long the reader waits for the rest of an escape sequence.
static const int EscapeWaitMs = 50;

const char *KeyMapText[] = {
  "arrow keys           Up Down Left Right",
  "Enter                Ok",
  "Backspace, Esc       Back",
  "F1-F4, r g y b       Red Green Yellow Blue",
  "0-9                  digits",
  "m                    Menu",
  "i                    Info",
  "space                Play/Pause",
  "<  >                 fast rewind, fast forward",
  "s                    Stop",
  "+  -                 clock faster, slower",
  "q, Ctrl-C            quit",
  "Ctrl-L               redraw",
  "?                    this map (any key closes it)",
  NULL
};

static tTerminalKey Remote(eKeys Key)
{
  return { tcKey, Key };
}

static tTerminalKey Command(eTerminalCommand Command)
{
  return { Command, kNone };
}

static bool PlainKey(unsigned char c, tTerminalKey &Key)
{
  if (c >= '0' && c <= '9') {
     Key = Remote(eKeys(k0 + (c - '0')));
     return true;
  }
  switch (c) {
    case '\r': case '\n':  Key = Remote(kOk); return true;
    case 127: case 8:      Key = Remote(kBack); return true;
    case 'r': case 'R':    Key = Remote(kRed); return true;
    case 'g': case 'G':    Key = Remote(kGreen); return true;
    case 'y': case 'Y':    Key = Remote(kYellow); return true;
    case 'b': case 'B':    Key = Remote(kBlue); return true;
    case 'm': case 'M':    Key = Remote(kMenu); return true;
    case 'i': case 'I':    Key = Remote(kInfo); return true;
    case ' ':              Key = Remote(kPause); return true;
    case '<':              Key = Remote(kFastRew); return true;
    case '>':              Key = Remote(kFastFwd); return true;
    case 's': case 'S':    Key = Remote(kStop); return true;
    case '+':              Key = Command(tcFaster); return true;
    case '-':              Key = Command(tcSlower); return true;
    case 'q': case 'Q': case 3: Key = Command(tcQuit); return true;
    case '?':              Key = Command(tcHelp); return true;
    case 12:               Key = Command(tcRedraw); return true;
    default:               return false;
  }
}

// An escape sequence without its ESC: "[A", "OP", "[11~", "[[A" (Linux console).
static bool SequenceKey(const std::string &Seq, tTerminalKey &Key)
{
  static const struct {
    const char *seq;
    eKeys key;
  } sequences[] = {
    { "[A", kUp }, { "OA", kUp }, { "[B", kDown }, { "OB", kDown },
    { "[C", kRight }, { "OC", kRight }, { "[D", kLeft }, { "OD", kLeft },
    { "OM", kOk },
    { "OP", kRed }, { "[11~", kRed }, { "[[A", kRed },
    { "OQ", kGreen }, { "[12~", kGreen }, { "[[B", kGreen },
    { "OR", kYellow }, { "[13~", kYellow }, { "[[C", kYellow },
    { "OS", kBlue }, { "[14~", kBlue }, { "[[D", kBlue },
  };
  for (const auto &s : sequences) {
      if (Seq == s.seq) {
         Key = Remote(s.key);
         return true;
      }
  }
  return false;
}

static bool FinalByte(char c)
{
  return c >= 0x40 && c <= 0x7E;
}

void cKeyDecoder::Decode(std::vector<tTerminalKey> &Keys, bool Final)
{
  tTerminalKey key;
  size_t i = 0;
  while (i < pending.size()) {
    if (pending[i] != 27) {
       if (PlainKey((unsigned char)pending[i], key))
          Keys.push_back(key);
       i++;
       continue;
    }
    if (i + 1 >= pending.size()) {
       if (!Final)
          break;
       Keys.push_back(Remote(kBack)); // a lone ESC is the Esc key
       i++;
       continue;
    }
    char introducer = pending[i + 1];
    if (introducer != '[' && introducer != 'O') {
       Keys.push_back(Remote(kBack)); // ESC, and the next byte on its own
       i++;
       continue;
    }
    size_t j = i + 2;
    if (introducer == '[' && j < pending.size() && pending[j] == '[')
       j++; // the Linux console's function keys: ESC [ [ A
    else if (introducer == '[') {
       while (j < pending.size() && !FinalByte(pending[j]))
         j++;
    }
    if (j >= pending.size()) {
       if (!Final)
          break;
       i = pending.size(); // a cut sequence means nothing
       continue;
    }
    if (SequenceKey(pending.substr(i + 1, j - i), key))
       Keys.push_back(key);
    i = j + 1;
  }
  pending.erase(0, i);
}

std::vector<tTerminalKey> cKeyDecoder::Put(const std::string &Bytes)
{
  pending += Bytes;
  std::vector<tTerminalKey> keys;
  Decode(keys, false);
  return keys;
}

std::vector<tTerminalKey> cKeyDecoder::Flush(void)
{
  std::vector<tTerminalKey> keys;
  Decode(keys, true);
  return keys;
}

// --- cKeyboard -----------------------------------------------------------------

cKeyboard::cKeyboard(int Fd)
{
  fd = Fd;
  running = false;
}

cKeyboard::~cKeyboard()
{
  Stop();
}

void cKeyboard::Start(void)
{
  running = true;
  thread = std::thread([this] { Action(); });
}

void cKeyboard::Stop(void)
{
  running = false;
  if (thread.joinable())
     thread.join();
}

void cKeyboard::Deliver(const std::vector<tTerminalKey> &Keys)
{
  for (const auto &k : Keys) {
      if (k.command == tcKey)
         cRemote::Put(k.key);
      std::lock_guard<std::mutex> lock(mutex);
      commands.push_back(k.command);
  }
}

void cKeyboard::Action(void)
{
  cKeyDecoder decoder;
  while (running) {
    struct pollfd p = { fd, POLLIN, 0 };
    int r = poll(&p, 1, EscapeWaitMs);
    if (r < 0 && errno == EINTR)
       continue;
    if (r == 0) {
       if (decoder.Pending())
          Deliver(decoder.Flush());
       continue;
    }
    char buf[64];
    ssize_t n = r > 0 ? read(fd, buf, sizeof(buf)) : -1;
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
       continue;
    if (n <= 0) {
       // the terminal is gone
       Deliver({ Command(tcQuit) });
       break;
    }
    Deliver(decoder.Put(std::string(buf, n)));
  }
}

std::vector<eTerminalCommand> cKeyboard::Commands(void)
{
  std::lock_guard<std::mutex> lock(mutex);
  std::vector<eTerminalCommand> c(commands.begin(), commands.end());
  commands.clear();
  return c;
}
