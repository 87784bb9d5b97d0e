#include "host/app/user_config_model.h"

#include <set>

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/util/file.h"

namespace host::app {

using base::variant::Variant;

UserConfigModel::UserConfigModel(std::string path) : framework::ModelImpl(kUserConfigModelId), path_(std::move(path)) {
  BindMethod(kUserConfigGet, [this](const Variant& args, Variant* result) {
    if (result) *result = Get(args.GetString("key"), args.Get("def_value"));
    return true;
  });
  BindMethod(kUserConfigSet, [this](const Variant& args, Variant*) {
    Set(args.GetString("key"), args.Get("value"));
    return true;
  });
  Load();
}

Variant UserConfigModel::Get(const std::string& key, const Variant& def) const {
  auto it = values_.find(key);
  return it == values_.end() ? def : it->second;
}

void UserConfigModel::Set(const std::string& key, Variant value) {
  values_[key] = std::move(value);
  Save();
  Variant change = Variant::MakeMap();
  change.Set("key", key);
  FireEvent(kUserConfigChangedEvent, change);
}

void UserConfigModel::Open(std::string path) {
  if (path == path_) return;
  const auto previous = std::move(values_);
  path_ = std::move(path);
  Load();
  std::set<std::string> keys;
  for (const auto& [key, value] : previous) keys.insert(key);
  for (const auto& [key, value] : values_) keys.insert(key);
  for (const auto& key : keys) {
    auto before = previous.find(key);
    if (before != previous.end() && before->second == Get(key)) continue;
    Variant change = Variant::MakeMap();
    change.Set("key", key);
    FireEvent(kUserConfigChangedEvent, change);
  }
}

void UserConfigModel::Load() {
  values_.clear();
  std::string text;
  if (path_.empty() || !util::file::ReadFileToString(path_, &text)) return;
  bool ok = false;
  const Variant stored = Variant::FromJson(text, &ok);
  if (!ok || !stored.IsMap()) {
    // Never reached by our own writes (they are atomic); a hand-edited file is not worth a crash.
    KLOG(3) << "user configuration " << path_ << " is unreadable, starting empty";
    return;
  }
  for (const auto& [key, value] : stored.AsMap()) values_.emplace(key, value);
}

void UserConfigModel::Save() const {
  if (path_.empty()) return;
  Variant stored = Variant::MakeMap();
  for (const auto& [key, value] : values_) stored.Set(key, value);
  if (!util::file::MakePath(util::file::DirName(path_)) || !util::file::WriteFileAtomically(path_, stored.ToJson())) {
    KLOG(1) << "cannot write user configuration " << path_;
  }
}

}  // namespace host::app
