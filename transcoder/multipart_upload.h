#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "transcoder/cos_client.h"
#include "transcoder/upload_error.h"
#include "transcoder/upload_state.h"

namespace qr_transcoder {

struct UploadPolicy {
  // S3-compatible stores refuse smaller parts but the last.
  static constexpr uint64_t kMinPartSize = 5ull << 20;
  // A recording's parts go out as it grows, and the progress a user sees moves only when one is
  // acknowledged: the smallest part the store takes puts the first one up soonest.
  uint64_t part_size = kMinPartSize;
  // Parts sent at once when more than one is ready (a large file, a catch-up after a recovery).
  int parallel = 3;
  int retries = 2;             // extra attempts of a request that failed transiently
  int64_t retry_delay_ms = 500;
};

// Uploads a file, which may still be growing at its end, as one multipart object: every part but
// the last has `part_size` bytes, so part n always holds the bytes from (n-1) * part_size on.
// Parts go up in order, each with Content-MD5 and its ETag checked. The completed object's ETag
// is the store's composite of the part MD5s (MultipartEtag), so the final check needs no pass over
// the whole file: the part digests it already has, and the size.
//
// Taking over an earlier upload (state with an upload id) lists its parts first: the store is the
// source of truth. A listed part is kept, not sent again, when its size and ETag match the local
// bytes at its place; any other part is sent (again).
//
//   Start() -> UploadReady()* -> Finish()      each answers kUploadOk or the error to report
//
// Runs on its task's thread, which sends up to `parallel` ready parts at once on helper threads;
// the listener hears OnPartStarted on those, everything else on the task's thread. `cancel` (set
// from anywhere) aborts the requests in flight.
class MultipartUpload {
 public:
  struct Listener {
    virtual ~Listener() = default;
    virtual void OnPartStarted(int number) = 0;
    virtual void OnPartUploaded(const CosPart& part) = 0;
    // The state changed (an upload id, a part); the owner persists it.
    virtual void OnStateChanged() = 0;
  };

  MultipartUpload(std::string file_path, UploadState* state, UploadPolicy policy, CosTimeouts timeouts,
                  const std::atomic<bool>* cancel, Listener* listener);
  MultipartUpload(const MultipartUpload&) = delete;
  MultipartUpload& operator=(const MultipartUpload&) = delete;

  void SetGrant(CosGrant grant) { grant_ = std::move(grant); }
  UploadError Start();
  // Sends every whole part that lies within the first `available` bytes of the file.
  UploadError UploadReady(uint64_t available);
  // The file is final at `file_size` bytes: sends the rest, completes, and checks the object's
  // size and ETag against the file's size and part MD5s.
  UploadError Finish(uint64_t file_size);
  // For an upload completed before: hashes the file part by part and checks the object's size
  // and ETag (HEAD) against it.
  UploadError VerifyObject(uint64_t file_size);

  uint64_t uploaded_bytes() const { return next_offset_; }
  int parts_sent() const { return parts_sent_; }
  int parts_kept() const { return parts_kept_; }
  const std::string& error_message() const { return error_message_; }
  // The request that failed: "initiate", "list_parts", "part", "complete", "head" or "file".
  const std::string& failed_step() const { return failed_step_; }
  const CosResponse& last_failure() const { return last_failure_; }
  // The ETag the completed object must have; empty before Finish() or VerifyObject().
  const std::string& object_etag() const { return object_etag_; }

 private:
  UploadError Initiate();
  struct PartJob {
    CosPart part;
    uint64_t offset = 0;
    bool read = false;
    bool kept = false;  // the store has it already
    CosResponse response;
  };
  // Sends the next parts, of these sizes, from next_offset_ on.
  UploadError SendParts(const std::vector<uint64_t>& sizes);
  // Reads, hashes and sends one part with the connection and the body buffer of one worker.
  void RunPart(PartJob* job, CosClient* client, std::vector<uint8_t>* buffer);
  UploadError CommitPart(PartJob& job);
  UploadError CheckFinished(uint64_t size, const std::string& etag, uint64_t file_size);
  CosResponse WithRetries(const std::function<CosResponse()>& request) const;
  UploadError Failed(const CosResponse& response, const std::string& step, const std::string& what);
  UploadError LocalFailure(const std::string& what);
  // Reads `size` bytes from `offset` into the front of *out (grown when too small, never
  // shrunk, so a worker's buffer is not cleared again for every part) and hashes them piece by
  // piece as they arrive, while they are still in the cache.
  bool ReadRange(uint64_t offset, uint64_t size, std::vector<uint8_t>* out, std::string* md5_hex) const;

  const std::string file_path_;
  UploadState* const state_;
  const UploadPolicy policy_;
  const CosTimeouts timeouts_;
  const std::atomic<bool>* cancel_;
  Listener* const listener_;
  CosClient client_;
  std::vector<std::unique_ptr<CosClient>> part_clients_;
  std::vector<std::vector<uint8_t>> part_buffers_;  // one per worker, reused from part to part
  CosGrant grant_;
  std::string object_etag_;
  std::vector<uint8_t> buffer_;
  // Parts the store listed when this upload was taken over, by number; checked as they come up.
  std::map<int, CosPart> listed_;
  uint64_t next_offset_ = 0;
  int parts_sent_ = 0;
  int parts_kept_ = 0;
  std::string error_message_;
  std::string failed_step_;
  CosResponse last_failure_;
};

}  // namespace qr_transcoder
