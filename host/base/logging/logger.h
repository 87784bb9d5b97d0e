#pragma once

#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

// The host logger. Levels: 1 failure, 3 and 4 unexpected but handled, 6 routine.
// A line is built only when its level is enabled, so stream arguments of a disabled line are
// never evaluated.
namespace base::logging {

struct LogRecord {
  int level = 6;
  std::string file;  // base name only
  int line = 0;
  std::string function;
  std::string message;
};

std::string FormatRecord(const LogRecord& record);

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Write(const LogRecord& record) = 0;
};

// Lines go to stderr up to the sink's own level.
class StderrSink : public LogSink {
 public:
  explicit StderrSink(int max_level) : max_level_(max_level) {}
  void Write(const LogRecord& record) override;

 private:
  int max_level_;
};

// Appends every line to a file.
class FileSink : public LogSink {
 public:
  explicit FileSink(const std::string& path);
  ~FileSink() override;
  bool ok() const { return file_ != nullptr; }
  void Write(const LogRecord& record) override;

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

// Keeps every line in memory, for tests.
class CaptureSink : public LogSink {
 public:
  void Write(const LogRecord& record) override;
  std::vector<LogRecord> Records() const;
  bool Contains(const std::string& text) const;
  size_t Count(const std::string& text) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<LogRecord> records_;
};

int CurrentLevel();
void SetLevel(int level);
inline bool IsOn(int level) { return level <= CurrentLevel(); }

void AddSink(std::shared_ptr<LogSink> sink);
void RemoveSink(const std::shared_ptr<LogSink>& sink);

// Installs a capture sink at level 6 for the lifetime of the object (tests).
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  CaptureSink& sink() { return *sink_; }
  bool Contains(const std::string& text) const { return sink_->Contains(text); }
  size_t Count(const std::string& text) const { return sink_->Count(text); }

 private:
  std::shared_ptr<CaptureSink> sink_;
  int previous_level_;
};

class LogMessage {
 public:
  LogMessage(int level, const char* file, int line, const char* function);
  ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  std::ostream& stream() { return stream_; }

 private:
  int level_;
  const char* file_;
  int line_;
  const char* function_;
  std::ostringstream stream_;
};

// Lets the macro below be one expression whose stream part is skipped when the level is off.
struct LogVoidify {
  void operator&(std::ostream&) {}
};

}  // namespace base::logging

#define KLOG(level)                           \
  !::base::logging::IsOn(level) ? (void)0     \
                                : ::base::logging::LogVoidify() & \
                                      ::base::logging::LogMessage(level, __FILE__, __LINE__, __func__).stream()
