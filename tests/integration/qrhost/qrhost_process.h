#pragma once

#include <string>

// Runs build/bin/qrhost with `args` (stdout and stderr together); headless runs without $DISPLAY.
struct ProcessRun {
  int exit_code;
  std::string output;
};

ProcessRun RunQrhost(const std::string& args, bool headless = false);

// Every qrhost these tests start keeps its data, runtime state and configuration in one private
// home (XDG_DATA_HOME, XDG_RUNTIME_DIR, XDG_CONFIG_HOME under a temporary directory), never in
// the real one; an embedded back end left running is stopped when the tests end. A test may
// point the variables elsewhere for itself.
const std::string& QrhostTestHome();
