#include <vdr/osdbase.h>

#include <ctype.h>
#include <vdr/skins.h>

// --- cOsdItem --------------------------------------------------------------

cOsdItem::cOsdItem(eOSState State)
{
  text = NULL;
  state = State;
  selectable = true;
  fresh = true;
}

cOsdItem::cOsdItem(const char *Text, eOSState State, bool Selectable)
{
  text = NULL;
  state = State;
  selectable = Selectable;
  fresh = true;
  SetText(Text);
}

cOsdItem::~cOsdItem()
{
  free(text);
}

void cOsdItem::SetText(const char *Text, bool Copy)
{
  char *old = text;
  text = Copy ? (Text ? strdup(Text) : NULL) : (char *)Text;
  if (old != text)
     free(old);
}

eOSState cOsdItem::ProcessKey(eKeys Key)
{
  return Key == kOk ? state : osUnknown;
}

// --- cOsdMenu --------------------------------------------------------------

cSkinDisplayMenu *cOsdMenu::displayMenu = NULL;
int cOsdMenu::displayMenuCount = 0;
int cOsdMenu::displayMenuItems = 12; // until a display tells how many fit

cOsdMenu::cOsdMenu(const char *Title, int c0, int c1, int c2, int c3, int c4)
{
  isMenu = true;
  first = 0;
  current = -1;
  digit = 0;
  hasHotkeys = false;
  subMenu = NULL;
  SetTitle(Title);
  SetCols(c0, c1, c2, c3, c4);
  displayMenuCount++;
}

cOsdMenu::~cOsdMenu()
{
  delete subMenu;
  if (--displayMenuCount == 0) {
     delete displayMenu;
     displayMenu = NULL;
  }
}

void cOsdMenu::SetTitle(const char *Title)
{
  title = Title ? Title : "";
}

void cOsdMenu::SetCols(int c0, int c1, int c2, int c3, int c4)
{
  int c[MaxCols] = { c0, c1, c2, c3, c4 };
  for (int i = 0; i < MaxCols; i++)
      cols[i] = c[i];
}

// "Button$Mark" -> "Mark": a context word reaches the screen only when nothing
// translated the text.
static std::string WithoutContext(const char *s)
{
  const char *p = s;
  while (isalnum((unsigned char)*p))
    p++;
  return *p == '$' && p > s ? p + 1 : s;
}

void cOsdMenu::SetHelp(const char *Red, const char *Green, const char *Yellow, const char *Blue)
{
  const char *h[4] = { Red, Green, Yellow, Blue };
  for (int i = 0; i < 4; i++)
      help[i] = h[i] ? WithoutContext(h[i]) : "";
}

void cOsdMenu::SetHasHotkeys(bool HasHotkeys)
{
  hasHotkeys = HasHotkeys;
  digit = 0;
}

const char *cOsdMenu::hk(const char *s)
{
  static cString buffer;
  if (s && hasHotkeys && digit < 9) {
     buffer = cString::sprintf("%d %s", ++digit, s);
     return buffer;
  }
  return s;
}

void cOsdMenu::SetCurrent(cOsdItem *Item)
{
  current = Item ? Item->Index() : -1;
  if (Item)
     Item->SetFresh(true);
}

void cOsdMenu::Add(cOsdItem *Item, bool Current, cOsdItem *After)
{
  cList<cOsdItem>::Add(Item, After);
  int index = Item->Index();
  if (After && current >= index)
     current++;
  if (Current || (current < 0 && Item->Selectable()))
     current = index;
}

void cOsdMenu::Ins(cOsdItem *Item, bool Current, cOsdItem *Before)
{
  cList<cOsdItem>::Ins(Item, Before);
  int index = Item->Index();
  if (current >= index)
     current++;
  if (Current || (current < 0 && Item->Selectable()))
     current = index;
}

void cOsdMenu::Del(int Index)
{
  cOsdItem *item = Get(Index);
  if (!item)
     return;
  cList<cOsdItem>::Del(item);
  if (Index < current)
     current--;
  if (current >= Count())
     current = Count() - 1;
  if (current >= 0 && !Get(current)->Selectable()) {
     int next = SelectableFrom(current, 1);
     current = next >= 0 ? next : SelectableFrom(current, -1);
  }
}

void cOsdMenu::Clear(void)
{
  cList<cOsdItem>::Clear();
  first = 0;
  current = -1;
  digit = 0;
}

int cOsdMenu::SelectableFrom(int Index, int Direction)
{
  for (int i = Index; i >= 0 && i < Count(); i += Direction) {
      cOsdItem *item = Get(i);
      if (item && item->Selectable())
         return i;
  }
  return -1;
}

void cOsdMenu::ClampFirst(void)
{
  int page = displayMenuItems;
  if (first > Count() - page)
     first = Count() - page;
  if (first < 0)
     first = 0;
  if (current >= 0 && current < first)
     first = current;
  if (current >= first + page)
     first = current - page + 1;
}

void cOsdMenu::MoveCurrent(int Index)
{
  if (Index >= 0 && Index != current) {
     current = Index;
     Get(current)->SetFresh(true);
  }
  ClampFirst();
  if (displayMenu)
     Display();
}

void cOsdMenu::CursorUp(void)
{
  int i = SelectableFrom(current - 1, -1);
  if (i >= 0)
     MoveCurrent(i);
}

void cOsdMenu::CursorDown(void)
{
  int i = SelectableFrom(current + 1, 1);
  if (i >= 0)
     MoveCurrent(i);
}

void cOsdMenu::PageUp(void)
{
  int target = current - displayMenuItems;
  if (target < 0)
     target = 0;
  int i = SelectableFrom(target, -1);
  first -= displayMenuItems;
  MoveCurrent(i >= 0 ? i : SelectableFrom(target, 1));
}

void cOsdMenu::PageDown(void)
{
  int target = current + displayMenuItems;
  if (target >= Count())
     target = Count() - 1;
  int i = SelectableFrom(target, 1);
  first += displayMenuItems;
  MoveCurrent(i >= 0 ? i : SelectableFrom(target, -1));
}

void cOsdMenu::RefreshCurrent(void)
{
  cOsdItem *item = Get(current);
  if (item)
     item->Set();
}

void cOsdMenu::DisplayCurrent(bool Current)
{
  cOsdItem *item = Get(current);
  if (displayMenu && item && current >= first && current < first + displayMenuItems) {
     displayMenu->SetItem(item->Text(), current - first, Current, item->Selectable());
     displayMenu->Flush();
  }
}

void cOsdMenu::Display(void)
{
  if (subMenu) {
     subMenu->Display();
     return;
  }
  if (!displayMenu)
     displayMenu = Skins.Current()->DisplayMenu();
  displayMenuItems = displayMenu->MaxItems();
  displayMenu->SetTabs(cols[0], cols[1], cols[2], cols[3], cols[4]);
  displayMenu->Clear();
  displayMenu->SetTitle(title.c_str());
  displayMenu->SetButtons(Help(0), Help(1), Help(2), Help(3));
  if (current < 0)
     current = SelectableFrom(0, 1);
  ClampFirst();
  int i = 0;
  for (cOsdItem *item = Get(first); item && i < displayMenuItems; item = Next(item), i++)
      displayMenu->SetItem(item->Text(), i, first + i == current, item->Selectable());
  displayMenu->Flush();
}

eOSState cOsdMenu::AddSubMenu(cOsdMenu *SubMenu)
{
  delete subMenu;
  subMenu = SubMenu;
  subMenu->Display();
  return osContinue;
}

eOSState cOsdMenu::CloseSubMenu(void)
{
  delete subMenu;
  subMenu = NULL;
  RefreshCurrent();
  Display();
  return osContinue;
}

eOSState cOsdMenu::HotKey(eKeys Key)
{
  int d = Key - k0;
  for (cOsdItem *item = First(); item; item = Next(item)) {
      const char *s = item->Text();
      if (s && s[0] == '0' + d && s[1] == ' ' && item->Selectable()) {
         MoveCurrent(item->Index());
         // the subclass sees the choice as ok on the line, exactly as if pressed
         return ProcessKey(kOk);
      }
  }
  return osUnknown;
}

eOSState cOsdMenu::ProcessKey(eKeys Key)
{
  if (subMenu) {
     eOSState state = subMenu->ProcessKey(Key);
     return state == osBack ? CloseSubMenu() : state;
  }
  cOsdItem *item = Get(current);
  if (item) {
     eOSState state = item->ProcessKey(Key);
     if (state != osUnknown) {
        DisplayCurrent(true);
        return state;
     }
  }
  if (Key >= k0 && Key <= k9)
     return hasHotkeys ? HotKey(Key) : osUnknown;
  switch (int(Key)) {
    case kUp:
    case kUp | k_Repeat:
      CursorUp();
      break;
    case kDown:
    case kDown | k_Repeat:
      CursorDown();
      break;
    case kLeft:
    case kLeft | k_Repeat:
      PageUp();
      break;
    case kRight:
    case kRight | k_Repeat:
      PageDown();
      break;
    case kBack:
      return osBack;
    default:
      return osUnknown;
  }
  return osContinue;
}
