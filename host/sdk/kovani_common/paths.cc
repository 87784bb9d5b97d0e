#include "host/sdk/kovani_common/paths.h"

#include <dlfcn.h>

#include "host/base/logging/logger.h"
#include "host/app/host_application.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/utils/user_config.h"
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

namespace {

// <root>/lib/libqrhost.so -> <root>; empty when the library cannot be found.
std::string HostRoot() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&HostRoot), &info) || !info.dli_fname) {
    KLOG(1) << "cannot tell where the host library lives";
    return {};
  }
  return util::file::DirName(util::file::DirName(info.dli_fname));
}

}  // namespace

std::string GetTranscodeExecuteFilePath() {
  const std::string root = HostRoot();
  return root.empty() ? root : root + "/bin/qr-transcoder";
}

std::string GetResourceDirectory() {
  const std::string root = HostRoot();
  return root.empty() ? root : root + "/share/quickrec/resources/";
}

std::string GetDynamicResourceDirectory() {
  const std::string root = HostRoot();
  return root.empty() ? root : root + "/share/quickrec/dynamic_res/";
}

std::string GetTranscodeTargetName() { return "qr-transcoder"; }

std::string InitDefaultSavePath() {
  const auto* app = host::app::HostApplication::Current();
  std::string path = app && !app->host_config().save_dir.empty() ? app->host_config().save_dir
                                                                  : GetUserDataPath() + "recordings/";
  kovanisdk::utils::user_config::SetValue("meeting.record.save_path", path);
  KLOG(6) << "default record save path: " << path;
  return path;
}

}  // namespace record

}  // namespace kovani_common::utils
