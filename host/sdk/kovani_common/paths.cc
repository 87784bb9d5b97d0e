#include "host/sdk/kovani_common/paths.h"

#include <dlfcn.h>

#include "host/base/logging/logger.h"
#include "host/sdk/kovani_common/account.h"
#include "host/util/file.h"

namespace kovani_common::utils {
namespace {

std::string SafeDirectoryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return "anonymous";
  std::string safe = name;
  for (char& c : safe) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    if (!plain) c = '_';
  }
  return safe;
}

}  // namespace

std::string GetUserDataPath() { return util::file::GetUserDataDirectory() + SafeDirectoryName(GetSelfAppUid()) + "/"; }

std::string GetDatabasePath() {
  const std::string path = GetUserDataPath() + "database/";
  if (!util::file::MakePath(path)) KLOG(1) << "cannot create the database directory " << path;
  return path;
}

namespace record {

std::string GetTranscodeExecuteFilePath() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&GetTranscodeExecuteFilePath), &info) || !info.dli_fname) {
    KLOG(1) << "cannot tell where the host library lives";
    return {};
  }
  // <root>/lib/libqrhost.so -> <root>/bin/qr-transcoder
  const std::string lib_dir = util::file::DirName(info.dli_fname);
  return util::file::DirName(lib_dir) + "/bin/qr-transcoder";
}

std::string GetTranscodeTargetName() { return "qr-transcoder"; }

}  // namespace record

}  // namespace kovani_common::utils
