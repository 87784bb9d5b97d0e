#include "common/log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace qr_backend {

namespace {

std::atomic<bool> quiet{false};
std::mutex output_mutex;

void Write(const char* level, std::string_view message) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
  std::lock_guard lock(output_mutex);
  std::fprintf(stderr, "%s.%03dZ qr-backend %s %.*s\n", stamp, static_cast<int>(millis), level,
               static_cast<int>(message.size()), message.data());
}

}  // namespace

void LogInfo(std::string_view message) {
  if (!quiet.load()) Write("info", message);
}

void LogWarning(std::string_view message) { Write("warn", message); }

void SetQuietLogging(bool value) { quiet.store(value); }

}  // namespace qr_backend
