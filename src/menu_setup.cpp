#include "menu_setup.h"

#include <algorithm>

#include "i18n.h"
#include "log.h"
#include "vimora_config.h"

const char *AudioFormats[2] = { NULL, NULL };
static const char *AutoConvertChoices[3] = { NULL, NULL, NULL };
const char *AllowedChars = AllowedCharsKey;

cMenuVimoraSetup::cMenuVimoraSetup(void)
{
  AudioFormats[0] = tr("MP3");
  AudioFormats[1] = tr("OGG");
  AutoConvertChoices[0] = trVDR("no");
  AutoConvertChoices[1] = tr("audio");
  AutoConvertChoices[2] = tr("audio and video");
  Utf8Strn0Cpy(format, VimoraConfig.format.c_str(), sizeof(format));
  formatShortened = VimoraConfig.format.size() >= sizeof(format);
  strn0cpy(shownFormat, format, sizeof(shownFormat));
  if (formatShortened)
     LogFile.iSysLog("the clip-name pattern has more than %d bytes: the setup page shows it shortened", int(sizeof(format)) - 1);
  hidemainmenuentry = VimoraConfig.hidemainmenuentry;
  offset = VimoraConfig.offset;
  avoidrepeats = VimoraConfig.avoidrepeats;
  audioformat = VimoraConfig.audioformat;
  refinemarks = VimoraConfig.refinemarks;
  refinewindow = std::clamp(VimoraConfig.refinewindow, MinRefineWindow, MaxRefineWindow);
  autoconvert = std::min(std::max(VimoraConfig.autoconvert, 0), 2);

  Add(new cMenuEditBoolItem(tr("Hide main menu entry"), &hidemainmenuentry, trVDR("no"), trVDR("yes")));
  Add(new cMenuEditStrItem(tr("Format for cut marks"), format, sizeof(format), tr(AllowedChars)));
  Add(new cMenuEditIntItem(tr("Offset for marks [s]"), &offset, -99, 99));
  Add(new cMenuEditBoolItem(tr("Avoid repeats"), &avoidrepeats, trVDR("no"), trVDR("yes")));
  Add(new cMenuEditStraItem(tr("Audio format"), &audioformat, 2, AudioFormats));
  Add(new cMenuEditBoolItem(tr("Find song boundaries"), &refinemarks, trVDR("no"), trVDR("yes")));
  Add(new cMenuEditIntItem(tr("Search for boundaries [s]"), &refinewindow, MinRefineWindow, MaxRefineWindow));
  Add(new cMenuEditStraItem(tr("Convert after recording"), &autoconvert, 3, AutoConvertChoices));
}

cMenuVimoraSetup::~cMenuVimoraSetup()
{
}

void cMenuVimoraSetup::Store(void)
{
  if (!formatShortened || strcmp(format, shownFormat) != 0)
     VimoraConfig.format = format;
  VimoraConfig.offset = offset;
  VimoraConfig.hidemainmenuentry = hidemainmenuentry;
  VimoraConfig.avoidrepeats = avoidrepeats;
  VimoraConfig.audioformat = audioformat;
  VimoraConfig.refinemarks = refinemarks;
  VimoraConfig.refinewindow = refinewindow;
  VimoraConfig.autoconvert = autoconvert;
  SetupStore("format", VimoraConfig.format.c_str());
  SetupStore("offset", VimoraConfig.offset);
  SetupStore("hidemainmenuentry", VimoraConfig.hidemainmenuentry);
  SetupStore("avoidrepeats", VimoraConfig.avoidrepeats);
  SetupStore("audioformat", VimoraConfig.audioformat);
  SetupStore("refinemarks", VimoraConfig.refinemarks);
  SetupStore("refinewindow", VimoraConfig.refinewindow);
  SetupStore("autoconvert", VimoraConfig.autoconvert);
}
