// A stand-in for the cutting plug-in "rozerez" in the plug-in's tests. Its service
// notes every call in the file given with --record (the recording's file name and the
// marks file as it was at the call, a line "folder FOLDER" when the caller named the clip
// folder, then a line "--"), and answers as told:
//   --unsupported   false for every service id
//   --error=TEXT    true, with TEXT as the error
// Otherwise it answers "Rozerez-MultiCut-v1.0" and "-v1.1" with success (writing no clip)
// and any other id with false.
#include <getopt.h>
#include <stdio.h>
#include <string>
#include <vdr/plugin.h>
#include <vdr/tools.h>

#include "rozerez_service.h"

namespace {

std::string ReadAll(const std::string &Path)
{
  std::string text;
  if (FILE *f = fopen(Path.c_str(), "r")) {
     char buf[4096];
     size_t n;
     while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
       text.append(buf, n);
     fclose(f);
  }
  return text;
}

} // namespace

class cPluginFakeRozerez : public cPlugin {
private:
  bool unsupported = false;
  std::string error, record;

public:
  virtual const char *Version(void) { return "0"; }
  virtual const char *Description(void) { return "fake cutter"; }
  virtual bool ProcessArgs(int argc, char *argv[])
  {
    static const struct option options[] = {
      { "unsupported", no_argument, NULL, 'u' },
      { "error", required_argument, NULL, 'e' },
      { "record", required_argument, NULL, 'r' },
      { NULL, 0, NULL, 0 }
    };
    int c;
    while ((c = getopt_long(argc, argv, "", options, NULL)) != -1) {
      switch (c) {
        case 'u': unsupported = true; break;
        case 'e': error = optarg; break;
        case 'r': record = optarg; break;
        default: return false;
      }
    }
    return true;
  }
  virtual bool Service(const char *Id, void *Data)
  {
    bool v11 = Id && strcmp(Id, ROZEREZ_MULTICUT_SERVICE_V1_1) == 0;
    if (unsupported || !Id || !(v11 || strcmp(Id, ROZEREZ_MULTICUT_SERVICE) == 0) || !Data)
       return false;
    // the two requests begin alike
    MultiCutRequest *request = static_cast<MultiCutRequest *>(Data);
    const char *folder = v11 ? static_cast<MultiCutRequest_v1_1 *>(Data)->clipFolder : NULL;
    if (!record.empty()) {
       std::string name = request->recordingFileName;
       std::string entry = name + "\n" + ReadAll(name + "/marks") + (folder && *folder ? std::string("folder ") + folder + "\n" : "") + "--\n";
       if (FILE *f = fopen(record.c_str(), "a")) {
          fputs(entry.c_str(), f);
          fclose(f);
       }
    }
    request->errorText = error.empty() ? NULL : error.c_str();
    return true;
  }
};

VDRPLUGINCREATOR(cPluginFakeRozerez);
