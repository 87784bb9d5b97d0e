#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace framework {

namespace module {
class ModuleRuntimeBaseImpl;
}

// A module's contribution of `extension_name` to a host contribution point.
struct ExtensionInfo {
  ExtensionInfo(std::string extension, std::string module) : extension_name(std::move(extension)), module_name(std::move(module)) {}
  std::string extension_name;
  std::string module_name;
};

// What the host passes when it asks a module to build one of its extensions.
struct ExtensionBuilderParam {
  std::string extension_name;
  std::string module_name;
  std::string contribution_point;
  base::variant::Variant params;
};

namespace extension {

// A small object the host creates by name to show a module inside a host page. It answers the
// host's item questions (position, visibility, tab properties) and names the view model of its
// content. Changes of its item are reported back to the host.
class ExtensionImpl : public std::enable_shared_from_this<ExtensionImpl> {
 public:
  using ItemObserver = std::function<void(const std::string& extension_name, const base::variant::Variant& changes)>;

  ExtensionImpl();
  virtual ~ExtensionImpl();

  virtual std::string GetExtensionId() const { return info_.extension_name; }
  virtual std::string GetContributesId() const { return info_.contribution_point; }
  virtual void UpdateContributesId(const std::string& contribution_point) { info_.contribution_point = contribution_point; }
  virtual void SetExtensionInfo(const ExtensionBuilderParam& info) { info_ = info; }
  virtual void OnContributesActivate() {}
  virtual void OnContributesEvent(int32_t event_id, const base::variant::Variant& payload) { (void)event_id, (void)payload; }
  virtual void OnContributesUnActivate() {}
  virtual void SetViewModel(std::shared_ptr<StatefulViewModel> view_model) { view_model_ = std::move(view_model); }
  virtual std::shared_ptr<StatefulViewModel> GetViewModel() const { return view_model_; }
  // Fills the host's item map (e.g. "position", "visible").
  virtual void HandleItem(base::variant::Variant* item) { (void)item; }
  // The whole item as the host shows it.
  virtual base::variant::Variant HandleGetItemInfo();
  virtual module::ModuleRuntimeBaseImpl* GetModuleRuntime() { return nullptr; }
  virtual void Init(const base::variant::Variant& params) { (void)params; }
  virtual void UnInit() {}
  virtual int32_t GetContentViewModelId() const { return 0; }
  virtual void InnerHandleGetItem(base::variant::Variant* item);
  virtual base::variant::Variant GetExtensionPropertites() const { return base::variant::Variant::MakeMap(); }
  virtual int32_t GetViewType() const { return 0; }
  virtual void OnSetItem(const base::variant::Variant& item) { (void)item; }

  // Host side: where item changes go.
  void SetItemObserver(ItemObserver observer) { item_observer_ = std::move(observer); }
  const ExtensionBuilderParam& info() const { return info_; }

 protected:
  void ReportItemChanged(const base::variant::Variant& changes);

 private:
  ExtensionBuilderParam info_;
  std::shared_ptr<StatefulViewModel> view_model_;
  ItemObserver item_observer_;
};

// Builds a module's extensions by name and un-initialises the live ones at the end.
class ExtensionProviderBase {
 public:
  virtual ~ExtensionProviderBase();
  virtual void Init() {}
  virtual void UnInit();
  // A new extension (with its info set) or null for names this module does not know.
  virtual std::shared_ptr<ExtensionImpl> BuildExtension(const ExtensionBuilderParam& param);

 protected:
  virtual std::shared_ptr<ExtensionImpl> CreateExtension(const ExtensionBuilderParam& param) = 0;

 private:
  std::vector<std::weak_ptr<ExtensionImpl>> built_;
};

}  // namespace extension
}  // namespace framework
