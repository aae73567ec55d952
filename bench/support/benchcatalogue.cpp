#include "benchcatalogue.h"

#include <stdio.h>
#include <stdlib.h>
#include <vdr/clock.h>
#include <vdr/recording.h>

#include "benchhost.h"
#include "blacklist.h"
#include "grabberthread.h"
#include "tracks.h"
#include "vimora_config.h"

namespace {

std::string sourcePath, cataloguePath, blacklistPath;
size_t catalogueBytes = 0;

} // namespace

void PrepareCatalogue(void)
{
  if (!cataloguePath.empty())
     return;
  SysLogLevel = 1;
  cClock::SetManual();
  const std::string &root = BenchRoot();
  sourcePath = root + "/catalogue.source";
  cataloguePath = root + "/tracks.conf";
  blacklistPath = root + "/blacklist.conf";
  catalogueBytes = WriteCatalogue(sourcePath, CatalogueSize);
  WriteBlacklist(blacklistPath, BlacklistSize);
  AddMusicChannel();
  cGrabberThread::channelsSupported.insert(cChannelSupported(MusicChannel, 1, 1));
  VimoraConfig.avoidrepeats = 1;
}

const std::string &CataloguePath(void)
{
  PrepareCatalogue();
  return cataloguePath;
}

const std::string &BlacklistPath(void)
{
  PrepareCatalogue();
  return blacklistPath;
}

size_t CatalogueBytes(void)
{
  PrepareCatalogue();
  return catalogueBytes;
}

void ResetCatalogueFile(void)
{
  PrepareCatalogue();
  std::string command = "cp '" + sourcePath + "' '" + cataloguePath + "'";
  if (system(command.c_str()) != 0)
     abort();
}

void LoadCatalogue(void)
{
  PrepareCatalogue();
  if (Tracks.Count() != CatalogueSize) {
     ResetCatalogueFile();
     Tracks.Load(cataloguePath.c_str(), true);
     Blacklist.Load(blacklistPath.c_str(), true);
  }
}

cRecording *ThreeHourRecording(void)
{
  static cRecording *recording = NULL;
  if (!recording) {
     LoadCatalogue();
     time_t start = CatalogueStart + time_t(CatalogueSize - ThreeHourFrames / FRAMESPERSEC / TrackSpacing - 1) * TrackSpacing;
     std::string fileName = MakeRecording("Bench~Three hours", start, ThreeHourFrames);
     FILE *marker = fopen((fileName + "/vimora").c_str(), "w");
     fputs(MusicChannel, marker);
     fclose(marker);
     recording = new cRecording(fileName.c_str());
  }
  return recording;
}

void PutOnAir(void)
{
  static bool guide = false;
  if (!guide) {
     AddEvent(OnAir, 200, "Brand New - Song On Air (2026)");
     cClock::SetTime(OnAir + 60);
     guide = true;
  }
}
