// The terminal as a remote control: the bytes a terminal sends for key presses become
// remote keys and the program's own commands. A reader thread plays the part of a
// remote-control driver, so that a key reaches the host also while the main thread
// waits in a confirmation.
#ifndef __VIMORA_KEYBOARD_H
#define __VIMORA_KEYBOARD_H

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <vdr/keys.h>

enum eTerminalCommand {
  tcKey,     // a remote key
  tcQuit,
  tcHelp,    // show or hide the key map
  tcFaster,
  tcSlower,
  tcRedraw,
};

struct tTerminalKey {
  eTerminalCommand command;
  eKeys key; // for tcKey
  bool operator==(const tTerminalKey &k) const { return command == k.command && (command != tcKey || key == k.key); }
};

// Decodes terminal input, escape sequences included. A lone ESC is the Esc key only
// once no further byte follows it (Flush).
class cKeyDecoder {
private:
  std::string pending;
  void Decode(std::vector<tTerminalKey> &Keys, bool Final);

public:
  std::vector<tTerminalKey> Put(const std::string &Bytes);
  // Input paused: whatever is pending counts as complete.
  std::vector<tTerminalKey> Flush(void);
  bool Pending(void) const { return !pending.empty(); }
};

// The key map as shown by '?', one "keys  meaning" line each.
extern const char *KeyMapText[];

// Reads the terminal on a thread of its own: remote keys go to the host's key queue
// (cRemote), the other commands wait for the main thread in Commands().
class cKeyboard {
private:
  int fd;
  std::thread thread;
  std::atomic<bool> running;
  std::mutex mutex;
  std::deque<eTerminalCommand> commands;
  void Action(void);
  void Deliver(const std::vector<tTerminalKey> &Keys);

public:
  cKeyboard(int Fd);
  ~cKeyboard();
  void Start(void);
  void Stop(void);
  // The program commands since the last call, oldest first.
  std::vector<eTerminalCommand> Commands(void);
};

#endif
