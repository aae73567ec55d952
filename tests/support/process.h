// Runs a program as a subprocess and collects its exit code and output.
#ifndef __VIMORA_PROCESS_H
#define __VIMORA_PROCESS_H

#include <string>
#include <vector>

struct tProcessResult {
  int exitCode; // -1 when it did not exit normally
  std::string out, err;
};

tProcessResult RunProcess(const std::vector<std::string> &Argv, const std::string &Input = "");

#endif
