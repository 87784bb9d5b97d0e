#include "host/sdk/service/subprocess_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"

extern char** environ;

namespace kovanisdk::service {
namespace {

// A JSON field given as a string (as the module sends them) or as a number.
std::string FieldText(const base::json::JsonValue& json, const char* key) {
  const base::json::JsonValue value = json[key];
  if (value.IsString()) return value.AsString();
  if (value.IsInteger()) return std::to_string(value.AsInteger());
  return {};
}

std::string NameOf(const std::string& assignment) { return assignment.substr(0, assignment.find('=')); }

}  // namespace

bool SubprocessRequest::FromJson(const std::string& text, SubprocessRequest* request, std::string* error) {
  const base::json::JsonValue json = base::json::JsonValue::Parse(text);
  if (!json.IsObject()) {
    *error = "not a JSON object";
    return false;
  }
  SubprocessRequest parsed;
  parsed.program = FieldText(json, "--shell");
  parsed.target = FieldText(json, "--target");
  if (parsed.program.empty() || parsed.program[0] != '/') {
    *error = "\"--shell\" must be an absolute program path";
    return false;
  }
  if (parsed.target.empty()) {
    *error = "\"--target\" is empty";
    return false;
  }
  for (const std::string& word : SplitCommandLine(FieldText(json, "--originalcmd"))) {
    if (word.rfind("--shell=", 0) != 0) parsed.arguments.push_back(word);
  }
  parsed.detach = FieldText(json, "--detach") == "1";
  const std::string anr = FieldText(json, "--anrtimeout");
  char* end = nullptr;
  const long long anr_ms = anr.empty() ? 0 : std::strtoll(anr.c_str(), &end, 10);
  if (!anr.empty() && (*end != '\0' || anr_ms < 0)) {
    *error = "\"--anrtimeout\" is not a number of milliseconds";
    return false;
  }
  parsed.anr_timeout_ms = anr_ms;
  *request = std::move(parsed);
  return true;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word += line[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      in_word = true;
      if (c == '"') {
        quoted = true;
      } else {
        word += c;
      }
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

int SubprocessLauncher::Spawn(const SubprocessRequest& request, const std::vector<std::string>& extra_environment,
                              pid_t* pid) {
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string assignment = *entry;
    bool overridden = false;
    for (const auto& extra : extra_environment) overridden = overridden || NameOf(extra) == NameOf(assignment);
    if (!overridden) environment.push_back(assignment);
  }
  environment.insert(environment.end(), extra_environment.begin(), extra_environment.end());
  std::vector<char*> envp;
  for (auto& assignment : environment) envp.push_back(assignment.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_storage{request.program};
  argv_storage.insert(argv_storage.end(), request.arguments.begin(), request.arguments.end());
  std::vector<char*> argv;
  for (auto& arg : argv_storage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // Descriptors some library opened without O_CLOEXEC must not leak into the child either.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (request.detach) flags |= POSIX_SPAWN_SETSID;
  sigset_t empty_mask;
  sigset_t default_signals;
  sigemptyset(&empty_mask);
  sigfillset(&default_signals);
  posix_spawnattr_setsigmask(&attributes, &empty_mask);
  posix_spawnattr_setsigdefault(&attributes, &default_signals);
  posix_spawnattr_setflags(&attributes, flags);
  const int rc = posix_spawn(pid, request.program.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    KLOG(1) << "cannot start " << request.program << ": errno " << rc;
  } else {
    KLOG(6) << "started " << request.program << " as target " << request.target << ", pid " << *pid;
  }
  return rc;
}

}  // namespace kovanisdk::service
