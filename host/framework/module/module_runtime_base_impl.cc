#include "host/framework/module/module_runtime_base_impl.h"

#include "host/framework/extension/extension_impl.h"
#include "host/framework/module/resource.h"

namespace framework::module {
namespace {

class EmptyServiceProvider : public ServiceProviderBaseImpl {
 protected:
  std::shared_ptr<Service> CreateService(int32_t) override { return nullptr; }
};

class EmptyViewModelProvider : public ViewModelProviderBaseImpl {
 protected:
  std::shared_ptr<StatefulViewModel> CreateViewModel(int32_t) override { return nullptr; }
};

class EmptyExtensionProvider : public extension::ExtensionProviderBase {
 protected:
  std::shared_ptr<extension::ExtensionImpl> CreateExtension(const ExtensionBuilderParam&) override { return nullptr; }
};

template <typename Provider, typename Create>
Provider* MakeOnce(std::unique_ptr<Provider>& slot, Create create) {
  if (!slot) {
    slot = create();
    if (slot) slot->Init();
  }
  return slot.get();
}

}  // namespace

ModuleRuntimeBaseImpl::ModuleRuntimeBaseImpl(std::shared_ptr<ModuleManifest> manifest, Resource* resource)
    : manifest_(std::move(manifest)), resource_(resource) {}

ModuleRuntimeBaseImpl::~ModuleRuntimeBaseImpl() { ReleaseProviders(); }

std::string ModuleRuntimeBaseImpl::ModuleName() const { return manifest_ ? manifest_->name : std::string(); }

ModelProviderBaseImpl* ModuleRuntimeBaseImpl::GetModelProvider() {
  return MakeOnce(model_provider_, [this] { return CreateModelProvider(); });
}

ServiceProviderBaseImpl* ModuleRuntimeBaseImpl::GetServiceProvider() {
  return MakeOnce(service_provider_, [this] { return CreateServiceProvider(); });
}

AssetProvider* ModuleRuntimeBaseImpl::GetAssetProvider() {
  if (!asset_provider_) asset_provider_ = std::make_unique<AssetProvider>(ModuleName());
  return asset_provider_.get();
}

ViewModelProviderBaseImpl* ModuleRuntimeBaseImpl::GetViewModelProvider() {
  return MakeOnce(view_model_provider_, [this] { return CreateViewModelProvider(); });
}

extension::ExtensionProviderBase* ModuleRuntimeBaseImpl::GetExtensionProvider() {
  return MakeOnce(extension_provider_, [this] { return CreateExtensionProvider(); });
}

void ModuleRuntimeBaseImpl::Activate() { activated_ = true; }

void ModuleRuntimeBaseImpl::Unactivate() {
  ReleaseProviders();
  activated_ = false;
}

void ModuleRuntimeBaseImpl::ReleaseProviders() {
  // View models and extensions talk to models: they go first, models last.
  if (extension_provider_) extension_provider_->UnInit();
  if (view_model_provider_) view_model_provider_->UnInit();
  if (service_provider_) service_provider_->UnInit();
  if (model_provider_) model_provider_->UnInit();
  extension_provider_.reset();
  view_model_provider_.reset();
  service_provider_.reset();
  model_provider_.reset();
  asset_provider_.reset();
}

std::unique_ptr<ServiceProviderBaseImpl> ModuleRuntimeBaseImpl::CreateServiceProvider() {
  return std::make_unique<EmptyServiceProvider>();
}

std::unique_ptr<ViewModelProviderBaseImpl> ModuleRuntimeBaseImpl::CreateViewModelProvider() {
  return std::make_unique<EmptyViewModelProvider>();
}

std::unique_ptr<extension::ExtensionProviderBase> ModuleRuntimeBaseImpl::CreateExtensionProvider() {
  return std::make_unique<EmptyExtensionProvider>();
}

}  // namespace framework::module
