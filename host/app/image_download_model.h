#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 538: fetches images (record covers) from http(s) addresses into files. Downloads
// run one at a time on the worker looper, high-priority ones first; the file appears at its path
// only when complete (written beside it, then renamed). Events fire on the main looper.
constexpr int32_t kImageDownloadModelId = 538;
// {"cache_key": the image address, "path", "is_high_priority", plus anything else (such as
// "index", "image_type"), which the events carry back} -> accepted; false for an address that
// is not http(s) or an empty path.
constexpr int32_t kImageDownloadFetch = 1;
// The image is at "path": {"cache_key", "path", "index", "image_type"} (after a successful download).
constexpr int32_t kImageReadyEvent = 1;
// A fetch ended: {"code", "cache_key", "path", "index", "image_type"}; code 0 on success, the
// HTTP status for an answer other than 2xx, -(libcurl error) when the transfer failed,
// kFileErrorCode when the file could not be written.
constexpr int32_t kImageDownloadFinishEvent = 3;

class ImageDownloadModel : public framework::ModelImpl {
 public:
  static constexpr int kFileErrorCode = -1000;
  static constexpr int64_t kMaxImageBytes = 64 * 1024 * 1024;

  ImageDownloadModel();

 private:
  struct Job {
    std::string url;
    std::string path;
    bool high_priority = false;
    base::variant::Variant request;  // echoed in the events
  };

  bool Fetch(const base::variant::Variant& args);
  void RunNext();
  void Finish(const Job& job, int code);
  // The transfer itself (worker looper); answers the event code.
  static int Download(const std::string& url, const std::string& path);

  std::mutex mutex_;
  std::deque<Job> queue_;
};

}  // namespace host::app
