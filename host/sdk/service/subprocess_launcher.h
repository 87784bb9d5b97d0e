#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kovanisdk::service {

// What "kovani:create_sub_process" asks for, read from its JSON fields:
//   "--shell"       absolute path of the program
//   "--target"      the name the process is known by
//   "--originalcmd" the command line; the words after the "--shell=..." word become arguments
//   "--detach"      "1": the process outlives the host (its own session, not ended at shutdown)
//   "--anrtimeout"  milliseconds without any sign of life from a connected process before it is
//                   taken for hung and killed; "0" or empty for never
//   "--pid"         not used
struct SubprocessRequest {
  std::string program;
  std::string target;
  std::vector<std::string> arguments;
  bool detach = false;
  int64_t anr_timeout_ms = 0;

  static bool FromJson(const std::string& text, SubprocessRequest* request, std::string* error);
};

// Splits a command line into words: blanks separate words, double quotes group (and are
// removed), a backslash inside double quotes escapes '"' and '\\'.
std::vector<std::string> SplitCommandLine(const std::string& line);

class SubprocessLauncher {
 public:
  // Starts the program with posix_spawn: the host's environment plus `extra_environment`
  // ("NAME=value"), stdin from /dev/null, no descriptors of the host beyond stdout and stderr.
  // Answers 0 and the child's pid, or the errno value of the failure.
  static int Spawn(const SubprocessRequest& request, const std::vector<std::string>& extra_environment, pid_t* pid);
};

}  // namespace kovanisdk::service
