#include <vdr/skins.h>

#include <vdr/clock.h>
#include <vdr/config.h>

cSkins Skins;

const char *MessageTypeName(eMessageType Type)
{
  switch (Type) {
    case mtStatus: return "status";
    case mtInfo: return "info";
    case mtWarning: return "warning";
    case mtError: return "error";
  }
  return "?";
}

// --- cSkinDisplayMenu ------------------------------------------------------

cSkinDisplayMenu::cSkinDisplayMenu(void)
{
  SetTabs(0);
}

void cSkinDisplayMenu::SetTabs(int Tab1, int Tab2, int Tab3, int Tab4, int Tab5)
{
  int widths[MaxTabs - 1] = { Tab1, Tab2, Tab3, Tab4, Tab5 };
  tabs[0] = 0;
  for (int i = 1; i < MaxTabs; i++)
      tabs[i] = widths[i - 1] > 0 ? tabs[i - 1] + widths[i - 1] : 0;
}

// --- cSkin -----------------------------------------------------------------

cSkin::cSkin(const char *Name)
{
  name = strdup(Name);
}

cSkin::~cSkin()
{
  free(name);
}

// --- cSkins ----------------------------------------------------------------

cSkins::cSkins(void)
{
  textSkin = new cSkinText;
  Add(textSkin);
  current = textSkin;
  displayMessage = NULL;
  messageEndMs = 0;
}

cSkins::~cSkins()
{
  delete displayMessage;
}

bool cSkins::SetCurrent(const char *Name)
{
  for (cSkin *s = First(); s; s = Next(s)) {
      if (Name && strcmp(s->Name(), Name) == 0) {
         current = s;
         return true;
      }
  }
  return false;
}

eKeys cSkins::Message(eMessageType Type, const char *Text, int Seconds)
{
  if (!cThread::IsMainThread()) {
     // displays belong to the main thread
     if (Text)
        QueueMessage(Type, Text, Seconds);
     return kNone;
  }
  delete displayMessage;
  displayMessage = NULL;
  if (Text) {
     displayMessage = current->DisplayMessage();
     displayMessage->SetMessage(Type, Text);
     displayMessage->Flush();
     int seconds = Seconds > 0 ? Seconds : Setup.OSDMessageTime > 0 ? Setup.OSDMessageTime : 1;
     messageEndMs = cClock::NowMs() + uint64_t(seconds) * 1000;
  }
  return kNone;
}

void cSkins::QueueMessage(eMessageType Type, const char *Text, int Seconds)
{
  if (!Text)
     return;
  cMutexLock lock(&queueMutex);
  queue.push_back({ Type, Text, Seconds });
}

bool cSkins::HasQueuedMessages(void)
{
  cMutexLock lock(&queueMutex);
  return !queue.empty();
}

void cSkins::ProcessQueuedMessages(void)
{
  if (displayMessage && cClock::NowMs() >= messageEndMs)
     Message(mtStatus, NULL);
  if (displayMessage)
     return;
  tMessage m;
  {
    cMutexLock lock(&queueMutex);
    if (queue.empty())
       return;
    m = queue.front();
    queue.pop_front();
  }
  Message(m.type, m.text.c_str(), m.seconds);
}

void cSkins::KeyPressed(void)
{
  if (displayMessage)
     Message(mtStatus, NULL);
}
