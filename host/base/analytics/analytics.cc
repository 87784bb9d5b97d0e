#include "host/base/analytics/analytics.h"

#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"

namespace base::analytics {
namespace {

struct Sinks {
  std::mutex mutex;
  std::vector<std::shared_ptr<EventSink>> list;
};

Sinks& GetSinks() {
  static auto* sinks = new Sinks;
  return *sinks;
}

}  // namespace

void JsonLinesSink::Write(const Event& event) {
  nlohmann::json line = {{"name", event.name}, {"properties", event.properties}, {"time_ms", event.wall_ms}};
  const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::lock_guard lock(mutex_);
  if (FILE* f = std::fopen(path_.c_str(), "a")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

void MemorySink::Write(const Event& event) {
  std::lock_guard lock(mutex_);
  events_.push_back(event);
}

std::vector<Event> MemorySink::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<Event> MemorySink::EventsNamed(const std::string& name) const {
  std::lock_guard lock(mutex_);
  std::vector<Event> named;
  std::copy_if(events_.begin(), events_.end(), std::back_inserter(named), [&](const Event& e) { return e.name == name; });
  return named;
}

void MemorySink::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

void AddSink(std::shared_ptr<EventSink> sink) {
  auto& sinks = GetSinks();
  std::lock_guard lock(sinks.mutex);
  sinks.list.push_back(std::move(sink));
}

void RemoveSink(const std::shared_ptr<EventSink>& sink) {
  auto& sinks = GetSinks();
  std::lock_guard lock(sinks.mutex);
  std::erase(sinks.list, sink);
}

bool LogEvent(const std::string& name) { return LogEventWithProperties(name, {}); }

bool LogEventWithProperty(const std::string& name, const std::string& key, const std::string& value) {
  return LogEventWithProperties(name, {{key, value}});
}

bool LogEventWithProperties(const std::string& name, const Properties& properties) {
  if (name.rfind("e#", 0) != 0) {
    KLOG(3) << "analytics event refused, name must begin with e#: " << name;
    return false;
  }
  const Event event{name, properties, clock::WallMs()};
  std::vector<std::shared_ptr<EventSink>> copy;
  {
    auto& sinks = GetSinks();
    std::lock_guard lock(sinks.mutex);
    copy = sinks.list;
  }
  for (auto& sink : copy) sink->Write(event);
  return true;
}

}  // namespace base::analytics
