// The catalogue of eight years of round-the-clock capture (1,000,000 tracks) in the
// host's lists, with the blacklist and a three-hour recording at its end: what the
// programs that measure the plug-in at scale share.
#ifndef __VIMORA_BENCHCATALOGUE_H
#define __VIMORA_BENCHCATALOGUE_H

#include <string>

#include "benchhost.h"

class cRecording;

const int CatalogueSize = 1000000;
const int BlacklistSize = 2000;
const int ThreeHourFrames = 3 * 3600 * 25;

// A new music video on air after the last catalogued one.
const time_t OnAir = CatalogueStart + time_t(CatalogueSize) * TrackSpacing;

// The files, the supported channel and the setup, made once; the host clock stands
// still from then on.
void PrepareCatalogue(void);
const std::string &CataloguePath(void);
const std::string &BlacklistPath(void);
// The bytes of "tracks.conf" as generated.
size_t CatalogueBytes(void);
// "tracks.conf" as generated: the grabber's passes and the markings change it.
void ResetCatalogueFile(void);
// Loads the catalogue and the blacklist unless the list already holds every track.
void LoadCatalogue(void);
// A recording of the music channel over the last three hours of the catalogue, with
// its marker file; made once and not listed in Recordings.
cRecording *ThreeHourRecording(void);
// Puts the video on air into the guide and the clock into its broadcast.
void PutOnAir(void);

#endif
