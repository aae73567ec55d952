// Menu items that edit a caller's variable in place, setup pages and text pages.
#ifndef __VDR_MENUITEMS_H
#define __VDR_MENUITEMS_H

#include <limits.h>
#include <string>
#include <vector>
#include <vdr/osdbase.h>

// "Name:\tvalue"; the value is written to the caller's variable as it is edited.
class cMenuEditItem : public cOsdItem {
private:
  char *name;

public:
  cMenuEditItem(const char *Name);
  virtual ~cMenuEditItem();
  void SetValue(const char *Value);
};

// A number in Min..Max: digits type it, left and right step (wrapping at the ends).
// MinString/MaxString, when given, are shown instead of the extreme values.
class cMenuEditIntItem : public cMenuEditItem {
protected:
  int *value;
  int min, max;
  const char *minString, *maxString;

public:
  virtual void Set(void);
  cMenuEditIntItem(const char *Name, int *Value, int Min = 0, int Max = INT_MAX, const char *MinString = NULL, const char *MaxString = NULL);
  virtual eOSState ProcessKey(eKeys Key);
};

// 0 or 1, shown as FalseString/TrueString (default: the host's "no" and "yes").
class cMenuEditBoolItem : public cMenuEditIntItem {
protected:
  const char *falseString, *trueString;

public:
  virtual void Set(void);
  cMenuEditBoolItem(const char *Name, int *Value, const char *FalseString = NULL, const char *TrueString = NULL);
};

// One of NumStrings texts; the value is the index of the chosen one.
class cMenuEditStraItem : public cMenuEditIntItem {
private:
  const char *const *strings;

public:
  virtual void Set(void);
  cMenuEditStraItem(const char *Name, int *Value, int NumStrings, const char *const *Strings);
};

// A text of at most Length - 1 bytes in Value (a buffer of Length bytes). Right
// starts editing; then left/right move, up/down step through the Allowed characters
// (UTF-8), red toggles upper case, green inserts a blank, yellow deletes, and ok
// ends editing (trailing blanks are removed).
class cMenuEditStrItem : public cMenuEditItem {
private:
  char *value;
  int length;
  std::vector<std::string> allowed; // one UTF-8 character per entry
  std::vector<std::string> chars;   // the value being edited
  int pos;                          // cursor while editing, -1 otherwise
  void Split(void);
  void Write(void);
  bool Fits(size_t ExtraBytes) const;
  void Step(int Direction);

public:
  virtual void Set(void);
  cMenuEditStrItem(const char *Name, char *Value, int Length, const char *Allowed = NULL);
  bool InEditMode(void) const { return pos >= 0; }
  virtual eOSState ProcessKey(eKeys Key);
};

class cPlugin;

// A plug-in's setup page: ok stores (Store) and leaves, back leaves without storing.
class cMenuSetupPage : public cOsdMenu {
private:
  cPlugin *plugin;

protected:
  void SetSection(const char *Section);
  virtual void Store(void) = 0;
  // Stores a value under the plug-in's name in the host's setup file.
  void SetupStore(const char *Name, const char *Value = NULL);
  void SetupStore(const char *Name, int Value);

public:
  cMenuSetupPage(void);
  void SetPlugin(cPlugin *Plugin);
  virtual eOSState ProcessKey(eKeys Key);
};

// A page of text; ok or back close it.
class cMenuText : public cOsdMenu {
private:
  std::string text;
  eDvbFont font;

public:
  cMenuText(const char *Title, const char *Text, eDvbFont Font = fontOsd);
  void SetText(const char *Text);
  const char *Text(void) const { return text.c_str(); }
  virtual void Display(void);
  virtual eOSState ProcessKey(eKeys Key);
};

#endif
