// Saves killed at random moments: a child process saves "tracks.conf" or "marks"
// over and over, and is killed (SIGKILL) after a random delay in the range one save
// takes. Whenever it died, the file must hold the complete old or the complete new
// content and load. Killing at random is the point here; what is checked holds
// whatever moment the kill hits.
#include <chrono>
#include <functional>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/recording.h>

#include "testenv.h"
#include "tracks.h"

static const int Kills = 200;

class cCrashSafety : public cTestEnv {
protected:
  // Saves version Version of the file at Path, starting from what is there now.
  typedef std::function<void(const std::string &Path, int Version)> tSave;
  // Loads the file at Path and gives the number of entries.
  typedef std::function<int(const std::string &Path)> tLoad;
  void TearDown(void) override
  {
    Tracks.Clear();
    cTestEnv::TearDown();
  }
  void KillWhileSaving(const std::string &Path, int Entries, const tSave &Save, const tLoad &Load);
  // Runs Work in a child that Prepare made ready, and kills it after DelayMicros.
  void KillDuring(const std::function<void()> &Prepare, const std::function<void()> &Work, long DelayMicros);
};

void cCrashSafety::KillDuring(const std::function<void()> &Prepare, const std::function<void()> &Work, long DelayMicros)
{
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
     close(ready[0]);
     Prepare();
     if (write(ready[1], "x", 1) != 1)
        _exit(1);
     for (;;)
       Work();
  }
  close(ready[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  usleep(useconds_t(DelayMicros));
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

void cCrashSafety::KillWhileSaving(const std::string &Path, int Entries, const tSave &Save, const tLoad &Load)
{
  // what each version looks like, and how long one save takes here
  std::string reference = root + "/reference";
  ASSERT_TRUE(MakeDirs(reference.c_str(), true));
  std::string referencePath = reference + Path.substr(Path.rfind('/'));
  std::vector<std::string> versions;
  auto started = std::chrono::steady_clock::now();
  for (int v = 0; v <= Kills; v++) {
      Save(referencePath, v);
      versions.push_back(ReadFile(referencePath));
  }
  long saveMicros = long(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count() / (Kills + 1));
  Save(Path, 0);
  std::mt19937 random(20261207);
  std::uniform_int_distribution<long> delay(0, 2 * saveMicros + 100);
  int current = 0, interrupted = 0, committed = 0;
  for (int kill = 0; kill < Kills; kill++) {
      unlink((Path + ".$$$").c_str()); // so that one found afterwards tells of this kill
      KillDuring([] {}, [&] { Save(Path, current + 1); }, delay(random));
      ASSERT_FALSE(HasFatalFailure()) << "kill " << kill;
      if (FileExists(Path + ".$$$"))
         interrupted++;
      std::string content = ReadFile(Path);
      if (content == versions[current + 1]) {
         current++;
         committed++;
      }
      else
         ASSERT_EQ(content, versions[current]) << "kill " << kill << ": neither the old nor the new file";
      ASSERT_EQ(Load(Path), Entries) << "kill " << kill;
  }
  printf("%d kills survived: %d during a save, %d after a new version was in place\n", Kills, interrupted, committed);
}

TEST_F(cCrashSafety, TracksConfIsOldOrNewAfterEveryKill)
{
  const int Count = 400;
  std::string path = configDir + "/tracks.conf";
  KillWhileSaving(path, Count, [](const std::string &Path, int Version) {
    Tracks.Load(Path.c_str(), true);
    while (Tracks.Count() < Count)
      Tracks.Add(new cTrack);
    int i = 0;
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t), i++) {
        t->artist = "Artist " + std::to_string(i);
        t->title = "Song " + std::to_string(i) + " of version " + std::to_string(Version);
        t->year = 1950 + i % 70;
        t->startTime = TestEpoch + i * 240;
        t->duration = 200 + Version;
        t->status = Version % 3;
    }
    Tracks.Save();
  }, [](const std::string &Path) {
    return Tracks.Load(Path.c_str(), true) ? Tracks.Count() : -1;
  });
}

// The catalogue's writer in a child that adds tracks, changes statuses and saves as fast
// as it can, on a clock a hundred times faster than the wall's, so that it appends, writes
// over lines and rewrites all the time: after a kill at any moment the file holds the
// tracks in their order, each once, and at most one line cut off at its end, which
// loading drops.
TEST_F(cCrashSafety, TracksConfLoadsAfterKillsDuringAppendsOverwritesAndRewrites)
{
  std::string path = configDir + "/tracks.conf";
  auto artist = [](int i) { return "Artist " + std::to_string(i); };
  std::mt19937 random(20261209);
  std::uniform_int_distribution<long> delay(0, 20000);
  int torn = 0, count = 0;
  for (int kill = 0; kill < Kills; kill++) {
      KillDuring([&] {
        cClock::SetSpeed(100);
        Tracks.Load(path.c_str(), true);
        Tracks.StartWriter();
      }, [&] {
        int i;
        {
          cTracksLock lock(Tracks);
          i = Tracks.Count();
          cTrack *t = new cTrack;
          t->artist = artist(i);
          t->title = "Song";
          t->startTime = TestEpoch + i * 240;
          t->duration = 200;
          Tracks.Add(t);
          if (i % 3 == 0)
             Tracks.SetStatus(Tracks.Get(i / 2), i % 2);
        }
        if (i % 97 == 0)
           Tracks.Save();
        usleep(100);
      }, delay(random));
      ASSERT_FALSE(HasFatalFailure()) << "kill " << kill;
      std::string content = FileExists(path) ? ReadFile(path) : "";
      if (!content.empty() && content.back() != '\n') {
         torn++;
         content.erase(content.rfind('\n') + 1);
      }
      std::vector<std::string> lines = Lines(content);
      ASSERT_GE(int(lines.size()), count) << "kill " << kill << ": tracks lost";
      for (size_t i = 0; i < lines.size(); i++)
          ASSERT_EQ(lines[i].substr(0, lines[i].find(':')), artist(int(i))) << "kill " << kill << ", line " << i + 1;
      count = int(lines.size());
      ASSERT_TRUE(Tracks.Load(path.c_str(), true)) << "kill " << kill;
      ASSERT_EQ(Tracks.Count(), count) << "kill " << kill;
  }
  printf("%d kills survived, %d left a line cut off, %d tracks in the end\n", Kills, torn, count);
  EXPECT_GT(count, 0);
}

TEST_F(cCrashSafety, MarksVdrIsOldOrNewAfterEveryKill)
{
  const int Count = 400;
  std::string dir = videoDir + "/Music/2026-12-07.20.00.1-0.rec";
  ASSERT_TRUE(MakeDirs(dir.c_str(), true));
  KillWhileSaving(dir + "/marks", Count, [](const std::string &Path, int Version) {
    cMarks marks;
    std::string recording = Path.substr(0, Path.rfind('/'));
    marks.Load(recording.c_str());
    for (int i = 0; i < Count; i++) {
        marks.Add(i * 1000 + Version % 2);
        marks.Get(i * 1000 + Version % 2)->SetComment(i % 2 ? NULL : ("Artist|Song " + std::to_string(i) + "|" + std::to_string(Version)).c_str());
    }
    // the other version's positions go
    for (cMark *m = marks.First(); m;) {
        cMark *next = marks.Next(m);
        if (m->Position() % 1000 != Version % 2)
           marks.Del(m);
        m = next;
    }
    marks.Save();
  }, [](const std::string &Path) {
    cMarks marks;
    return marks.Load(Path.substr(0, Path.rfind('/')).c_str()) ? marks.Count() : -1;
  });
}
