// The rozerez plug-in: cuts recordings into clips for other plug-ins, through the service
// in rozerez_service.h.
#include <getopt.h>
#include <set>
#include <string>
#include <vdr/plugin.h>
#include <vdr/thread.h>

#include "cutter.h"
#include "rozerez_service.h"

static const char *VERSION = "0.1.0";
static const char *DESCRIPTION = "Cuts recordings into clips, one per pair of marks";

class cPluginRozerez : public cPlugin {
private:
  std::string clipFolder; // empty: beside each recording
  cMutex mutex;           // one cut at a time; guards messages
  std::set<std::string> messages;
  const char *Cut(const char *RecordingFileName, const char *Folder = NULL, std::vector<std::string> *Files = NULL);

public:
  virtual const char *Version(void) { return VERSION; }
  virtual const char *Description(void) { return DESCRIPTION; }
  virtual const char *CommandLineHelp(void);
  virtual bool ProcessArgs(int argc, char *argv[]);
  virtual bool Service(const char *Id, void *Data = NULL);
};

const char *cPluginRozerez::CommandLineHelp(void)
{
  return "  -d DIR,   --dir=DIR      write the clips into DIR (default: the folder \"clips\"\n"
         "                           beside each recording's folder, that is\n"
         "                           <video>/<recording name>/clips)\n";
}

bool cPluginRozerez::ProcessArgs(int argc, char *argv[])
{
  static const struct option long_options[] = {
    { "dir", required_argument, NULL, 'd' },
    { NULL, 0, NULL, 0 }
  };
  int c;
  while ((c = getopt_long(argc, argv, "d:", long_options, NULL)) != -1) {
    switch (c) {
      case 'd':
        if (!*optarg)
           return false;
        clipFolder = optarg;
        break;
      default:
        return false;
    }
  }
  return optind >= argc;
}

// The error text, or null when every clip was written.
const char *cPluginRozerez::Cut(const char *RecordingFileName, const char *Folder, std::vector<std::string> *Files)
{
  cMutexLock lock(&mutex);
  cClipCutter cutter(RecordingFileName, Folder && *Folder ? Folder : clipFolder);
  bool cut = cutter.Cut();
  if (Files)
     *Files = cutter.Files();
  if (cut) {
     isyslog("rozerez: %d clip(s) of %s written into %s", cutter.Clips(), RecordingFileName, cutter.Folder().c_str());
     return NULL;
  }
  esyslog("ERROR: %s", cutter.Error().c_str());
  // a caller may show the text after the call; the set keeps each text for good
  return messages.insert(cutter.Error()).first->c_str();
}

bool cPluginRozerez::Service(const char *Id, void *Data)
{
  if (!Id)
     return false;
  if (strcmp(Id, ROZEREZ_MULTICUT_SERVICE) == 0) {
     if (Data) {
        MultiCutRequest *request = static_cast<MultiCutRequest *>(Data);
        request->errorText = Cut(request->recordingFileName);
     }
     return true;
  }
  if (strcmp(Id, ROZEREZ_MULTICUT_SERVICE_V1_1) == 0) {
     if (Data) {
        MultiCutRequest_v1_1 *request = static_cast<MultiCutRequest_v1_1 *>(Data);
        request->errorText = Cut(request->recordingFileName, request->clipFolder, request->clipFiles);
     }
     return true;
  }
  return false;
}

VDRPLUGINCREATOR(cPluginRozerez);
