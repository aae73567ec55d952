// The cutting service of the rozerez plug-in, for plug-ins that call it:
//   cPluginManager::GetPlugin("rozerez")->Service(ROZEREZ_MULTICUT_SERVICE, &request)
// cuts one clip per pair of cut marks of the recording (1st and 2nd mark, 3rd and 4th, ...;
// a last mark without partner is ignored) and names each after its start mark's comment.
// Service() is false for any other id, and true with a null request (a probe).
#ifndef __ROZEREZ_SERVICE_H
#define __ROZEREZ_SERVICE_H

#define ROZEREZ_MULTICUT_SERVICE "Rozerez-MultiCut-v1.0"

struct MultiCutRequest {
  // In: the recording's directory (cRecording::FileName()). The service neither keeps
  // nor frees it: it stays the caller's.
  char *recordingFileName;
  // Out: null when every clip was written, else what went wrong. The text belongs to
  // the plug-in and stays valid while the plug-in is loaded.
  const char *errorText;
};

#endif
