// The cutting service of the rozerez plug-in, for plug-ins that call it:
//   cPluginManager::GetPlugin("rozerez")->Service(ROZEREZ_MULTICUT_SERVICE, &request)
// cuts one clip per pair of cut marks of the recording (1st and 2nd mark, 3rd and 4th, ...;
// a last mark without partner is ignored) and names each after its start mark's comment.
// Service() is false for any other id, and true with a null request (a probe).
//
// Version 1.1 takes a MultiCutRequest_v1_1: the caller names the clip folder and gets the
// clips' files back. Callers of 1.0 go on as before.
#ifndef __ROZEREZ_SERVICE_H
#define __ROZEREZ_SERVICE_H

#include <string>
#include <vector>

#define ROZEREZ_MULTICUT_SERVICE "Rozerez-MultiCut-v1.0"
#define ROZEREZ_MULTICUT_SERVICE_V1_1 "Rozerez-MultiCut-v1.1"

struct MultiCutRequest {
  // In: the recording's directory (cRecording::FileName()). The service neither keeps
  // nor frees it: it stays the caller's.
  char *recordingFileName;
  // Out: null when every clip was written, else what went wrong. The text belongs to
  // the plug-in and stays valid while the plug-in is loaded.
  const char *errorText;
};

struct MultiCutRequest_v1_1 {
  // In and out as in MultiCutRequest.
  char *recordingFileName;
  const char *errorText;
  // In: the folder of the clips (created when missing); null or empty: the plug-in's own
  // (its -d, else "clips" beside the recording's folder). It stays the caller's.
  const char *clipFolder;
  // Out, when not null: the path of each clip written, in the order of the pairs.
  std::vector<std::string> *clipFiles;
};

#endif
