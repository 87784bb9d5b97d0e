#include "qrhost_process.h"

#include <sys/wait.h>

#include <cstdio>

ProcessRun RunQrhost(const std::string& args, bool headless) {
  const std::string command =
      std::string(headless ? "env -u DISPLAY " : "") + QUICKREC_BIN_DIR + "/qrhost " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}
