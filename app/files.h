// Small file helpers of vimora-host.
#ifndef __VIMORA_FILES_H
#define __VIMORA_FILES_H

#include <string>
#include <vector>

// The whole file, or "" when it cannot be read.
std::string ReadTextFile(const std::string &Path);
// Writes the file whole (through a temporary file), or not at all.
bool WriteTextFile(const std::string &Path, const std::string &Content);
// The lines of Text without their line ends.
std::vector<std::string> SplitLines(const std::string &Text);
// The names in a folder, sorted, folders with a trailing '/'; false when it cannot be read.
bool FolderEntries(const std::string &Path, std::vector<std::string> &Names);
// The paths matching a shell wildcard pattern, sorted.
std::vector<std::string> MatchPaths(const std::string &Pattern);
// File in the folder Relative to this program's own folder (an installed tree), else in
// Fallback (the source tree); the folder that has it.
std::string FindInstalled(const char *Relative, const char *File, const char *Fallback);

#endif
