#include <vdr/menuitems.h>

#include <vdr/i18n.h>
#include <vdr/plugin.h>
#include <vdr/skins.h>

// --- cMenuEditItem ---------------------------------------------------------

cMenuEditItem::cMenuEditItem(const char *Name)
{
  name = strdup(Name ? Name : "");
}

cMenuEditItem::~cMenuEditItem()
{
  free(name);
}

void cMenuEditItem::SetValue(const char *Value)
{
  SetText(cString::sprintf("%s:\t%s", name, Value));
}

// --- cMenuEditIntItem ------------------------------------------------------

cMenuEditIntItem::cMenuEditIntItem(const char *Name, int *Value, int Min, int Max, const char *MinString, const char *MaxString)
  : cMenuEditItem(Name)
{
  value = Value;
  min = Min;
  max = Max;
  minString = MinString;
  maxString = MaxString;
  Set();
}

void cMenuEditIntItem::Set(void)
{
  if (minString && *value == min)
     SetValue(minString);
  else if (maxString && *value == max)
     SetValue(maxString);
  else
     SetValue(cString::sprintf("%d", *value));
}

eOSState cMenuEditIntItem::ProcessKey(eKeys Key)
{
  eOSState state = cMenuEditItem::ProcessKey(Key);
  if (state != osUnknown)
     return state;
  bool repeat = Key & k_Repeat;
  bool wrap = !repeat && max != INT_MAX;
  long long newValue = *value;
  eKeys key = NORMALKEY(Key);
  if (key >= k0 && key <= k9) {
     // digits replace the number's digits; the sign stays
     int digit = key - k0;
     long long sign = *value < 0 ? -1 : 1;
     long long magnitude = fresh ? 0 : newValue * sign;
     newValue = sign * (magnitude * 10 + digit);
     if (newValue < min || newValue > max)
        newValue = sign * digit; // a number too long starts over
     if (newValue < min || newValue > max)
        return osContinue;
     fresh = false;
  }
  else if (key == kLeft) {
     newValue--;
     if (newValue < min)
        newValue = wrap ? max : min;
     else if (newValue > max)
        newValue = max;
     fresh = true;
  }
  else if (key == kRight) {
     newValue++;
     if (newValue > max)
        newValue = wrap ? min : max;
     else if (newValue < min)
        newValue = min;
     fresh = true;
  }
  else
     return osUnknown;
  if (newValue != *value) {
     *value = int(newValue);
     Set();
  }
  return osContinue;
}

// --- cMenuEditBoolItem -----------------------------------------------------

cMenuEditBoolItem::cMenuEditBoolItem(const char *Name, int *Value, const char *FalseString, const char *TrueString)
  : cMenuEditIntItem(Name, Value, 0, 1)
{
  falseString = FalseString ? FalseString : tr("no");
  trueString = TrueString ? TrueString : tr("yes");
  Set();
}

void cMenuEditBoolItem::Set(void)
{
  SetValue(*value ? trueString : falseString);
}

// --- cMenuEditStraItem -----------------------------------------------------

cMenuEditStraItem::cMenuEditStraItem(const char *Name, int *Value, int NumStrings, const char *const *Strings)
  : cMenuEditIntItem(Name, Value, 0, NumStrings - 1)
{
  strings = Strings;
  Set();
}

void cMenuEditStraItem::Set(void)
{
  // a stored value outside the choices is shown as it is, never used as an index
  if (*value >= min && *value <= max)
     SetValue(strings[*value]);
  else
     cMenuEditIntItem::Set();
}

// --- cMenuEditStrItem ------------------------------------------------------

static const char *DefaultAllowed = " abcdefghijklmnopqrstuvwxyz0123456789-.,#~\\^$[]|()*+?{}/:%@&";

static std::vector<std::string> Utf8Chars(const char *s)
{
  std::vector<std::string> chars;
  while (*s) {
    int n = Utf8CharLen(s);
    chars.push_back(std::string(s, n));
    s += n;
  }
  return chars;
}

// Upper and lower case of ASCII and the Latin-1 letters (U+00C0..U+00FE).
static bool IsUpper(const std::string &c)
{
  unsigned char b = c.size() == 2 && (unsigned char)c[0] == 0xC3 ? c[1] : 0;
  return (c.size() == 1 && isupper((unsigned char)c[0])) || (b >= 0x80 && b <= 0x9E && b != 0x97);
}

static bool IsLower(const std::string &c)
{
  unsigned char b = c.size() == 2 && (unsigned char)c[0] == 0xC3 ? c[1] : 0;
  return (c.size() == 1 && islower((unsigned char)c[0])) || (b >= 0xA0 && b <= 0xBE && b != 0xB7 && b != 0xBF);
}

static std::string ToggleCase(std::string c)
{
  bool upper = IsUpper(c);
  if (!upper && !IsLower(c))
     return c;
  if (c.size() == 1)
     c[0] = upper ? tolower((unsigned char)c[0]) : toupper((unsigned char)c[0]);
  else
     c[1] = char((unsigned char)c[1] + (upper ? 0x20 : -0x20));
  return c;
}

cMenuEditStrItem::cMenuEditStrItem(const char *Name, char *Value, int Length, const char *Allowed)
  : cMenuEditItem(Name)
{
  value = Value;
  length = Length;
  allowed = Utf8Chars(Allowed && *Allowed ? Allowed : DefaultAllowed);
  pos = -1;
  Set();
}

void cMenuEditStrItem::Set(void)
{
  if (pos < 0) {
     SetValue(value);
     return;
  }
  std::string s;
  for (int i = 0; i < int(chars.size()); i++)
      s += i == pos ? "[" + chars[i] + "]" : chars[i];
  SetValue(s.c_str());
}

void cMenuEditStrItem::Split(void)
{
  chars = Utf8Chars(value);
}

bool cMenuEditStrItem::Fits(size_t ExtraBytes) const
{
  size_t n = ExtraBytes;
  for (const auto &c : chars)
      n += c.size();
  return int(n) < length;
}

void cMenuEditStrItem::Write(void)
{
  std::string s;
  for (const auto &c : chars)
      s += c;
  Utf8Strn0Cpy(value, s.c_str(), length);
}

void cMenuEditStrItem::Step(int Direction)
{
  std::string c = chars[pos];
  bool upper = IsUpper(c);
  if (upper)
     c = ToggleCase(c);
  int n = int(allowed.size());
  int i = 0;
  while (i < n && allowed[i] != c)
    i++;
  if (i == n) // not in the list: start at its near end
     i = Direction > 0 ? n - 1 : 0;
  size_t room = chars[pos].size();
  for (int tries = 0; tries < n; tries++) {
      i = (i + Direction + n) % n;
      std::string next = upper ? ToggleCase(allowed[i]) : allowed[i];
      if (next.size() <= room || Fits(next.size() - room)) { // a wider character may not fit
         chars[pos] = next;
         return;
      }
  }
}

eOSState cMenuEditStrItem::ProcessKey(eKeys Key)
{
  eKeys key = NORMALKEY(Key);
  if (pos < 0) {
     if (key != kRight || length < 2)
        return cMenuEditItem::ProcessKey(Key);
     Split();
     if (chars.empty())
        chars.push_back(" ");
     pos = 0;
  }
  else {
     switch (key) {
       case kLeft:
         if (pos > 0)
            pos--;
         break;
       case kRight:
         if (pos < int(chars.size()) - 1)
            pos++;
         else if (chars[pos] != " " && Fits(1)) {
            chars.push_back(" ");
            pos++;
         }
         break;
       case kUp:
         Step(1);
         break;
       case kDown:
         Step(-1);
         break;
       case kRed: {
         std::string c = ToggleCase(chars[pos]);
         if (c.size() == chars[pos].size())
            chars[pos] = c;
         break;
       }
       case kGreen:
         if (Fits(1))
            chars.insert(chars.begin() + pos, " ");
         break;
       case kYellow:
         chars.erase(chars.begin() + pos);
         if (chars.empty())
            chars.push_back(" ");
         if (pos >= int(chars.size()))
            pos = int(chars.size()) - 1;
         break;
       case kOk:
         while (!chars.empty() && chars.back() == " ")
           chars.pop_back();
         pos = -1;
         break;
       default:
         return osUnknown;
     }
  }
  Write();
  Set();
  return osContinue;
}

// --- cMenuSetupPage --------------------------------------------------------

cMenuSetupPage::cMenuSetupPage(void)
  : cOsdMenu("", 33)
{
  plugin = NULL;
}

void cMenuSetupPage::SetSection(const char *Section)
{
  SetTitle(cString::sprintf("%s - %s", tr("Setup"), Section));
}

void cMenuSetupPage::SetPlugin(cPlugin *Plugin)
{
  plugin = Plugin;
  if (plugin)
     SetSection(cString::sprintf("%s '%s'", tr("Plugin"), plugin->Name()));
}

void cMenuSetupPage::SetupStore(const char *Name, const char *Value)
{
  if (plugin)
     plugin->SetupStore(Name, Value);
}

void cMenuSetupPage::SetupStore(const char *Name, int Value)
{
  if (plugin)
     plugin->SetupStore(Name, Value);
}

eOSState cMenuSetupPage::ProcessKey(eKeys Key)
{
  eOSState state = cOsdMenu::ProcessKey(Key);
  if (state == osUnknown && Key == kOk) {
     Store();
     state = osBack;
  }
  return state;
}

// --- cMenuText -------------------------------------------------------------

cMenuText::cMenuText(const char *Title, const char *Text, eDvbFont Font)
  : cOsdMenu(Title)
{
  text = Text ? Text : "";
  font = Font;
}

void cMenuText::SetText(const char *Text)
{
  text = Text ? Text : "";
}

void cMenuText::Display(void)
{
  cOsdMenu::Display();
  DisplayMenu()->SetText(text.c_str(), font == fontFix);
  DisplayMenu()->Flush();
}

eOSState cMenuText::ProcessKey(eKeys Key)
{
  switch (int(NORMALKEY(Key))) {
    case kUp:
    case kDown:
    case kLeft:
    case kRight:
      if (DisplayMenu()) {
         eKeys k = NORMALKEY(Key);
         DisplayMenu()->Scroll(k == kUp || k == kLeft, k == kLeft || k == kRight);
         DisplayMenu()->Flush();
      }
      return osContinue;
    case kOk:
      return osBack;
    default:
      return cOsdMenu::ProcessKey(Key);
  }
}
