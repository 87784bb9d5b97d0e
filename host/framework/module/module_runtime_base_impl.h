#pragma once

#include <memory>
#include <string>

#include "host/framework/module/module_manifest.h"
#include "host/framework/module/providers.h"

namespace framework {
class Resource;
namespace extension {
class ExtensionProviderBase;
}
}  // namespace framework

namespace framework::module {

// A module as the host sees it: its providers, made once each through the Create operations,
// and its activation state.
class ModuleRuntimeBaseImpl {
 public:
  ModuleRuntimeBaseImpl(std::shared_ptr<ModuleManifest> manifest, Resource* resource);
  virtual ~ModuleRuntimeBaseImpl();
  ModuleRuntimeBaseImpl(const ModuleRuntimeBaseImpl&) = delete;
  ModuleRuntimeBaseImpl& operator=(const ModuleRuntimeBaseImpl&) = delete;

  virtual std::string ModuleName() const;
  virtual ModelProviderBaseImpl* GetModelProvider();
  virtual ServiceProviderBaseImpl* GetServiceProvider();
  virtual AssetProvider* GetAssetProvider();
  virtual ViewModelProviderBaseImpl* GetViewModelProvider();
  // The runtime of the declarative views of this module, if it has one.
  virtual void* GetDeclarativeRuntime() { return nullptr; }
  virtual extension::ExtensionProviderBase* GetExtensionProvider();
  virtual bool IsActivated() const { return activated_; }
  virtual void Activate();
  // Un-initialises and releases every provider (and so every model).
  virtual void Unactivate();
  virtual Resource* GetResourceProvider() { return resource_; }
  virtual void OnNotify(const base::variant::Variant& message) { (void)message; }

  const std::shared_ptr<ModuleManifest>& manifest() const { return manifest_; }

 protected:
  virtual std::unique_ptr<ModelProviderBaseImpl> CreateModelProvider() = 0;
  virtual std::unique_ptr<ServiceProviderBaseImpl> CreateServiceProvider();
  virtual std::unique_ptr<ViewModelProviderBaseImpl> CreateViewModelProvider();
  virtual std::unique_ptr<extension::ExtensionProviderBase> CreateExtensionProvider();

 private:
  void ReleaseProviders();

  std::shared_ptr<ModuleManifest> manifest_;
  Resource* resource_;
  bool activated_ = false;
  std::unique_ptr<ModelProviderBaseImpl> model_provider_;
  std::unique_ptr<ServiceProviderBaseImpl> service_provider_;
  std::unique_ptr<AssetProvider> asset_provider_;
  std::unique_ptr<ViewModelProviderBaseImpl> view_model_provider_;
  std::unique_ptr<extension::ExtensionProviderBase> extension_provider_;
};

}  // namespace framework::module
