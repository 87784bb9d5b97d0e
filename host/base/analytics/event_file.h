#pragma once

#include <memory>
#include <string>

#include "host/base/analytics/analytics.h"

namespace base::analytics {

// util::file::GetUserDataDirectory() + "analytics/events.jsonl"
std::string DefaultEventFilePath();
// Appends every accepted event to `path` as one JSON line from now on (the directory is created).
// The host application calls this at start-up; the answer can be handed to RemoveSink. Null when
// the directory cannot be created.
std::shared_ptr<EventSink> OpenEventFile(const std::string& path);

}  // namespace base::analytics
