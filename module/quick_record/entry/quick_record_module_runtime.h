#pragma once

#include <memory>

#include "host/framework/module/module_runtime_base_impl.h"

namespace quick_record {

class LocalRecordDataService;

// The module as the host sees it. One instance at a time: created by the runtime factory on the
// first request, destroyed by Deactivate. It owns what lives for one activation and is not a
// model: the local record data service, bound to the host (database directory, worker looper)
// that activated the module.
class QuickRecordModuleRuntime : public framework::module::ModuleRuntimeBaseImpl {
 public:
  QuickRecordModuleRuntime(std::shared_ptr<framework::module::ModuleManifest> manifest, framework::Resource* resource);
  ~QuickRecordModuleRuntime() override;

  // The runtime factory registered with the host: the singleton, created on first call.
  static QuickRecordModuleRuntime* GetInstance();
  // The singleton if it exists, without creating it.
  static QuickRecordModuleRuntime* Current();
  static void DestroyInstance();

  std::string ModuleName() const override;
  void* GetDeclarativeRuntime() override;
  void Activate() override;
  framework::Resource* GetResourceProvider() override;
  void OnNotify(const base::variant::Variant&) override {}

  // Created on first use: opening the database costs a host that activates the module only for
  // a moment.
  std::shared_ptr<LocalRecordDataService> LocalRecordData();

 protected:
  std::unique_ptr<framework::ModelProviderBaseImpl> CreateModelProvider() override;
  std::unique_ptr<framework::ServiceProviderBaseImpl> CreateServiceProvider() override;
  std::unique_ptr<framework::ViewModelProviderBaseImpl> CreateViewModelProvider() override;
  std::unique_ptr<framework::extension::ExtensionProviderBase> CreateExtensionProvider() override;

 private:
  std::shared_ptr<LocalRecordDataService> local_record_data_;
};

// A model of this module by id (created on first request), as other models reach it; null when
// no runtime exists or the id has no class.
std::shared_ptr<framework::ModelImpl> ModuleModelOf(int32_t model_id);

// The local record data service of this activation; null when no runtime exists.
std::shared_ptr<LocalRecordDataService> ModuleLocalRecordDataService();

// The module-wide reference to the host's manifest of "quick_record": taken on first use (or
// again by Activate) and held until the library is unloaded.
std::shared_ptr<framework::module::ModuleManifest>& ModuleManifestRef();

}  // namespace quick_record
