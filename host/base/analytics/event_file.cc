#include "host/base/analytics/event_file.h"

#include "host/base/logging/logger.h"
#include "host/util/file.h"

namespace base::analytics {

std::string DefaultEventFilePath() { return util::file::GetUserDataDirectory() + "analytics/events.jsonl"; }

std::shared_ptr<EventSink> OpenEventFile(const std::string& path) {
  if (!util::file::MakePath(util::file::DirName(path))) {
    KLOG(1) << "analytics: cannot create the directory of " << path;
    return nullptr;
  }
  auto sink = std::make_shared<JsonLinesSink>(path);
  AddSink(sink);
  return sink;
}

}  // namespace base::analytics
