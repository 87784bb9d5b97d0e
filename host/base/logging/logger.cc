#include "host/base/logging/logger.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <sys/time.h>

namespace base::logging {
namespace {

std::atomic<int> g_level{3};

struct Sinks {
  std::mutex mutex;
  std::vector<std::shared_ptr<LogSink>> list;
};

Sinks& GetSinks() {
  static Sinks* sinks = [] {
    auto* s = new Sinks;
    s->list.push_back(std::make_shared<StderrSink>(3));
    return s;
  }();
  return *sinks;
}

const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

std::string FormatRecord(const LogRecord& record) {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm local{};
  localtime_r(&tv.tv_sec, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<long>(tv.tv_usec / 1000));
  std::string line;
  line.reserve(record.message.size() + 64);
  line.append(stamp).append(" [").append(std::to_string(record.level)).append("] ");
  line.append(record.file).append(":").append(std::to_string(record.line)).append(" ");
  line.append(record.function).append(" ").append(record.message).append("\n");
  return line;
}

void StderrSink::Write(const LogRecord& record) {
  if (record.level > max_level_) return;
  const std::string line = FormatRecord(record);
  std::fwrite(line.data(), 1, line.size(), stderr);
}

FileSink::FileSink(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {}

FileSink::~FileSink() {
  if (file_) std::fclose(file_);
}

void FileSink::Write(const LogRecord& record) {
  if (!file_) return;
  const std::string line = FormatRecord(record);
  std::lock_guard lock(mutex_);
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

void CaptureSink::Write(const LogRecord& record) {
  std::lock_guard lock(mutex_);
  records_.push_back(record);
}

std::vector<LogRecord> CaptureSink::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

bool CaptureSink::Contains(const std::string& text) const { return Count(text) > 0; }

size_t CaptureSink::Count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  return std::count_if(records_.begin(), records_.end(),
                       [&](const LogRecord& r) { return r.message.find(text) != std::string::npos; });
}

void CaptureSink::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

int CurrentLevel() { return g_level.load(std::memory_order_relaxed); }
void SetLevel(int level) { g_level.store(level, std::memory_order_relaxed); }

void AddSink(std::shared_ptr<LogSink> sink) {
  auto& sinks = GetSinks();
  std::lock_guard lock(sinks.mutex);
  sinks.list.push_back(std::move(sink));
}

void RemoveSink(const std::shared_ptr<LogSink>& sink) {
  auto& sinks = GetSinks();
  std::lock_guard lock(sinks.mutex);
  std::erase(sinks.list, sink);
}

ScopedLogCapture::ScopedLogCapture()
    : sink_(std::make_shared<CaptureSink>()), previous_level_(CurrentLevel()) {
  AddSink(sink_);
  SetLevel(6);
}

ScopedLogCapture::~ScopedLogCapture() {
  RemoveSink(sink_);
  SetLevel(previous_level_);
}

LogMessage::LogMessage(int level, const char* file, int line, const char* function)
    : level_(level), file_(file), line_(line), function_(function) {}

LogMessage::~LogMessage() {
  LogRecord record{level_, BaseName(file_), line_, function_, stream_.str()};
  auto& sinks = GetSinks();
  std::vector<std::shared_ptr<LogSink>> copy;
  {
    std::lock_guard lock(sinks.mutex);
    copy = sinks.list;
  }
  for (auto& sink : copy) sink->Write(record);
}

}  // namespace base::logging
