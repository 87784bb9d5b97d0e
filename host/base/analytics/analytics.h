#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Product analytics events. Names must begin with "e#" (page#element#action); others are refused.
namespace base::analytics {

using Properties = std::map<std::string, std::string>;

struct Event {
  std::string name;
  Properties properties;
  int64_t wall_ms = 0;
};

class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Write(const Event& event) = 0;
};

// One JSON object per line.
class JsonLinesSink : public EventSink {
 public:
  explicit JsonLinesSink(std::string path) : path_(std::move(path)) {}
  void Write(const Event& event) override;

 private:
  std::mutex mutex_;
  std::string path_;
};

// Keeps events in memory, for tests.
class MemorySink : public EventSink {
 public:
  void Write(const Event& event) override;
  std::vector<Event> Events() const;
  std::vector<Event> EventsNamed(const std::string& name) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

void AddSink(std::shared_ptr<EventSink> sink);
void RemoveSink(const std::shared_ptr<EventSink>& sink);

// Return whether the event was accepted.
bool LogEvent(const std::string& name);
bool LogEventWithProperty(const std::string& name, const std::string& key, const std::string& value);
bool LogEventWithProperties(const std::string& name, const Properties& properties);

// Installs a memory sink for the lifetime of the object (tests).
class ScopedEventCapture {
 public:
  ScopedEventCapture() : sink_(std::make_shared<MemorySink>()) { AddSink(sink_); }
  ~ScopedEventCapture() { RemoveSink(sink_); }
  MemorySink& sink() { return *sink_; }

 private:
  std::shared_ptr<MemorySink> sink_;
};

}  // namespace base::analytics
