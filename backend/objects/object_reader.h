#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "objects/blob_directory.h"

namespace qr_backend {

struct StoredObject {
  std::string bucket;
  std::string key;
  std::string owner_uid;
  int64_t size = 0;
  std::string etag;  // MD5 of the content, lower-case hex, no quotes
  std::string content_type;
};

// One file of an object's content, at `offset` within the object.
struct ObjectSegment {
  std::string path;
  int64_t offset = 0;
  int64_t size = 0;
};

// An open object whose content lies in one or more files, one after another. Its files are
// pinned, so reading stays valid when the object is replaced or deleted meanwhile. Files are
// opened one at a time as reading reaches them, so an object of many parts costs one
// descriptor per reader.
class ObjectReader {
 public:
  // `segments` are in offset order, contiguous, and cover info.size bytes.
  ObjectReader(StoredObject info, std::vector<ObjectSegment> segments,
               std::shared_ptr<const BlobDirectory::Pin> pin);
  ~ObjectReader();
  ObjectReader(const ObjectReader&) = delete;
  ObjectReader& operator=(const ObjectReader&) = delete;

  const StoredObject& info() const { return info_; }
  // Reads up to `size` bytes at `offset`, across segments; fewer only at the end of the
  // object; -1 on an I/O error or a file shorter than the object says.
  int64_t ReadAt(int64_t offset, char* out, size_t size) const;

 private:
  // The descriptor of segment `index`, opening it (and closing the previous one) if needed.
  int FileOf(size_t index) const;

  StoredObject info_;
  std::vector<ObjectSegment> segments_;
  std::shared_ptr<const BlobDirectory::Pin> pin_;
  mutable std::mutex mutex_;
  mutable int fd_ = -1;
  mutable size_t fd_segment_ = 0;
};

}  // namespace qr_backend
