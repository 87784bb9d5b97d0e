#include "host/framework/extension/extension_impl.h"

#include <algorithm>

namespace framework::extension {

ExtensionImpl::ExtensionImpl() = default;
ExtensionImpl::~ExtensionImpl() = default;

base::variant::Variant ExtensionImpl::HandleGetItemInfo() {
  base::variant::Variant item = base::variant::Variant::MakeMap();
  InnerHandleGetItem(&item);
  HandleItem(&item);
  return item;
}

void ExtensionImpl::InnerHandleGetItem(base::variant::Variant* item) {
  item->Set("extension_name", info_.extension_name);
  item->Set("module_name", info_.module_name);
  item->Set("view_model_id", GetContentViewModelId());
  item->Set("view_type", GetViewType());
  item->Set("properties", GetExtensionPropertites());
}

void ExtensionImpl::ReportItemChanged(const base::variant::Variant& changes) {
  if (item_observer_) item_observer_(info_.extension_name, changes);
}

ExtensionProviderBase::~ExtensionProviderBase() = default;

void ExtensionProviderBase::UnInit() {
  auto built = std::move(built_);
  built_.clear();
  for (auto& weak : built) {
    if (auto extension = weak.lock()) extension->UnInit();
  }
}

std::shared_ptr<ExtensionImpl> ExtensionProviderBase::BuildExtension(const ExtensionBuilderParam& param) {
  auto extension = CreateExtension(param);
  if (!extension) return nullptr;
  extension->SetExtensionInfo(param);
  std::erase_if(built_, [](const auto& weak) { return weak.expired(); });
  built_.push_back(extension);
  return extension;
}

}  // namespace framework::extension
