#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/tkv/tkv_file_format.h"

namespace base::tkv {

// A persistent store of text values by key in two files: the value file (an append-only log
// whose every record carries a CRC-32) and the key file (a checksummed index of that log).
// Crash-safe: every Set/Remove is on disk (fsync) before it returns, and a process killed at any
// moment leaves each key with either its old or its new value — a torn record at the end of the
// log fails its CRC and is cut off at the next open. The log is compacted into a new file
// (written beside it, flushed, then renamed over it) when it is mostly dead space.
// One process owns a store at a time (an advisory lock on the value file); within a process,
// Create of the same store answers the same object. Thread-safe.
class TKV {
 public:
  enum class VersionConfig {
    // A file keeps the format version it was written with (when this build knows it); a new
    // file gets the latest version. A file of an unknown (newer) version is not opened.
    KeepOldVersionAndUseLatestVersionForNewFile,
  };

  // The store `name` in DefaultDirectory(); null when the name is not a plain file name, the
  // files cannot be opened, or another process holds the store.
  static std::shared_ptr<TKV> Create(const std::string& name, VersionConfig config);
  static std::shared_ptr<TKV> CreateInDirectory(const std::string& directory, const std::string& name,
                                                VersionConfig config);
  // util::file::GetUserDataDirectory() + "tkv/"
  static std::string DefaultDirectory();

  ~TKV();
  TKV(const TKV&) = delete;
  TKV& operator=(const TKV&) = delete;

  bool GetString(const std::string& key, std::string* value) const;
  std::string GetString(const std::string& key, const std::string& def) const;
  bool SetString(const std::string& key, const std::string& value);
  // True when the key is gone afterwards (also when it never existed).
  bool Remove(const std::string& key);
  bool Contains(const std::string& key) const;
  std::vector<std::string> GetAllKeys() const;
  // Drops every key.
  bool Clear();

  std::string GetKeyFilePath() const { return key_path_; }
  std::string GetValueFilePath() const { return value_path_; }
  uint32_t format_version() const { return header_.version; }

 private:
  TKV(std::string key_path, std::string value_path);
  bool Open();
  bool Initialise();
  bool LoadIndex(uint64_t file_size);
  // Applies the records from `offset` on; cuts a torn or corrupt tail off the file.
  bool Replay(uint64_t offset, uint64_t file_size);
  bool Append(format::Op op, const std::string& key, const std::string& value);
  bool WriteIndex();
  // Rewrites the log with only the live records (none when `drop_all`).
  bool Rewrite(bool drop_all);
  bool ShouldCompact() const;

  const std::string key_path_;
  const std::string value_path_;
  mutable std::mutex mutex_;
  int fd_ = -1;
  format::ValueHeader header_;
  format::Index index_;
  uint64_t end_ = 0;         // where the next record goes
  uint64_t live_bytes_ = 0;  // bytes of the records the index points at
  int appends_since_index_ = 0;
};

}  // namespace base::tkv
