#pragma once

#include <string>

// Runs build/bin/qrhost with `args` (stdout and stderr together); headless runs without $DISPLAY.
struct ProcessRun {
  int exit_code;
  std::string output;
};

ProcessRun RunQrhost(const std::string& args, bool headless = false);
