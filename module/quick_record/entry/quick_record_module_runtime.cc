#include "module/quick_record/entry/quick_record_module_runtime.h"

#include "host/framework/module/resource.h"
#include "module/quick_record/data/service/local_record_data_service.h"
#include "module/quick_record/entry/nx_quick_record_nx_module_runtime.h"
#include "module/quick_record/entry/quick_record_extension_provider.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_model_provider.h"
#include "module/quick_record/entry/quick_record_service_provider.h"
#include "module/quick_record/entry/quick_record_view_model_provider_impl.h"

namespace quick_record {
namespace {
QuickRecordModuleRuntime* g_runtime = nullptr;
}  // namespace

std::shared_ptr<framework::module::ModuleManifest>& ModuleManifestRef() {
  static std::shared_ptr<framework::module::ModuleManifest> manifest = kovani::GetModuleConfigByName(kModuleName);
  return manifest;
}

QuickRecordModuleRuntime::QuickRecordModuleRuntime(std::shared_ptr<framework::module::ModuleManifest> manifest,
                                                   framework::Resource* resource)
    : ModuleRuntimeBaseImpl(std::move(manifest), resource) {}

QuickRecordModuleRuntime::~QuickRecordModuleRuntime() = default;

QuickRecordModuleRuntime* QuickRecordModuleRuntime::GetInstance() {
  if (!g_runtime) g_runtime = new QuickRecordModuleRuntime(ModuleManifestRef(), framework::Resource::GetInstance());
  return g_runtime;
}

QuickRecordModuleRuntime* QuickRecordModuleRuntime::Current() { return g_runtime; }

void QuickRecordModuleRuntime::DestroyInstance() {
  delete g_runtime;
  g_runtime = nullptr;
}

std::string QuickRecordModuleRuntime::ModuleName() const { return kModuleName; }

void* QuickRecordModuleRuntime::GetDeclarativeRuntime() { return NXQuickRecordNXModuleRuntime::GetInstance().get(); }

void QuickRecordModuleRuntime::Activate() {
  ModuleRuntimeBaseImpl::Activate();
  NXQuickRecordNXModuleRuntime::GetInstance()->Init(this, NXQuickRecordNXModuleRuntime::ConfigFromManifest(*manifest()),
                                                    NXQuickRecordNXModuleRuntime::kHostPageRoute);
}

std::shared_ptr<LocalRecordDataService> QuickRecordModuleRuntime::LocalRecordData() {
  if (!local_record_data_) local_record_data_ = std::make_shared<LocalRecordDataService>();
  return local_record_data_;
}

framework::Resource* QuickRecordModuleRuntime::GetResourceProvider() { return framework::Resource::GetInstance(); }

std::unique_ptr<framework::ModelProviderBaseImpl> QuickRecordModuleRuntime::CreateModelProvider() {
  return std::make_unique<QuickRecordModelProvider>(this);
}

std::unique_ptr<framework::ServiceProviderBaseImpl> QuickRecordModuleRuntime::CreateServiceProvider() {
  return std::make_unique<QuickRecordServiceProvider>();
}

std::unique_ptr<framework::ViewModelProviderBaseImpl> QuickRecordModuleRuntime::CreateViewModelProvider() {
  return std::make_unique<QuickRecordViewModelProviderImpl>(this);
}

std::unique_ptr<framework::extension::ExtensionProviderBase> QuickRecordModuleRuntime::CreateExtensionProvider() {
  return std::make_unique<QuickRecordExtensionProvider>();
}

std::shared_ptr<framework::ModelImpl> ModuleModelOf(int32_t model_id) {
  auto* runtime = QuickRecordModuleRuntime::Current();
  return runtime ? runtime->GetModelProvider()->ModelOf(model_id) : nullptr;
}

std::shared_ptr<LocalRecordDataService> ModuleLocalRecordDataService() {
  auto* runtime = QuickRecordModuleRuntime::Current();
  return runtime ? runtime->LocalRecordData() : nullptr;
}

}  // namespace quick_record
