#include "apps/qrhost/embedded_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/util/file.h"

namespace qrhost {
namespace {

using base::variant::Variant;
using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(10);

// An exclusive lock on a file, held while the object lives.
class FileLock {
 public:
  explicit FileLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// A private directory of ours: not a link, owned by this user, nobody else may enter.
bool MakePrivateDirectory(const std::string& path) {
  if (!util::file::MakePath(path)) return false;
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

std::string ReadCommandLine(pid_t pid) {
  std::string text;
  util::file::ReadFileToString("/proc/" + std::to_string(pid) + "/cmdline", &text);
  return text;
}

bool HasExited(pid_t pid) {
  // Reaps it when this process started it; a zombie would still answer kill(pid, 0).
  if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool WaitForExit(pid_t pid, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!HasExited(pid)) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The first line the back end prints once both ports listen; empty when it exits or stays
// silent until the deadline.
std::string ReadStartupLine(int fd, Clock::time_point deadline) {
  std::string line;
  while (line.empty() || line.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{fd, POLLIN, 0};
    if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0) return "";
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1) return "";
    line += c;
  }
  return line;
}

}  // namespace

EmbeddedBackendPaths EmbeddedBackendPaths::FromEnvironment() {
  EmbeddedBackendPaths paths;
  paths.data_dir = util::file::GetUserDataDirectory() + "backend";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  paths.runtime_dir = runtime && runtime[0] == '/' ? std::string(runtime) + "/quickrec"
                                                   : "/tmp/quickrec-" + std::to_string(::getuid());
  return paths;
}

EmbeddedBackend::EmbeddedBackend(std::string program, EmbeddedBackendPaths paths)
    : program_(std::move(program)), paths_(std::move(paths)) {}

std::optional<EmbeddedBackend::Instance> EmbeddedBackend::ReadState() const {
  std::string text;
  if (!util::file::ReadFileToString(paths_.state_file(), &text)) return std::nullopt;
  const Variant state = Variant::FromJson(text);
  Instance instance;
  instance.pid = static_cast<pid_t>(state.GetInt64("pid"));
  instance.api_port = state.GetInt32("api_port");
  instance.cos_port = state.GetInt32("cos_port");
  if (instance.pid <= 0 || instance.api_port <= 0 || instance.cos_port <= 0) return std::nullopt;
  return instance;
}

bool EmbeddedBackend::IsOurBackend(pid_t pid) const {
  // A pid can be reused after a reboot or a crash: the process must be qr-backend on our data.
  const std::string command = ReadCommandLine(pid);
  const std::string program = command.substr(0, command.find('\0'));
  const std::string data_argument = std::string("--data") + '\0' + paths_.data_dir + '\0';
  return util::file::BaseName(program) == "qr-backend" && command.find(data_argument) != std::string::npos &&
         !HasExited(pid);
}

std::optional<EmbeddedBackend::Instance> EmbeddedBackend::Running() const {
  const auto instance = ReadState();
  if (!instance || !IsOurBackend(instance->pid)) return std::nullopt;
  return instance;
}

bool EmbeddedBackend::EnsureRunning(Instance* instance, std::string* error) {
  if (!MakePrivateDirectory(paths_.runtime_dir)) {
    *error = "cannot use " + paths_.runtime_dir + " for the embedded back end";
    return false;
  }
  FileLock lock(paths_.lock_file());
  if (!lock.held()) {
    *error = "cannot lock " + paths_.lock_file();
    return false;
  }
  if (auto running = Running()) {
    *instance = *running;
    return true;
  }
  if (!util::file::MakePath(paths_.data_dir)) {
    *error = "cannot create " + paths_.data_dir;
    return false;
  }
  // The ports of the last instance first, so that its links work again; any free ones otherwise.
  if (const auto last = ReadState(); last && Start(last->api_port, last->cos_port, instance, error)) return true;
  return Start(0, 0, instance, error);
}

bool EmbeddedBackend::Start(int api_port, int cos_port, Instance* instance, std::string* error) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    *error = "pipe failed";
    return false;
  }
  const int log = ::open(paths_.log_file().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const std::vector<std::string> args = {program_,
                                         "--data",
                                         paths_.data_dir,
                                         "--api-port",
                                         std::to_string(api_port),
                                         "--cos-port",
                                         std::to_string(cos_port),
                                         "--quiet",
                                         "--write-client-config",
                                         paths_.client_config()};
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A session of its own: the terminal's hang-up and Ctrl+C never reach the service.
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(log >= 0 ? log : null, STDERR_FILENO);
    ::close_range(3, ~0U, 0);  // nothing of qrhost's may stay open as long as the service runs
    ::execv(program_.c_str(), argv.data());
    _exit(127);
  }
  ::close(out[1]);
  if (log >= 0) ::close(log);
  if (pid < 0) {
    ::close(out[0]);
    *error = "fork failed";
    return false;
  }
  const std::string line = ReadStartupLine(out[0], Clock::now() + kStartTimeout);
  ::close(out[0]);  // it prints nothing after the first line
  const Variant started = Variant::FromJson(line);
  instance->pid = pid;
  instance->api_port = started.GetInt32("api_port");
  instance->cos_port = started.GetInt32("cos_port");
  if (instance->api_port <= 0 || instance->cos_port <= 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    *error = "the embedded back end " + program_ + " did not start (see " + paths_.log_file() + ")";
    return false;
  }
  Variant state = Variant::MakeMap();
  state.Set("pid", static_cast<int64_t>(pid));
  state.Set("api_port", instance->api_port);
  state.Set("cos_port", instance->cos_port);
  state.Set("data_dir", paths_.data_dir);
  if (!util::file::WriteFileAtomically(paths_.state_file(), state.ToJson())) {
    ::kill(pid, SIGTERM);
    WaitForExit(pid, kStopTimeout);
    *error = "cannot write " + paths_.state_file();
    return false;
  }
  return true;
}

bool EmbeddedBackend::Stop(std::string* error) {
  if (!util::file::IsFileExist(paths_.runtime_dir)) return true;
  FileLock lock(paths_.lock_file());
  if (!lock.held()) {
    *error = "cannot lock " + paths_.lock_file();
    return false;
  }
  if (const auto running = Running()) {
    ::kill(running->pid, SIGTERM);
    if (!WaitForExit(running->pid, kStopTimeout)) {
      ::kill(running->pid, SIGKILL);
      WaitForExit(running->pid, kStopTimeout);
    }
  }
  // The ports stay remembered for the next start; the pid and the account go.
  util::file::Remove(paths_.client_config());
  return true;
}

bool EmbeddedBackend::ApplyClientConfig(host::app::HostConfig* config, std::string* error) const {
  std::string text;
  if (!util::file::ReadFileToString(paths_.client_config(), &text)) {
    *error = "the embedded back end left no client configuration in " + paths_.client_config();
    return false;
  }
  const Variant client = Variant::FromJson(text);
  Variant merged = config->ToVariant();
  for (const char* key : {"backend_url", "web_host", "account"}) merged.Set(key, client.Get(key));
  host::app::HostConfig updated = host::app::HostConfig::FromVariant(merged);
  updated.persistent = config->persistent;
  updated.source_path = config->source_path;
  *config = std::move(updated);
  if (config->backend_url.empty() || !config->account.signed_in()) {
    *error = "the client configuration " + paths_.client_config() + " names no back end or no account";
    return false;
  }
  return true;
}

}  // namespace qrhost
