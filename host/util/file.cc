#include "host/util/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "host/base/logging/logger.h"

namespace util::file {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool IsFileExist(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int64_t GetFileLength(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool MakeDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

bool MakePath(const std::string& path) {
  if (path.empty()) return false;
  if (IsDirectory(path)) return true;
  // Create each missing component from the top; concurrent creators are fine (EEXIST).
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!IsDirectory(prefix) && !MakeDirectory(prefix)) return false;
  }
  return MakeDirectory(path) || IsDirectory(path);
}

bool Remove(const std::string& path) {
  if (path.empty()) return false;
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (errno == EISDIR || errno == EPERM) return ::rmdir(path.c_str()) == 0;
  return false;
}

bool ReadFileToString(const std::string& path, std::string* contents) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string data;
  char buffer[64 * 1024];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (ok && contents) *contents = std::move(data);
  return ok;
}

bool SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents) {
  static std::atomic<uint64_t> counter{0};
  const std::string temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    KLOG(3) << "cannot create " << temp << ": errno " << errno;
    return false;
  }
  const bool written = WriteAll(fd, contents.data(), contents.size()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
    KLOG(3) << "cannot replace " << path << ": errno " << errno;
    ::unlink(temp.c_str());
    return false;
  }
  return SyncDirectory(DirName(path));
}

std::string DirName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string GetUserDataDirectory() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string root;
  if (xdg && xdg[0] == '/') {
    root = xdg;
  } else {
    const char* home = std::getenv("HOME");
    root = std::string(home && home[0] ? home : "/tmp") + "/.local/share";
  }
  if (root.back() != '/') root += '/';
  return root + "quickrec/";
}

}  // namespace util::file
