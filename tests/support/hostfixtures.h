// Host objects for tests of later issues: the music channel, guide events, timers, and
// recordings made on disk the way the recorder makes them. cTestEnv points the video
// directory at the test's own folder and empties these lists after each test.
#ifndef __VIMORA_HOSTFIXTURES_H
#define __VIMORA_HOSTFIXTURES_H

#include <string>
#include <vdr/channels.h>
#include <vdr/epg.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

const char *const MusicChannelID = "S19.2E-1-1092-10100";

// Appends a channel with this id to Channels (and numbers it).
cChannel *AddTestChannel(const char *ChannelID = MusicChannelID, const char *Name = "VimoraMusic");
// Puts an event into the guide, with the guide's write lock held meanwhile.
const cEvent *AddTestEvent(const char *ChannelID, time_t Start, int Duration, const char *Title, const char *ShortText = NULL, const char *Description = NULL);
// Appends a single active timer from Start to Stop (whole minutes) to Timers.
cTimer *AddTestTimer(cChannel *Channel, time_t Start, time_t Stop, const char *File);
// Makes the recording Name that began at Start (a whole minute): its directory in the video
// directory, an index of Frames frames with an I-frame at every multiple of IFrameDistance,
// and an info for ChannelID at FramesPerSecond. The recording is listed in Recordings.
// Returns its file name.
std::string MakeTestRecording(const char *Name, time_t Start, int Frames, int IFrameDistance = 12, const char *ChannelID = MusicChannelID,
                              double FramesPerSecond = DEFAULTFRAMESPERSECOND);
// Media as a channel at 50 frames a second sends it, H.264 with AC-3, made by ffmpeg
// into Dir/00001.ts with Dir/index taken from its packets (an I-frame every 24 frames):
// Seconds of a tone, silent from 0.5 s before every tenth second to 0.5 s after it.
// False, with a failure, when it cannot be made.
bool MakeFiftyFrameMedia(const std::string &Dir, int Seconds);
// A line of marks.
std::string MarkLine(int Position, const char *Comment = NULL, double FramesPerSecond = DEFAULTFRAMESPERSECOND);

class cTrack;
// Appends to Tracks, under its lock, the track the grabber would make of the event
// "Artist - Title (Year)" on ChannelID from Start for Duration seconds.
cTrack *AddTestTrack(const char *Artist, const char *Title, int Year, time_t Start, int Duration, int Status = 0, const char *ChannelID = MusicChannelID);

// The plug-ins of the build loaded with "vimora Args", initialized and started, and the
// host's recorder running: the capture side as the host runs it. Null on failure.
cPluginManager *StartVimoraHost(const std::string &Args);
// Stops the recorder and shuts the plug-ins down; Manager becomes null.
void StopVimoraHost(cPluginManager *&Manager);

#endif
