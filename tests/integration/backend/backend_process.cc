#include "backend_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace qr_backend::testing {

namespace {

// Waits for the child for up to `timeout`; its exit status, or nullopt while it still runs.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

BackendProcess::BackendProcess(std::string data_dir, nlohmann::json config, std::string binary)
    : data_dir_(std::move(data_dir)), config_(std::move(config)), binary_(std::move(binary)) {}

BackendProcess::~BackendProcess() {
  if (running()) Stop();
}

std::string BackendProcess::log() const {
  std::ifstream in(data_dir_ + ".stderr");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool BackendProcess::Start(const std::vector<std::string>& extra_args) {
  std::vector<std::string> args = {binary_, "--data",     data_dir_, "--api-port",
                                   "0",     "--cos-port", "0"};
  if (!config_.empty()) {
    const std::string path = data_dir_ + ".config.json";
    std::ofstream(path) << config_.dump();
    args.insert(args.end(), {"--config", path});
  }
  args.insert(args.end(), extra_args.begin(), extra_args.end());

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  const std::string log_path = data_dir_ + ".stderr";
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int err = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (err >= 0) dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    return false;
  }
  // Read the start-up line, at most 20 s (a cold disk and a loaded machine).
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd fd{out[0], POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  const auto json = nlohmann::json::parse(line.substr(0, line.find('\n')), nullptr, false);
  if (!json.is_object() || !json.contains("api_port")) {
    Kill();
    return false;
  }
  api_port_ = json["api_port"].get<int>();
  cos_port_ = json["cos_port"].get<int>();
  admin_token_ = json["admin_token"].get<std::string>();
  return true;
}

int BackendProcess::Stop() {
  if (!running()) return -1;
  kill(pid_, SIGTERM);
  auto status = WaitFor(pid_, std::chrono::seconds(10));
  if (!status) {
    Kill();
    return -1;
  }
  pid_ = -1;
  return *status;
}

void BackendProcess::Kill() {
  if (!running()) return;
  kill(pid_, SIGKILL);
  WaitFor(pid_, std::chrono::seconds(10));
  pid_ = -1;
}

}  // namespace qr_backend::testing
