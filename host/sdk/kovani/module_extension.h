#pragma once

#include <memory>

#include "host/base/variant/variant.h"
#include "host/framework/extension/extension_impl.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace kovani {

// An extension that belongs to a module.
class ModuleExtension : public framework::extension::ExtensionImpl {};

// An extension shown as a tab of a host tab container.
class TabExtension : public ModuleExtension {
 public:
  // "tab_name", icon paths, "red_dot_path" ...
  virtual base::variant::Variant GetTabProperties() const { return base::variant::Variant::MakeMap(); }
  virtual void OnTabSelected() {}
  virtual void OnTabUnselected() {}

  base::variant::Variant HandleGetItemInfo() override {
    base::variant::Variant item = ModuleExtension::HandleGetItemInfo();
    item.Set("tab_properties", GetTabProperties());
    return item;
  }
};

// A view model that renders an extension's content; it can run host commands on the extension's
// behalf.
template <typename Base = framework::StatefulViewModel>
class ExtensionViewModelT : public Base {
 public:
  using Base::Base;

  void BindExtension(std::weak_ptr<framework::extension::ExtensionImpl> extension) { extension_ = std::move(extension); }
  std::shared_ptr<framework::extension::ExtensionImpl> extension() const { return extension_.lock(); }

  bool RunExtensionCommand(const std::string& command, const base::variant::Variant& args = {}) {
    return framework::GetExtensionService().RunCommand(command, args);
  }

 private:
  std::weak_ptr<framework::extension::ExtensionImpl> extension_;
};

}  // namespace kovani
