#include "host/app/image_download_model.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>

#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"
#include "host/util/file.h"

namespace host::app {

using base::variant::Variant;

namespace {

struct Sink {
  FILE* file = nullptr;
  int64_t bytes = 0;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  sink->bytes += static_cast<int64_t>(n);
  // Answering less than given makes libcurl stop with CURLE_WRITE_ERROR.
  if (sink->bytes > ImageDownloadModel::kMaxImageBytes) return 0;
  return std::fwrite(data, 1, n, sink->file);
}

bool IsHttpUrl(const std::string& url) { return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0; }

}  // namespace

ImageDownloadModel::ImageDownloadModel() : framework::ModelImpl(kImageDownloadModelId) {
  BindMethod(kImageDownloadFetch, [this](const Variant& args, Variant*) { return Fetch(args); });
}

bool ImageDownloadModel::Fetch(const Variant& args) {
  Job job{args.GetString("cache_key"), args.GetString("path"), args.GetBool("is_high_priority"), args};
  base::threading::Looper* worker = base::threading::LooperThread::WorkerLooper();
  if (!IsHttpUrl(job.url) || job.path.empty() || !worker) {
    KLOG(3) << "image download refused: address '" << job.url << "', path '" << job.path << "'";
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    // High priority goes behind the other high-priority jobs, ahead of the normal ones.
    auto position = queue_.end();
    if (job.high_priority) {
      position = queue_.begin();
      while (position != queue_.end() && position->high_priority) ++position;
    }
    queue_.insert(position, std::move(job));
  }
  std::weak_ptr<framework::ModelImpl> weak = weak_from_this();
  worker->PostTask(
      [weak] {
        if (auto self = std::static_pointer_cast<ImageDownloadModel>(weak.lock())) self->RunNext();
      },
      FROM_HERE);
  return true;
}

void ImageDownloadModel::RunNext() {
  Job job;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return;
    job = std::move(queue_.front());
    queue_.pop_front();
  }
  const int code = Download(job.url, job.path);
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (!main) return;
  std::weak_ptr<framework::ModelImpl> weak = weak_from_this();
  main->PostTask(
      [weak, job = std::move(job), code] {
        if (auto self = std::static_pointer_cast<ImageDownloadModel>(weak.lock())) self->Finish(job, code);
      },
      FROM_HERE);
}

void ImageDownloadModel::Finish(const Job& job, int code) {
  Variant payload = Variant::MakeMap();
  payload.Set("cache_key", job.url);
  payload.Set("path", job.path);
  payload.Set("index", job.request.Get("index"));
  payload.Set("image_type", job.request.Get("image_type"));
  if (code == 0) FireEvent(kImageReadyEvent, payload);
  payload.Set("code", code);
  FireEvent(kImageDownloadFinishEvent, payload);
}

int ImageDownloadModel::Download(const std::string& url, const std::string& path) {
  static std::once_flag curl_ready;
  std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (!util::file::MakePath(util::file::DirName(path))) return kFileErrorCode;
  const std::string partial = path + ".part";
  Sink sink;
  sink.file = std::fopen(partial.c_str(), "wb");
  if (!sink.file) return kFileErrorCode;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 60000L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  const bool flushed = std::fflush(sink.file) == 0;
  std::fclose(sink.file);
  int code = 0;
  if (result != CURLE_OK) {
    code = -static_cast<int>(result);
  } else if (status < 200 || status > 299) {
    code = static_cast<int>(status);
  } else if (!flushed || std::rename(partial.c_str(), path.c_str()) != 0) {
    code = kFileErrorCode;
  }
  if (code != 0) util::file::Remove(partial);
  KLOG(code == 0 ? 6 : 3) << "image download " << url << " -> " << path << ": code " << code;
  return code;
}

}  // namespace host::app
