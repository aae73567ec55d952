// The Debian packages `make deb` builds (the CTest fixture vdr.packages builds them into
// VIMORA_DEB_DIR): lintian finds no error, each package holds exactly its files, owned by
// root with sane modes, and, unpacked into a folder of their own, the recorder loads the
// plug-ins from there and answers in German from the packaged catalogue; vimora-host runs
// from its unpacked package.
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <map>
#include <set>
#include <sstream>

#include "files.h"
#include "process.h"
#include "testenv.h"
#include "vdrrecorder.h"

namespace fs = std::filesystem;

// A file or folder of a package as `dpkg-deb -c` lists it.
struct tEntry {
  std::string mode; // "-rw-r--r--", "drwxr-xr-x" ...
  std::string owner;
};

class cVdrPackages : public cTestEnv {
protected:
  std::string apiVersion, multiarch;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    for (const char *tool : { "dpkg-buildpackage", "dh_vdrplugin_depends", "lintian" }) {
        if (RunProcess({ "/bin/sh", "-c", std::string("command -v ") + tool }).exitCode != 0)
           GTEST_SKIP() << tool << " is missing: the packages cannot be built (scripts/install-deps --deb installs the tools)";
        }
    apiVersion = Output({ "pkg-config", "--variable=apiversion", "vdr" });
    multiarch = Output({ "dpkg-architecture", "-qDEB_HOST_MULTIARCH" });
  }
  // What Argv (found in PATH) wrote on stdout, without the last line break.
  std::string Output(const std::vector<std::string> &Argv)
  {
    std::vector<std::string> argv = { "/usr/bin/env" };
    argv.insert(argv.end(), Argv.begin(), Argv.end());
    tProcessResult r = RunProcess(argv);
    EXPECT_EQ(r.exitCode, 0) << Argv[0] << ": " << r.err;
    return r.out.substr(0, r.out.find_last_not_of('\n') + 1);
  }
  std::string Package(const std::string &Name)
  {
    std::vector<std::string> found = MatchPaths(std::string(VIMORA_DEB_DIR) + "/" + Name + "_*.deb");
    std::string deb = found.size() == 1 ? found[0] : "";
    EXPECT_FALSE(deb.empty()) << "no single package " << Name << " in " << VIMORA_DEB_DIR;
    return deb;
  }
  // The package's files and folders by path ("/usr/bin/..."), "/" left out.
  std::map<std::string, tEntry> Contents(const std::string &Name)
  {
    std::map<std::string, tEntry> entries;
    for (const auto &l : Lines(Output({ "dpkg-deb", "-c", Package(Name) }))) {
        std::istringstream in(l);
        std::string mode, owner, size, date, time, path;
        in >> mode >> owner >> size >> date >> time >> path;
        path = path.substr(1);
        if (path.size() > 1 && path.back() == '/')
           path.pop_back();
        if (path != "/")
           entries[path] = { mode, owner };
        }
    return entries;
  }
  // Unpacks the package into Root.
  void Unpack(const std::string &Name, const std::string &Root)
  {
    ASSERT_EQ(RunProcess({ "/usr/bin/env", "dpkg-deb", "-x", Package(Name), Root }).exitCode, 0) << Name;
  }
  // The locales the plug-in's translation table has, as the build wrote its catalogues.
  std::vector<std::string> Locales(void)
  {
    std::vector<std::string> locales;
    for (const auto &e : fs::directory_iterator(VIMORA_LOCALE_DIR)) {
        if (fs::exists(e.path() / "LC_MESSAGES/vdr-vimora.mo"))
           locales.push_back(e.path().filename().string());
        }
    EXPECT_GT(locales.size(), 10u);
    return locales;
  }
  // Checks that Name holds exactly Files (folders aside) and Executables, everything owned
  // by root, files 0644, executables and folders 0755 (links aside).
  void ExpectContents(const std::string &Name, std::set<std::string> Files, const std::set<std::string> &Executables)
  {
    std::string doc = "/usr/share/doc/" + Name;
    Files.insert({ doc + "/copyright", doc + "/changelog.gz" });
    std::set<std::string> files;
    for (const auto &[path, entry] : Contents(Name)) {
        EXPECT_EQ(entry.owner, "root/root") << Name << ": " << path;
        if (entry.mode[0] == 'd') {
           EXPECT_EQ(entry.mode, "drwxr-xr-x") << Name << ": " << path;
           continue;
           }
        files.insert(path);
        if (entry.mode[0] != 'l') {
           EXPECT_EQ(entry.mode, Executables.count(path) ? "-rwxr-xr-x" : "-rw-r--r--") << Name << ": " << path;
           }
        }
    Files.insert(Executables.begin(), Executables.end());
    EXPECT_EQ(files, Files) << Name;
  }
};

TEST_F(cVdrPackages, LintianFindsNoError)
{
  tProcessResult r = RunProcess({ "/usr/bin/env", "sh", "-c", "lintian --fail-on error " VIMORA_DEB_DIR "/*.changes" });
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const auto &l : Lines(r.out))
      EXPECT_NE(l.compare(0, 3, "E: "), 0) << l;
}

TEST_F(cVdrPackages, EachPackageHoldsExactlyItsFilesWithSaneModes)
{
  std::set<std::string> plugin = {
    "/usr/lib/vdr/plugins/libvdr-vimora.so." + apiVersion,
    "/etc/vdr/conf.avail/vimora.conf",
    "/usr/share/doc/vdr-plugin-vimora/README.md.gz",
    "/usr/share/doc/vdr-plugin-vimora/examples/blacklist.conf",
    "/usr/share/man/man1/vimora2audio.sh.1.gz",
    "/usr/share/man/man1/vimora2mp3.sh.1.gz",
    "/usr/share/man/man1/vimora2ogg.sh.1.gz",
    "/usr/share/lintian/overrides/vdr-plugin-vimora",
  };
  std::string hostDir = "/usr/lib/" + multiarch + "/vimora";
  std::set<std::string> host = {
    hostDir + "/libvdrhost.so",
    hostDir + "/plugins/libvdr-vimora.so",
    hostDir + "/plugins/libvdr-rozerez.so",
    "/usr/share/vimora/demo-guide.conf",
    "/usr/share/vimora/channels.conf",
    "/usr/share/vimora/blacklist.conf",
    "/usr/share/man/man1/vimora-host.1.gz",
  };
  for (const auto &l : Locales()) {
      plugin.insert("/usr/share/locale/" + l + "/LC_MESSAGES/vdr-vimora.mo");
      host.insert(hostDir + "/locale/" + l + "/LC_MESSAGES/vdr-vimora.mo");
      }
  std::set<std::string> pluginScripts, hostPrograms = { "/usr/bin/vimora-host" };
  for (const char *s : { "vimora2mp3.sh", "vimora2ogg.sh", "vimora2audio.sh" }) {
      pluginScripts.insert(std::string("/usr/bin/") + s);
      hostPrograms.insert(hostDir + "/scripts/" + s);
      }
  ExpectContents("vdr-plugin-vimora", plugin, pluginScripts);
  ExpectContents("vdr-plugin-rozerez", { "/usr/lib/vdr/plugins/libvdr-rozerez.so." + apiVersion, "/etc/vdr/conf.avail/rozerez.conf" }, {});
  ExpectContents("vimora-host", host, hostPrograms);

  // the argument files are conffiles, linked into the recorder's folder as 50-NAME.conf
  for (const char *name : { "vimora", "rozerez" }) {
      std::string deb = Package(std::string("vdr-plugin-") + name);
      EXPECT_EQ(Output({ "dpkg-deb", "-I", deb, "conffiles" }), std::string("/etc/vdr/conf.avail/") + name + ".conf");
      EXPECT_NE(Output({ "dpkg-deb", "-I", deb, "postinst" }).find(std::string("dh_vdrplugin_create_symlinks ") + name + ".conf 50"), std::string::npos) << name;
      }
  std::string control = Output({ "dpkg-deb", "-f", Package("vdr-plugin-vimora"), "Depends" });
  EXPECT_NE(control.find("vdr-abi-"), std::string::npos) << control;
  EXPECT_NE(control.find("ffmpeg"), std::string::npos) << control;
}

TEST_F(cVdrPackages, RecorderLoadsThePackagedPlugInsAndSpeaksGerman)
{
  std::string unpacked = root + "/unpacked";
  Unpack("vdr-plugin-vimora", unpacked);
  Unpack("vdr-plugin-rozerez", unpacked);
  std::string pluginDir = unpacked + "/usr/lib/vdr/plugins";
  std::string localeDir = unpacked + "/usr/share/locale";

  std::vector<std::string> lines = Lines(Output({ "vdr", "-V", "-L", pluginDir, "-P", "vimora", "-P", "rozerez" }));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "vimora (0.0.3) - a grabber for VimoraMusic");
  EXPECT_EQ(lines[2], "rozerez (0.1.0) - Cuts recordings into clips, one per pair of marks");

  // the recorder reads the packaged argument files
  std::vector<std::string> args = Lines(Output({ "vdr", "--showargs=" + unpacked + "/etc/vdr/conf.avail" }));
  EXPECT_EQ(args, std::vector<std::string>({ "--plugin=rozerez", "--plugin=vimora --verbose=1 --audiodir=/srv/vimora/music --clipdir=/srv/vimora/musicvideos" }));

  // It offers a language only where its own catalogue is, as on an installed system; the
  // device it needs to start is ours, which no package holds.
  fs::create_directories(localeDir + "/de_DE/LC_MESSAGES");
  fs::create_symlink("/usr/share/locale/de_DE/LC_MESSAGES/vdr.mo", localeDir + "/de_DE/LC_MESSAGES/vdr.mo");
  fs::copy_file(std::string(VIMORA_VDR_PLUGIN_DIR) + "/libvdr-vimoradevice.so." + apiVersion, pluginDir + "/libvdr-vimoradevice.so." + apiVersion);
  cVdrRecorder vdr(root, localeDir);
  vdr.pluginDir = pluginDir;
  WriteFile(vdr.configDir + "/setup.conf", ReadFile(vdr.configDir + "/setup.conf") + "OSDLanguage = de_DE\n");
  ASSERT_TRUE(vdr.Start({ "vimora", "rozerez", "vimoradevice" }, { "LANG=C.UTF-8" })) << vdr.Output();
  std::vector<std::string> reply = vdr.Svdrp("PLUG vimora");
  std::string text;
  for (const auto &l : reply)
      text += l + "\n";
  EXPECT_NE(text.find("Ein Grabber für VimoraMusic"), std::string::npos) << text;
  EXPECT_TRUE(vdr.Stop()) << vdr.Output();
  EXPECT_EQ(vdr.Errors(), std::vector<std::string>());
}

TEST_F(cVdrPackages, HostProgramRunsFromItsPackage)
{
  std::string unpacked = root + "/unpacked";
  Unpack("vimora-host", unpacked);
  std::string plugins = unpacked + "/usr/lib/" + multiarch + "/vimora/plugins";
  // the host library is found beside the program, the plug-ins load into it
  tProcessResult r = RunProcess({ unpacked + "/usr/bin/vimora-host", "-L", plugins, "-P", "vimora", "-P", "rozerez", "-h" });
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("vimora (0.0.3) - a grabber for VimoraMusic"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("rozerez (0.1.0)"), std::string::npos) << r.out;
}

// The packages unpacked into a root of their own and set up as dpkg would (the package's
// postinst run), and the recorder started as its service starts it: /usr/bin/vdr without
// arguments, which reads /etc/vdr/conf.d and becomes the vdr user. In a mount namespace of
// its own, the root's /etc/vdr (the recorder's own 00-vdr.conf with the test's folders and
// port, the links the package makes to its argument files), plug-in folder, /usr/bin and
// an empty /srv stand where they would be installed. A recording converted by itself puts
// the library into the folders the argument file names, owned by the recorder's user.
TEST_F(cVdrPackages, TheServicesRecorderPutsTheLibraryIntoTheFoldersOfTheArgumentFile)
{
  struct passwd *user = getpwnam("vdr");
  if (geteuid() != 0 || !user)
     GTEST_SKIP() << "the recorder starts as root and becomes the user vdr, as its service starts it";
  if (RunProcess({ "/usr/bin/env", "unshare", "-m", "mount", "-t", "tmpfs", "none", "/srv" }).exitCode != 0)
     GTEST_SKIP() << "no mount namespace of our own here";
  uid_t vdrUid = user->pw_uid;
  std::string unpacked = root + "/unpacked", control = root + "/control", etc = root + "/etc-vdr", srv = root + "/srv";
  Unpack("vdr-plugin-vimora", unpacked);
  Unpack("vdr-plugin-rozerez", unpacked);
  ASSERT_EQ(RunProcess({ "/usr/bin/env", "dpkg-deb", "-e", Package("vdr-plugin-vimora"), control }).exitCode, 0);
  std::string pluginDir = unpacked + "/usr/lib/vdr/plugins";
  fs::copy_file(std::string(VIMORA_VDR_PLUGIN_DIR) + "/libvdr-vimoradevice.so." + apiVersion, pluginDir + "/libvdr-vimoradevice.so." + apiVersion);
  cVdrRecorder vdr(root, unpacked + "/usr/share/locale");
  ASSERT_TRUE(WriteFile(vdr.configDir + "/setup.conf", ReadFile(vdr.configDir + "/setup.conf") + "vimora.autoconvert = 2\n"));
  fs::create_directories(etc + "/conf.d");
  fs::copy(unpacked + "/etc/vdr/conf.avail", etc + "/conf.avail");
  for (const char *p : { "vimora", "rozerez" })
      fs::create_symlink(std::string("../conf.avail/") + p + ".conf", etc + "/conf.d/50-" + p + ".conf");
  ASSERT_TRUE(WriteFile(etc + "/conf.d/90-vimoradevice.conf", "[vimoradevice]\n--programme=" + root + "/programme\n"));
  fs::create_directories(srv);
  // the recorder's user reaches its folders, and the log its syslog goes to
  fs::permissions(root, fs::perms(0755));
  ASSERT_TRUE(WriteFile(vdr.logFile, ""));
  for (const auto &d : { vdr.configDir, vdr.videoDir, vdr.cacheDir, vdr.resourceDir, vdr.logFile }) {
      ASSERT_EQ(RunProcess({ "/bin/chown", "-R", "vdr:vdr", d }).exitCode, 0) << d;
      }
  std::string service = root + "/service.sh";
  ASSERT_TRUE(WriteFile(service, "set -e\n"
                                 "mount --bind '" + etc + "' /etc/vdr\n"
                                 "mount --bind '" + pluginDir + "' /usr/lib/vdr/plugins\n"
                                 "mount --bind '" + srv + "' /srv\n"
                                 "mount -t overlay overlay -o 'lowerdir=" + unpacked + "/usr/bin:/usr/bin' /usr/bin\n"
                                 "sh '" + control + "/postinst' configure\n"
                                 "exec /usr/bin/vdr\n"));
  vdr.command = [&](int Port) {
    WriteFile(etc + "/conf.d/00-vdr.conf", "[vdr]\n--config=" + vdr.configDir + "\n--video=" + vdr.videoDir + "\n--lib=/usr/lib/vdr/plugins\n"
              "--epgfile=" + vdr.cacheDir + "/epg.data\n--cachedir=" + vdr.cacheDir + "\n--resdir=" + vdr.resourceDir + "\n"
              "--user=vdr\n--port=" + std::to_string(Port) + "\n--no-kbd\n--device=-\n");
    return std::vector<std::string>{ "unshare", "-m", "--propagation", "private", "sh", service };
  };
  // two songs from the next minute on, recorded by a timer of two minutes
  time_t timerStart = (time(NULL) + 10 + 59) / 60 * 60, start = timerStart + 2;
  const char *titles[] = { "Aurora - Northern Sky (2005)", "Delta Crew & <Friends> - Riverside (1997)" };
  std::string programme = std::string("channel ") + VdrMusicChannelID + "\n";
  std::vector<std::string> guide = { std::string("C ") + VdrMusicChannelID + " VimoraMusic" };
  for (int i = 0; i < 2; i++) {
      std::string at = std::to_string(start + 40 * i);
      programme += "item " + at + " 40 " + titles[i] + "\n";
      guide.insert(guide.end(), { "E " + std::to_string(i + 1) + " " + at + " 40 50 0", std::string("T ") + titles[i], "e" });
      }
  programme += "item " + std::to_string(start + 80) + " 60 VimoraMusic - see you tomorrow\n";
  guide.push_back("c");
  ASSERT_TRUE(WriteFile(root + "/programme", programme));
  ASSERT_TRUE(vdr.Start({}, { "LANG=C.UTF-8" })) << vdr.Output() << Join(vdr.Log());
  std::string music = srv + "/vimora/music", videos = srv + "/vimora/musicvideos";
  // the package made the folders of its argument file
  for (const auto &d : { music, videos }) {
      struct stat st;
      ASSERT_EQ(stat(d.c_str(), &st), 0) << d << "\n" << vdr.Output();
      EXPECT_EQ(st.st_uid, vdrUid) << d;
      }
  std::vector<std::string> put = vdr.SvdrpData("PUTE", guide);
  ASSERT_TRUE(put.size() == 1 && put[0].substr(0, 3) == "250") << Join(put);
  std::vector<std::string> timer = vdr.Svdrp("NEWT 1:1:" + Day(timerStart) + ":" + HourMinute(timerStart) + ":" + HourMinute(timerStart + 120) + ":50:99:Evening:");
  ASSERT_EQ(timer.size(), 1u);
  ASSERT_EQ(timer[0].substr(0, 3), "250") << timer[0];

  std::vector<std::string> library = {
    music + "/Aurora - Northern Sky (2005).mp3",
    music + "/Delta Crew & <Friends> - Riverside (1997).mp3",
    videos + "/Aurora - Northern Sky (2005).ts",
    videos + "/Aurora - Northern Sky (2005).nfo",
    videos + "/Aurora - Northern Sky (2005)-thumb.jpg",
    videos + "/Delta Crew & <Friends> - Riverside (1997).ts",
    videos + "/Delta Crew & <Friends> - Riverside (1997).nfo",
    videos + "/Delta Crew & <Friends> - Riverside (1997)-thumb.jpg",
  };
  std::string log = vdr.configDir + "/plugins/vimora/vimora.log";
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(log).find("' finished") != std::string::npos; }, timerStart + 120 + 90 - time(NULL)))
    << ReadFile(log) << Join(vdr.Log());
  std::vector<std::string> playlists = MatchPaths(music + "/Evening *.m3u");
  ASSERT_EQ(playlists.size(), 1u) << ReadFile(log);
  library.push_back(playlists[0]);
  for (const auto &f : library) {
      struct stat st;
      ASSERT_EQ(stat(f.c_str(), &st), 0) << f << "\n" << ReadFile(log);
      EXPECT_EQ(st.st_uid, vdrUid) << f;
      EXPECT_GT(st.st_size, 0) << f;
      }
  EXPECT_NE(ReadFile(playlists[0]).find(",Delta Crew & <Friends> - Riverside\nDelta Crew & <Friends> - Riverside (1997).mp3\n"), std::string::npos)
    << ReadFile(playlists[0]);
  EXPECT_NE(ReadFile(videos + "/Delta Crew & <Friends> - Riverside (1997).nfo").find("<artist>Delta Crew &amp; &lt;Friends&gt;</artist>"), std::string::npos);
  // nothing of the library went to the recorder's own folders
  EXPECT_FALSE(fs::exists(vdr.configDir + "/Music"));
  EXPECT_TRUE(MatchPaths(vdr.videoDir + "/*/clips").empty());
  EXPECT_TRUE(vdr.Stop()) << vdr.Output();
  EXPECT_EQ(vdr.ExitCode(), 0) << vdr.Output();
  EXPECT_EQ(vdr.Errors(), std::vector<std::string>());
}
