// How long each key of the plug-in's menus and replay control takes with 1,000,000
// catalogued tracks: the slowest key of each and of all must stay within 20 ms.
// Keys reach the menus and the control through ProcessKey, as the host's main loop
// hands them over; the host's confirmations find their answer queued.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <memory>
#include <stdlib.h>
#include <string.h>
#include <vdr/clock.h>
#include <vdr/mainloop.h>
#include <vdr/player.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/remote.h>

#include "audio_thread.h"
#include "benchcatalogue.h"
#include "benchhost.h"
#include "benchratio.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "menu_setup.h"
#include "menu_tracks.h"
#include "replay_control.h"
#include "tracks.h"

namespace {

// Half a frame at 25 frames per second, one at 50.
const double KeyLimit = 0.020;
const int HalfHourFrames = 30 * 60 * FRAMESPERSEC;

cMainLoop *loop = NULL;
std::string threeHours, halfHour, clipFolder;

// The marker file that has the plug-in list a recording.
void MarkMusic(const std::string &FileName)
{
  FILE *marker = fopen((FileName + "/vimora").c_str(), "w");
  fputs(MusicChannel, marker);
  fclose(marker);
}

// The three-hour recording and a half-hour one with media at the end of the catalogue
// (the one the convert menu cuts), both listed; the cutting plug-in loaded.
void Prepare(void)
{
  if (loop)
     return;
  LoadCatalogue();
  Tracks.StartWriter(); // as the plug-in's Start does: no key writes the file itself
  threeHours = ThreeHourRecording()->FileName();
  time_t start = OnAir - time_t(HalfHourFrames / FRAMESPERSEC);
  halfHour = MakeRecording("Bench~Half an hour", start - start % 60, HalfHourFrames);
  WriteMedia(halfHour, HalfHourFrames, 20);
  MarkMusic(halfHour);
  Recordings.Load();
  loop = new cMainLoop;
  clipFolder = BenchRoot() + "/clips";
  cPluginManager *manager = new cPluginManager(VIMORA_PLUGIN_DIR);
  manager->AddPlugin(("rozerez -d '" + clipFolder + "'").c_str());
  if (!manager->LoadPlugins() || !cPluginManager::GetPlugin("rozerez"))
     abort();
}

cRecording *Listed(const std::string &FileName)
{
  cRecording *recording = Recordings.GetByName(FileName.c_str());
  if (!recording)
     abort();
  return recording;
}

// The recordings menu with the line of FileName current.
cMenuRecs *RecordingsMenu(const std::string &FileName)
{
  cMenuRecs *menu = new cMenuRecs;
  for (cOsdItem *item = menu->First(); item; item = menu->Next(item)) {
      if (FileName == static_cast<cMenuRecItem *>(item)->FileName()) {
         menu->SetCurrent(item);
         return menu;
      }
  }
  abort();
}

// A key that leaves the menu as it found it, pressed again and again.
void RepeatKey(benchmark::State &State, cOsdObject *Object, eKeys Key)
{
  for (auto _ : State)
      Object->ProcessKey(Key);
}

// A key whose menu or control has to be made anew, or whose effect undone, outside the
// time measured.
template <typename tBefore, typename tAfter>
void KeyOnce(benchmark::State &State, tBefore Before, eKeys Key, tAfter After)
{
  for (auto _ : State) {
      State.PauseTiming();
      cOsdObject *object = Before();
      State.ResumeTiming();
      object->ProcessKey(Key);
      State.PauseTiming();
      After(object);
      State.ResumeTiming();
  }
}

// --- the main menu entry and the recordings menu --------------------------------

void BM_KeyMainMenuEntry(benchmark::State &State)
{
  Prepare();
  for (auto _ : State)
      delete new cMenuRecs; // what the plug-in's main menu entry opens
}
BENCHMARK(BM_KeyMainMenuEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyRecsDown(benchmark::State &State)
{
  Prepare();
  cMenuRecs menu;
  RepeatKey(State, &menu, kDown);
}
BENCHMARK(BM_KeyRecsDown)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyRecsCutMarks(benchmark::State &State)
{
  Prepare();
  std::unique_ptr<cMenuRecs> menu(RecordingsMenu(threeHours));
  RepeatKey(State, menu.get(), kGreen);
}
BENCHMARK(BM_KeyRecsCutMarks)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyRecsTracks(benchmark::State &State)
{
  Prepare();
  std::unique_ptr<cMenuRecs> menu(RecordingsMenu(threeHours));
  for (auto _ : State) {
      menu->ProcessKey(kRed);
      State.PauseTiming();
      menu->ProcessKey(kBack); // closes the tracks menu
      State.ResumeTiming();
  }
}
BENCHMARK(BM_KeyRecsTracks)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyRecsConvert(benchmark::State &State)
{
  Prepare();
  std::unique_ptr<cMenuRecs> menu(RecordingsMenu(threeHours));
  menu->ProcessKey(kGreen); // the convert menu opens only with marks
  for (auto _ : State) {
      menu->ProcessKey(kYellow);
      State.PauseTiming();
      menu->ProcessKey(kBack);
      State.ResumeTiming();
  }
}
BENCHMARK(BM_KeyRecsConvert)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyRecsPlay(benchmark::State &State)
{
  Prepare();
  KeyOnce(State, [] { return RecordingsMenu(threeHours); }, kOk, [](cOsdObject *Menu) {
    delete Menu;
    cControl::Shutdown();
  });
}
BENCHMARK(BM_KeyRecsPlay)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Blue asks first; the answer here is no, which leaves the recording for the next round.
void BM_KeyRecsDeleteDeclined(benchmark::State &State)
{
  Prepare();
  cMenuRecs menu;
  for (auto _ : State) {
      cRemote::Put(kBack);
      menu.ProcessKey(kBlue);
  }
}
BENCHMARK(BM_KeyRecsDeleteDeclined)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Deleting a recording of its own, made anew for each press.
void BM_KeyRecsDelete(benchmark::State &State)
{
  Prepare();
  int made = 0;
  KeyOnce(State, [&made] {
    std::string spare = MakeRecording(cString::sprintf("Bench~Spare %d", made++), CatalogueStart - 86400, 25 * 60);
    MarkMusic(spare);
    Recordings.Load();
    cRemote::Put(kOk);
    return RecordingsMenu(spare);
  }, kBlue, [](cOsdObject *Menu) {
    if (static_cast<cMenuRecs *>(Menu)->Count() != 2)
       abort();
    delete Menu;
  });
}
BENCHMARK(BM_KeyRecsDelete)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20)->Repetitions(3);

BENCH_SLOWEST("8. slowest key, recordings menu", { "BM_KeyMainMenuEntry", "BM_KeyRecsDown", "BM_KeyRecsCutMarks", "BM_KeyRecsTracks", "BM_KeyRecsConvert", "BM_KeyRecsPlay", "BM_KeyRecsDeleteDeclined", "BM_KeyRecsDelete" }, KeyLimit);

// --- the tracks menu ---------------------------------------------------------------

void BM_KeyTracksDown(benchmark::State &State)
{
  Prepare();
  cMenuTracks menu(Listed(threeHours));
  RepeatKey(State, &menu, kDown);
}
BENCHMARK(BM_KeyTracksDown)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Red switches the track between selected and skipped and saves the catalogue.
void BM_KeyTracksToggle(benchmark::State &State)
{
  Prepare();
  cMenuTracks menu(Listed(threeHours));
  RepeatKey(State, &menu, kRed);
}
BENCHMARK(BM_KeyTracksToggle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2)->Repetitions(3);

void BM_KeyTracksBlacklist(benchmark::State &State)
{
  Prepare();
  cMenuTracks menu(Listed(threeHours));
  for (auto _ : State) {
      cRemote::Put(kOk);
      menu.ProcessKey(k0);
  }
}
BENCHMARK(BM_KeyTracksBlacklist)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeyTracksPlay(benchmark::State &State)
{
  Prepare();
  KeyOnce(State, [] { return new cMenuTracks(Listed(threeHours)); }, kOk, [](cOsdObject *Menu) {
    delete Menu;
    cControl::Shutdown();
    cMenuTracks::lastReplayed = -1;
  });
}
BENCHMARK(BM_KeyTracksPlay)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

BENCH_SLOWEST("8. slowest key, tracks menu", { "BM_KeyRecsTracks", "BM_KeyTracksDown", "BM_KeyTracksToggle", "BM_KeyTracksBlacklist", "BM_KeyTracksPlay" }, KeyLimit);

// --- the convert menu ----------------------------------------------------------------

// The half-hour recording's marks from the catalogue, as green in the recordings menu
// makes them.
void MarkHalfHour(void)
{
  cMenuRecs *menu = RecordingsMenu(halfHour);
  menu->ProcessKey(kGreen);
  delete menu;
}

void BM_KeyConvertDown(benchmark::State &State)
{
  Prepare();
  cMenuConvert menu(Listed(halfHour));
  RepeatKey(State, &menu, kDown);
}
BENCHMARK(BM_KeyConvertDown)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The clips in the clip folder.
int ClipsCut(void)
{
  int clips = 0;
  if (DIR *d = opendir(clipFolder.c_str())) {
     while (struct dirent *e = readdir(d)) {
       size_t n = strlen(e->d_name);
       clips += n > 3 && strcmp(e->d_name + n - 3, ".ts") == 0;
     }
     closedir(d);
  }
  return clips;
}

// "Create video clips" hands the cut to the conversion thread. Outside the time the
// thread cuts every track with the cutting plug-in; a run that did not end or left a
// clip uncut ends the program. The media here has no pictures a decoder could show, so
// the clips' thumbnails fail (and with them the run's outcome) as they did when the key
// cut by itself.
void BM_KeyConvertVideo(benchmark::State &State)
{
  Prepare();
  KeyOnce(State, [] {
    RemoveFileOrDir(clipFolder.c_str());
    Tracks.Clear();
    LoadCatalogue(); // its tracks selected again
    MarkHalfHour();
    return new cMenuConvert(Listed(halfHour));
  }, kOk, [](cOsdObject *Menu) {
    delete Menu;
    if (!cConvertToAudioThread::m_Instance)
       abort();
    cClock::Step(10); // past the thread's only sleep; returns when it has ended
    tConversionOutcome cut = cConvertToAudioThread::LastOutcome();
    cMarks marks;
    LoadMarks(marks, Listed(halfHour));
    if (cConvertToAudioThread::m_Instance || !cut.videoOnly || cut.stopped || marks.Count() < 2 || ClipsCut() != marks.Count() / 2) {
       fprintf(stderr, "the cut did not end well: %s\n", cConvertToAudioThread::m_Instance ? "still running" : cut.Text().c_str());
       abort();
    }
    cConvertToAudioThread::Exit(); // the ended thread's object
  });
}
BENCHMARK(BM_KeyConvertVideo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// "Create audio clips" starts the conversion thread; it is stopped outside the time.
void BM_KeyConvertAudio(benchmark::State &State)
{
  Prepare();
  MarkHalfHour();
  KeyOnce(State, [] {
    cMenuConvert *menu = new cMenuConvert(Listed(halfHour));
    menu->ProcessKey(kDown);
    return menu;
  }, kOk, [](cOsdObject *Menu) {
    delete Menu;
    if (!cConvertToAudioThread::m_Instance)
       abort();
    cConvertToAudioThread::Exit();
  });
}
BENCHMARK(BM_KeyConvertAudio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20)->Repetitions(3);

BENCH_SLOWEST("8. slowest key, convert menu", { "BM_KeyRecsConvert", "BM_KeyConvertDown", "BM_KeyConvertVideo", "BM_KeyConvertAudio" }, KeyLimit);

// --- the setup page ------------------------------------------------------------------

void BM_KeySetupDown(benchmark::State &State)
{
  cMenuVimoraSetup page;
  RepeatKey(State, &page, kDown);
}
BENCHMARK(BM_KeySetupDown)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Right changes the current item (the first, a choice of two).
void BM_KeySetupChange(benchmark::State &State)
{
  cMenuVimoraSetup page;
  RepeatKey(State, &page, kRight);
}
BENCHMARK(BM_KeySetupChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

void BM_KeySetupStore(benchmark::State &State)
{
  KeyOnce(State, [] { return new cMenuVimoraSetup; }, kOk, [](cOsdObject *Page) { delete Page; });
}
BENCHMARK(BM_KeySetupStore)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

BENCH_SLOWEST("8. slowest key, setup page", { "BM_KeySetupDown", "BM_KeySetupChange", "BM_KeySetupStore" }, KeyLimit);

// --- the replay control --------------------------------------------------------------

// The first cut mark of the three-hour recording and a frame inside its first track.
int firstMark = -1, insideFirstTrack = -1;

cVimoraReplayControl *Replaying(void)
{
  Prepare();
  cVimoraReplayControl *control = dynamic_cast<cVimoraReplayControl *>(cControl::Control());
  if (!control) {
     std::unique_ptr<cMenuRecs> menu(RecordingsMenu(threeHours));
     menu->ProcessKey(kGreen);
     cMarks marks;
     marks.Load(threeHours.c_str());
     if (marks.Count() < 2)
        abort();
     firstMark = marks.First()->Position();
     insideFirstTrack = (firstMark + marks.Next(marks.First())->Position()) / 2;
     cVimoraReplayControl::Replay(Listed(threeHours), insideFirstTrack);
     control = dynamic_cast<cVimoraReplayControl *>(cControl::Control());
     if (!control)
        abort();
     control->Pause();
  }
  return control;
}

// The replay paused at Frame, where every round starts.
void PausedAt(cVimoraReplayControl *Control, int Frame)
{
  Control->Goto(Frame, true);
}

void ReplayKey(benchmark::State &State, eKeys Key, eKeys Undo = kNone)
{
  cVimoraReplayControl *control = Replaying();
  int current, total;
  control->GetIndex(current, total);
  for (auto _ : State) {
      control->ProcessKey(Key);
      if (Undo != kNone) {
         State.PauseTiming();
         control->ProcessKey(Undo);
         PausedAt(control, current);
         State.ResumeTiming();
      }
  }
}

void BM_KeyReplayShow(benchmark::State &State) { ReplayKey(State, kOk); }
void BM_KeyReplayPlayPause(benchmark::State &State) { ReplayKey(State, kPlay, kPause); }
void BM_KeyReplayForward(benchmark::State &State) { ReplayKey(State, kFastFwd, kPause); }
void BM_KeyReplayBackward(benchmark::State &State) { ReplayKey(State, kFastRew, kPause); }
void BM_KeyReplaySkip(benchmark::State &State) { ReplayKey(State, kYellow, kGreen); }
void BM_KeyReplayJump(benchmark::State &State) { ReplayKey(State, k9, k7); }
void BM_KeyReplayEditTest(benchmark::State &State) { ReplayKey(State, k8, kPause); }
// Zero adds a mark and, pressed again, removes it: both are measured.
void BM_KeyReplayMarkToggle(benchmark::State &State)
{
  PausedAt(Replaying(), insideFirstTrack);
  ReplayKey(State, k0);
}
// The first mark moved by one frame and back, by 50 and back: all four measured.
void BM_KeyReplayMarkMove(benchmark::State &State)
{
  cVimoraReplayControl *control = Replaying();
  PausedAt(control, firstMark);
  control->ProcessKey(k6);
  cMarks moved;
  moved.Load(threeHours.c_str());
  if (!moved.First() || moved.First()->Position() != firstMark + 1)
     State.SkipWithError("the mark did not move");
  control->ProcessKey(k4);
  const eKeys keys[] = { k6, k4, k3, k1 };
  int i = 0;
  for (auto _ : State)
      control->ProcessKey(keys[i++ % 4]);
}
// Two on a track asks whether to remove its marks; no here, so the marks stay.
void BM_KeyReplayTrackCutDeclined(benchmark::State &State)
{
  cVimoraReplayControl *control = Replaying();
  PausedAt(control, insideFirstTrack);
  for (auto _ : State) {
      cRemote::Put(kBack);
      control->ProcessKey(k2);
  }
}
// Red opens the time search; its digits and back are keys of their own.
void BM_KeyReplayTimeSearch(benchmark::State &State)
{
  cVimoraReplayControl *control = Replaying();
  const eKeys keys[] = { kRed, k1, k2, kBack };
  int i = 0;
  for (auto _ : State)
      control->ProcessKey(keys[i++ % 4]);
}
// The info key: the host asks the control for the track under the replay position.
void BM_KeyReplayInfo(benchmark::State &State)
{
  cVimoraReplayControl *control = Replaying();
  PausedAt(control, insideFirstTrack);
  for (auto _ : State) {
      cOsdObject *info = control->GetInfo();
      if (!info)
         State.SkipWithError("no track under the replay position");
      delete info;
  }
}
BENCHMARK(BM_KeyReplayShow)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayPlayPause)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayForward)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayBackward)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplaySkip)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayJump)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayEditTest)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayMarkToggle)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayMarkMove)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayTrackCutDeclined)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayTimeSearch)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_KeyReplayInfo)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

BENCH_SLOWEST("8. slowest key, replay control",
              { "BM_KeyReplayShow", "BM_KeyReplayPlayPause", "BM_KeyReplayForward", "BM_KeyReplayBackward", "BM_KeyReplaySkip", "BM_KeyReplayJump",
                "BM_KeyReplayEditTest", "BM_KeyReplayMarkToggle", "BM_KeyReplayMarkMove", "BM_KeyReplayTrackCutDeclined", "BM_KeyReplayTimeSearch",
                "BM_KeyReplayInfo" },
              KeyLimit);

BENCH_SLOWEST("8. slowest key of all",
              { "BM_KeyMainMenuEntry", "BM_KeyRecsDown", "BM_KeyRecsCutMarks", "BM_KeyRecsTracks", "BM_KeyRecsConvert", "BM_KeyRecsPlay",
                "BM_KeyRecsDeleteDeclined", "BM_KeyRecsDelete", "BM_KeyTracksDown", "BM_KeyTracksToggle", "BM_KeyTracksBlacklist", "BM_KeyTracksPlay",
                "BM_KeyConvertDown", "BM_KeyConvertVideo", "BM_KeyConvertAudio", "BM_KeySetupDown", "BM_KeySetupChange", "BM_KeySetupStore",
                "BM_KeyReplayShow", "BM_KeyReplayPlayPause", "BM_KeyReplayForward", "BM_KeyReplayBackward", "BM_KeyReplaySkip", "BM_KeyReplayJump",
                "BM_KeyReplayEditTest", "BM_KeyReplayMarkToggle", "BM_KeyReplayMarkMove", "BM_KeyReplayTrackCutDeclined", "BM_KeyReplayTimeSearch",
                "BM_KeyReplayInfo" },
              KeyLimit);

} // namespace
