// What every fuzz target shares: a private scratch folder, the input written to a file
// there, and a host log that must keep every message on one line.
#ifndef __VIMORA_FUZZSUPPORT_H
#define __VIMORA_FUZZSUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <string>

// Sets up the process once: UTC, the host log checked and kept quiet, the scratch folder.
void FuzzInit(void);
// The scratch folder (made on first use, removed at exit).
const std::string &FuzzDir(void);
// A recording of the music channel in the scratch folder, 250 frames with an I-frame
// every 12 (made once); its folder.
const std::string &FuzzRecording(void);
// Writes the input to Name in the scratch folder and returns its path.
std::string FuzzFile(const char *Name, const uint8_t *Data, size_t Size);
std::string ReadWhole(const std::string &Path);
// The input as a C text (it ends at its first NUL).
std::string FuzzText(const uint8_t *Data, size_t Size);
// Stops the run with a message: the check that failed is a finding.
[[noreturn]] void FuzzFail(const char *What, const std::string &Detail);

#define FUZZ_CHECK(cond, detail) ((cond) ? void() : FuzzFail(#cond, detail))

#endif
