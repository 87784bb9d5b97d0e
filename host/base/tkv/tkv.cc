#include "host/base/tkv/tkv.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/util/file.h"

namespace base::tkv {
namespace {

// Rewrite the index after this many appends; records after it are replayed at open.
constexpr int kIndexEveryAppends = 64;
// Compact only logs of at least this size whose dead records outweigh the live ones.
constexpr uint64_t kCompactMinBytes = 256 * 1024;

bool ReadAt(int fd, uint64_t offset, size_t size, std::string* out) {
  out->resize(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out->data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteAt(int fd, uint64_t offset, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name.size() <= 200 && name != "." && name != ".." &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

uint64_t NewGeneration() {
  // Distinct per rewrite and per process, so an index never matches a log it does not describe.
  static std::mutex mutex;
  static uint64_t last = 0;
  std::lock_guard lock(mutex);
  const uint64_t candidate = (static_cast<uint64_t>(base::clock::WallMs()) << 20) ^ static_cast<uint64_t>(::getpid());
  last = candidate > last ? candidate : last + 1;
  return last;
}

// Leftovers of writers that were killed: index temp files and an unfinished compaction.
void RemoveLeftovers(const std::string& key_path, const std::string& value_path) {
  util::file::Remove(value_path + ".compact");
  const std::string prefix = util::file::BaseName(key_path) + ".tmp-";
  DIR* dir = ::opendir(util::file::DirName(key_path).c_str());
  if (!dir) return;
  while (dirent* entry = ::readdir(dir)) {
    if (std::string(entry->d_name).rfind(prefix, 0) == 0) {
      util::file::Remove(util::file::DirName(key_path) + "/" + entry->d_name);
    }
  }
  ::closedir(dir);
}

struct Registry {
  std::recursive_mutex mutex;
  std::map<std::string, std::weak_ptr<TKV>> stores;
};

Registry& GetRegistry() {
  static auto* registry = new Registry;
  return *registry;
}

}  // namespace

std::string TKV::DefaultDirectory() { return util::file::GetUserDataDirectory() + "tkv/"; }

std::shared_ptr<TKV> TKV::Create(const std::string& name, VersionConfig config) {
  return CreateInDirectory(DefaultDirectory(), name, config);
}

std::shared_ptr<TKV> TKV::CreateInDirectory(const std::string& directory, const std::string& name,
                                            VersionConfig config) {
  if (config != VersionConfig::KeepOldVersionAndUseLatestVersionForNewFile || !IsPlainName(name)) {
    KLOG(1) << "tkv refused store name '" << name << "'";
    return nullptr;
  }
  if (!util::file::MakePath(directory)) {
    KLOG(1) << "tkv cannot create directory " << directory;
    return nullptr;
  }
  const std::string base = (directory.back() == '/' ? directory : directory + "/") + name;
  auto& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  if (auto existing = registry.stores[base].lock()) return existing;
  // Destroy under the registry lock, so the store's lock is released before anybody reopens it.
  std::shared_ptr<TKV> store(new TKV(base + ".tkvk", base + ".tkvv"), [](TKV* p) {
    std::lock_guard lock(GetRegistry().mutex);
    delete p;
  });
  if (!store->Open()) return nullptr;
  registry.stores[base] = store;
  return store;
}

TKV::TKV(std::string key_path, std::string value_path)
    : key_path_(std::move(key_path)), value_path_(std::move(value_path)) {}

TKV::~TKV() {
  if (fd_ < 0) return;
  if (appends_since_index_ > 0) WriteIndex();
  ::close(fd_);
}

bool TKV::Open() {
  fd_ = ::open(value_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    KLOG(1) << "tkv cannot open " << value_path_ << ": errno " << errno;
    return false;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    KLOG(1) << "tkv store " << value_path_ << " is in use by another process";
    return false;
  }
  RemoveLeftovers(key_path_, value_path_);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  // A file shorter than its header was never committed to: it died while being created.
  if (static_cast<uint64_t>(st.st_size) < format::kValueHeaderSize) return Initialise();
  std::string header_bytes;
  if (!ReadAt(fd_, 0, format::kValueHeaderSize, &header_bytes) || !format::DecodeValueHeader(header_bytes, &header_)) {
    KLOG(1) << "tkv file " << value_path_ << " is not a store; left untouched";
    return false;
  }
  if (header_.version == 0 || header_.version > format::kLatestVersion) {
    KLOG(1) << "tkv file " << value_path_ << " has format version " << header_.version << ", this build knows up to "
            << format::kLatestVersion << "; left untouched";
    return false;
  }
  return LoadIndex(static_cast<uint64_t>(st.st_size));
}

bool TKV::Initialise() {
  header_ = format::ValueHeader{format::kLatestVersion, NewGeneration()};
  if (::ftruncate(fd_, 0) != 0 || !WriteAt(fd_, 0, format::EncodeValueHeader(header_)) || ::fsync(fd_) != 0) {
    KLOG(1) << "tkv cannot initialise " << value_path_;
    return false;
  }
  util::file::SyncDirectory(util::file::DirName(value_path_));
  util::file::Remove(key_path_);
  index_ = format::Index{header_.version, header_.generation, format::kValueHeaderSize, {}};
  end_ = format::kValueHeaderSize;
  live_bytes_ = 0;
  return true;
}

bool TKV::LoadIndex(uint64_t file_size) {
  std::string bytes;
  format::Index stored;
  bool usable = util::file::ReadFileToString(key_path_, &bytes) && format::DecodeIndex(bytes, &stored) &&
                stored.version == header_.version && stored.generation == header_.generation &&
                stored.covered_size >= format::kValueHeaderSize && stored.covered_size <= file_size;
  for (const auto& [key, entry] : stored.entries) {
    usable = usable && entry.value_offset + entry.value_size <= stored.covered_size;
  }
  if (usable) {
    index_ = std::move(stored);
  } else {
    index_ = format::Index{header_.version, header_.generation, format::kValueHeaderSize, {}};
  }
  live_bytes_ = 0;
  for (const auto& [key, entry] : index_.entries) live_bytes_ += entry.record_size;
  return Replay(index_.covered_size, file_size);
}

bool TKV::Replay(uint64_t offset, uint64_t file_size) {
  int replayed = 0;
  std::string record;
  while (offset < file_size) {
    format::RecordHeader header;
    if (file_size - offset < format::kRecordHeaderSize || !ReadAt(fd_, offset, format::kRecordHeaderSize, &record) ||
        !format::DecodeRecordHeader(record, &header) || header.total_size() > file_size - offset ||
        !ReadAt(fd_, offset, header.total_size(), &record) || !format::VerifyRecord(record, header)) {
      break;
    }
    std::string key = record.substr(format::kRecordHeaderSize, header.key_size);
    if (auto it = index_.entries.find(key); it != index_.entries.end()) {
      live_bytes_ -= it->second.record_size;
      index_.entries.erase(it);
    }
    if (header.op == format::Op::kSet) {
      index_.entries[std::move(key)] =
          format::IndexEntry{offset + format::kRecordHeaderSize + header.key_size, header.value_size, header.total_size()};
      live_bytes_ += header.total_size();
    }
    offset += header.total_size();
    ++replayed;
  }
  if (offset < file_size) {
    KLOG(3) << "tkv " << value_path_ << ": cut " << (file_size - offset) << " bytes of an unfinished write at " << offset;
    if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0 || ::fsync(fd_) != 0) return false;
  }
  end_ = offset;
  appends_since_index_ = replayed;
  return replayed == 0 || WriteIndex();
}

bool TKV::GetString(const std::string& key, std::string* value) const {
  std::lock_guard lock(mutex_);
  auto it = index_.entries.find(key);
  if (it == index_.entries.end()) return false;
  std::string bytes;
  if (!ReadAt(fd_, it->second.value_offset, it->second.value_size, &bytes)) {
    KLOG(1) << "tkv cannot read " << value_path_ << " at " << it->second.value_offset;
    return false;
  }
  if (value) *value = std::move(bytes);
  return true;
}

std::string TKV::GetString(const std::string& key, const std::string& def) const {
  std::string value;
  return GetString(key, &value) ? value : def;
}

bool TKV::SetString(const std::string& key, const std::string& value) {
  if (key.size() > format::kMaxKeySize || value.size() > format::kMaxValueSize) {
    KLOG(1) << "tkv refused a key of " << key.size() << " bytes or a value of " << value.size() << " bytes";
    return false;
  }
  std::lock_guard lock(mutex_);
  return Append(format::Op::kSet, key, value);
}

bool TKV::Remove(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (!index_.entries.contains(key)) return true;
  return Append(format::Op::kRemove, key, "");
}

bool TKV::Contains(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return index_.entries.contains(key);
}

std::vector<std::string> TKV::GetAllKeys() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> keys;
  for (const auto& [key, entry] : index_.entries) keys.push_back(key);
  return keys;
}

bool TKV::Clear() {
  std::lock_guard lock(mutex_);
  return Rewrite(true);
}

bool TKV::Append(format::Op op, const std::string& key, const std::string& value) {
  const std::string record = format::EncodeRecord(op, key, value);
  if (!WriteAt(fd_, end_, record) || ::fdatasync(fd_) != 0) {
    KLOG(1) << "tkv cannot append to " << value_path_ << ": errno " << errno;
    // Leave no half record behind for later appends to follow.
    if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0) KLOG(1) << "tkv cannot cut back " << value_path_;
    return false;
  }
  if (auto it = index_.entries.find(key); it != index_.entries.end()) {
    live_bytes_ -= it->second.record_size;
    index_.entries.erase(it);
  }
  if (op == format::Op::kSet) {
    index_.entries[key] = format::IndexEntry{end_ + format::kRecordHeaderSize + key.size(),
                                             static_cast<uint32_t>(value.size()), record.size()};
    live_bytes_ += record.size();
  }
  end_ += record.size();
  if (++appends_since_index_ >= kIndexEveryAppends) WriteIndex();
  // A failed compaction leaves the store as it was; the write itself has succeeded.
  if (ShouldCompact()) Rewrite(false);
  return true;
}

bool TKV::WriteIndex() {
  index_.covered_size = end_;
  if (!util::file::WriteFileAtomically(key_path_, format::EncodeIndex(index_))) return false;
  appends_since_index_ = 0;
  return true;
}

bool TKV::ShouldCompact() const {
  const uint64_t dead = end_ - format::kValueHeaderSize - live_bytes_;
  return end_ >= kCompactMinBytes && dead > live_bytes_;
}

bool TKV::Rewrite(bool drop_all) {
  const std::string temp_path = value_path_ + ".compact";
  const int fd = ::open(temp_path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const format::ValueHeader header{header_.version, NewGeneration()};
  format::Index index{header.version, header.generation, 0, {}};
  uint64_t end = format::kValueHeaderSize;
  // Lock the new file before it takes the store's name, so nobody can claim it in between.
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && WriteAt(fd, 0, format::EncodeValueHeader(header));
  std::string value;
  for (auto it = index_.entries.begin(); ok && !drop_all && it != index_.entries.end(); ++it) {
    ok = ReadAt(fd_, it->second.value_offset, it->second.value_size, &value);
    const std::string record = format::EncodeRecord(format::Op::kSet, it->first, value);
    ok = ok && WriteAt(fd, end, record);
    index.entries[it->first] =
        format::IndexEntry{end + format::kRecordHeaderSize + it->first.size(), it->second.value_size, record.size()};
    end += record.size();
  }
  ok = ok && ::fsync(fd) == 0 && ::rename(temp_path.c_str(), value_path_.c_str()) == 0;
  if (!ok) {
    KLOG(1) << "tkv cannot rewrite " << value_path_ << ": errno " << errno;
    ::close(fd);
    util::file::Remove(temp_path);
    return false;
  }
  util::file::SyncDirectory(util::file::DirName(value_path_));
  ::close(fd_);
  fd_ = fd;
  header_ = header;
  index_ = std::move(index);
  end_ = end;
  live_bytes_ = end - format::kValueHeaderSize;
  KLOG(6) << "tkv " << value_path_ << " rewritten: " << index_.entries.size() << " keys, " << end_ << " bytes";
  // Without a fresh index the next open replays the whole (small) log; the rewrite stands.
  WriteIndex();
  return true;
}

}  // namespace base::tkv
