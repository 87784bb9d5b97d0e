#include "transcoder/multipart_upload.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "host/base/logging/logger.h"
#include "host/util/crypto.h"

namespace qr_transcoder {

MultipartUpload::MultipartUpload(std::string file_path, UploadState* state, UploadPolicy policy, CosTimeouts timeouts,
                                 const std::atomic<bool>* cancel, Listener* listener)
    : file_path_(std::move(file_path)),
      state_(state),
      policy_(policy),
      timeouts_(timeouts),
      cancel_(cancel),
      listener_(listener),
      client_(timeouts, cancel) {}

CosResponse MultipartUpload::WithRetries(const std::function<CosResponse()>& request) const {
  CosResponse response = request();
  for (int attempt = 0; attempt < policy_.retries && IsTransient(ClassifyCosFailure(response)); ++attempt) {
    if (cancel_ && cancel_->load()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(policy_.retry_delay_ms));
    response = request();
  }
  return response;
}

UploadError MultipartUpload::Failed(const CosResponse& response, const std::string& step, const std::string& what) {
  last_failure_ = response;
  failed_step_ = step;
  error_message_ = what + ": " + DescribeCosFailure(response);
  KLOG(1) << file_path_ << " " << error_message_;
  return ClassifyCosFailure(response);
}

UploadError MultipartUpload::LocalFailure(const std::string& what) {
  error_message_ = what;
  failed_step_ = "file";
  KLOG(1) << file_path_ << " " << what;
  return kUploadLocalFile;
}

UploadError MultipartUpload::Initiate() {
  std::string upload_id;
  const CosResponse response = WithRetries([&] { return client_.Initiate(grant_, &upload_id); });
  if (!response.ok()) return Failed(response, "initiate", "initiate");
  state_->upload_id = upload_id;
  state_->object_url = grant_.url;
  state_->part_size = policy_.part_size;
  state_->parts.clear();
  listener_->OnStateChanged();
  return kUploadOk;
}

UploadError MultipartUpload::Start() {
  if (!grant_.CanWrite()) {
    failed_step_ = "initiate";
    error_message_ = "no authorisation to write " + grant_.url;
    return kUploadAuth;
  }
  next_offset_ = 0;
  listed_.clear();
  // An upload of another object (a new record) or of another part size cannot be continued.
  if (state_->upload_id.empty() || state_->object_url != grant_.url || state_->part_size != policy_.part_size) {
    return Initiate();
  }
  std::vector<CosPart> parts;
  const CosResponse response = WithRetries([&] { return client_.ListParts(grant_, state_->upload_id, &parts); });
  if (response.http_status == 404) {
    KLOG(3) << "upload " << state_->upload_id << " is gone from the store; starting a new one";
    return Initiate();
  }
  if (!response.ok()) return Failed(response, "list_parts", "list parts");
  for (const auto& part : parts) listed_[part.number] = part;
  KLOG(6) << "taking over upload " << state_->upload_id << " with " << parts.size() << " listed parts";
  state_->parts.clear();
  return kUploadOk;
}

bool MultipartUpload::ReadRange(uint64_t offset, uint64_t size, std::vector<uint8_t>* out,
                                std::string* md5_hex) const {
  // Small enough to stay in the cache between the read and the hash.
  constexpr uint64_t kPiece = 1 << 20;
  if (out->size() < size) out->resize(size);
  const int fd = ::open(file_path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  util::crypto::Md5Stream md5;
  uint64_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out->data() + done, std::min(kPiece, size - done), static_cast<off_t>(offset + done));
    if (n <= 0) break;
    md5.Update(out->data() + done, static_cast<size_t>(n));
    done += static_cast<uint64_t>(n);
  }
  ::close(fd);
  *md5_hex = md5.HexDigest();
  return done == size;
}

void MultipartUpload::RunPart(PartJob* job, CosClient* client, std::vector<uint8_t>* buffer) {
  job->read = ReadRange(job->offset, job->part.size, buffer, &job->part.etag);
  if (!job->read) return;
  const auto listed = listed_.find(job->part.number);
  job->kept = listed != listed_.end() && listed->second.size == job->part.size && listed->second.etag == job->part.etag;
  if (job->kept) return;
  listener_->OnPartStarted(job->part.number);
  job->response = WithRetries([&] {
    return client->UploadPart(grant_, state_->upload_id, job->part.number, buffer->data(), job->part.size,
                              job->part.etag);
  });
}

UploadError MultipartUpload::CommitPart(PartJob& job) {
  const std::string name = "part " + std::to_string(job.part.number);
  if (!job.read) return LocalFailure("cannot read " + name + " of the file");
  if (!job.kept) {
    if (!job.response.ok()) return Failed(job.response, "part", name);
    if (job.response.etag != job.part.etag) {
      last_failure_ = job.response;
      failed_step_ = "part";
      error_message_ = name + " came back with ETag " + job.response.etag;
      return kUploadVerifyFailed;
    }
    ++parts_sent_;
  } else {
    ++parts_kept_;
  }
  next_offset_ += job.part.size;
  state_->parts.push_back(job.part);
  listener_->OnStateChanged();
  listener_->OnPartUploaded(job.part);
  return kUploadOk;
}

UploadError MultipartUpload::SendParts(const std::vector<uint64_t>& sizes) {
  if (sizes.empty()) return kUploadOk;
  const size_t workers = std::min(static_cast<size_t>(std::max(1, policy_.parallel)), sizes.size());
  while (part_clients_.size() < workers) part_clients_.push_back(std::make_unique<CosClient>(timeouts_, cancel_));
  part_buffers_.resize(std::max(part_buffers_.size(), workers));
  std::vector<PartJob> jobs(sizes.size());
  uint64_t offset = next_offset_;
  for (size_t i = 0; i < jobs.size(); ++i) {
    jobs[i].part = {static_cast<int>(state_->parts.size() + i) + 1, "", sizes[i]};
    jobs[i].offset = offset;
    offset += sizes[i];
  }
  // Workers take the next part as soon as theirs is answered, so the connections never wait for
  // a whole batch; parts are committed here in order, and at most one part more than there are
  // connections is taken ahead of the commits. A part's body lives only in its worker's buffer
  // while it is read and sent, so the memory held is one part per connection.
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;
  size_t committed = 0;
  bool stop = false;
  std::vector<bool> finished(jobs.size(), false);
  const auto work = [&](CosClient* client, std::vector<uint8_t>* buffer) {
    for (;;) {
      size_t i = 0;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || next == jobs.size() || next < committed + workers + 1; });
        if (stop || next == jobs.size()) return;
        i = next++;
      }
      RunPart(&jobs[i], client, buffer);
      {
        std::lock_guard lock(mutex);
        finished[i] = true;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (size_t w = 0; w < workers; ++w) threads.emplace_back(work, part_clients_[w].get(), &part_buffers_[w]);
  UploadError error = kUploadOk;
  for (size_t i = 0; i < jobs.size() && error == kUploadOk; ++i) {
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return finished[i]; });
    }
    // A part acknowledged after a failed one is in the store and is kept on the next attempt.
    error = CommitPart(jobs[i]);
    {
      std::lock_guard lock(mutex);
      committed = i + 1;
      stop = error != kUploadOk;
    }
    changed.notify_all();
  }
  for (auto& thread : threads) thread.join();
  return error;
}

UploadError MultipartUpload::UploadReady(uint64_t available) {
  std::vector<uint64_t> sizes;
  for (uint64_t at = next_offset_; at + policy_.part_size <= available; at += policy_.part_size) {
    sizes.push_back(policy_.part_size);
  }
  return SendParts(sizes);
}

UploadError MultipartUpload::CheckFinished(uint64_t size, const std::string& etag, uint64_t file_size) {
  if (size == file_size && etag == object_etag_) return kUploadOk;
  failed_step_ = "complete";
  error_message_ = "object has " + std::to_string(size) + " bytes, ETag " + etag + "; the file " +
                   std::to_string(file_size) + " bytes, parts make " + object_etag_;
  KLOG(1) << file_path_ << " " << error_message_;
  return kUploadVerifyFailed;
}

UploadError MultipartUpload::Finish(uint64_t file_size) {
  if (const UploadError error = UploadReady(file_size); error != kUploadOk) return error;
  if (next_offset_ < file_size) {
    if (const UploadError error = SendParts({file_size - next_offset_}); error != kUploadOk) return error;
  }
  if (state_->parts.empty()) return LocalFailure("the file is empty");
  // Every part's ETag was checked against the MD5 of its local bytes when it was acknowledged
  // or kept, so the composite of those ETags stands for the whole file.
  object_etag_ = MultipartEtag(state_->parts);
  uint64_t size = 0;
  CosResponse response = WithRetries([&] { return client_.Complete(grant_, state_->upload_id, state_->parts, &size); });
  if (response.http_status == 404) {
    // Completed before, and the answer was lost: the object itself tells.
    response = WithRetries([&] { return client_.Head(grant_, &size); });
  }
  if (!response.ok()) return Failed(response, "complete", "complete");
  return CheckFinished(size, response.etag, file_size);
}

UploadError MultipartUpload::VerifyObject(uint64_t file_size) {
  const uint64_t part_size = state_->part_size ? state_->part_size : policy_.part_size;
  std::vector<CosPart> parts;
  for (uint64_t offset = 0; offset < file_size; offset += part_size) {
    const uint64_t size = std::min(part_size, file_size - offset);
    std::string md5;
    if (!ReadRange(offset, size, &buffer_, &md5)) return LocalFailure("cannot read the file");
    parts.push_back({static_cast<int>(parts.size()) + 1, md5, size});
  }
  object_etag_ = MultipartEtag(parts);
  uint64_t size = 0;
  const CosResponse response = WithRetries([&] { return client_.Head(grant_, &size); });
  if (!response.ok()) return Failed(response, "head", "head");
  return CheckFinished(size, response.etag, file_size);
}

}  // namespace qr_transcoder
