#include "host/framework/extension/extension_service.h"

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"

namespace framework {

void ExtensionService::Contribute(const std::string& contribution_point, const ExtensionInfo& info) {
  auto& list = contributions_[contribution_point];
  const bool known = std::any_of(list.begin(), list.end(), [&](const ExtensionInfo& i) {
    return i.extension_name == info.extension_name && i.module_name == info.module_name;
  });
  if (!known) list.push_back(info);
}

std::vector<ExtensionInfo> ExtensionService::Contributions(const std::string& contribution_point) const {
  auto it = contributions_.find(contribution_point);
  return it == contributions_.end() ? std::vector<ExtensionInfo>{} : it->second;
}

std::vector<std::string> ExtensionService::ContributionPoints() const {
  std::vector<std::string> points;
  for (const auto& [point, list] : contributions_) points.push_back(point);
  return points;
}

std::shared_ptr<extension::ExtensionImpl> ExtensionService::CreateExtension(const std::string& contribution_point,
                                                                           const ExtensionInfo& info,
                                                                           const base::variant::Variant& params) {
  auto* runtime = module::GetModuleService().GetModuleRuntime(info.module_name);
  auto* provider = runtime ? runtime->GetExtensionProvider() : nullptr;
  if (!provider) return nullptr;
  auto extension = provider->BuildExtension({info.extension_name, info.module_name, contribution_point, params});
  if (!extension) {
    KLOG(3) << "module " << info.module_name << " has no extension " << info.extension_name;
    return nullptr;
  }
  extension->SetItemObserver([this](const std::string& name, const base::variant::Variant& changes) {
    auto it = live_.find(name);
    if (it == live_.end()) return;
    for (const auto& [key, value] : changes.AsMap()) it->second.item.Set(key, value);
  });
  extension->Init(params);
  live_[info.extension_name] = Live{info.module_name, extension, extension->HandleGetItemInfo()};
  return extension;
}

base::variant::Variant ExtensionService::ItemOf(const std::string& extension_name) const {
  auto it = live_.find(extension_name);
  return it == live_.end() ? base::variant::Variant() : it->second.item;
}

void ExtensionService::RegisterCommand(const std::string& name, Command command) { commands_[name] = std::move(command); }

bool ExtensionService::RunCommand(const std::string& name, const base::variant::Variant& args) {
  auto it = commands_.find(name);
  if (it == commands_.end()) {
    KLOG(3) << "no host command " << name;
    return false;
  }
  return it->second(args);
}

void ExtensionService::RemoveModule(const std::string& module_name) {
  for (auto& [point, list] : contributions_) {
    std::erase_if(list, [&](const ExtensionInfo& i) { return i.module_name == module_name; });
  }
  std::erase_if(contributions_, [](const auto& entry) { return entry.second.empty(); });
  std::erase_if(live_, [&](const auto& entry) { return entry.second.module_name == module_name; });
}

void ExtensionService::Reset() {
  contributions_.clear();
  live_.clear();
  commands_.clear();
}

ExtensionService& GetExtensionService() {
  static ExtensionService service;
  return service;
}

}  // namespace framework
