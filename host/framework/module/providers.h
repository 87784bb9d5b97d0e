#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/framework/model/model_impl.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace framework {

namespace module {
class ModuleRuntimeBaseImpl;
}
class NavigatorService;

// Creates each model once, on first request, and keeps it until UnInit.
class ModelProviderBaseImpl {
 public:
  explicit ModelProviderBaseImpl(module::ModuleRuntimeBaseImpl* runtime = nullptr) : runtime_(runtime) {}
  virtual ~ModelProviderBaseImpl();
  virtual void Init() {}
  // Un-initialises every model (newest first) and lets go of them.
  virtual void UnInit();
  // The model of `model_id`, created (and Init-ed) on the first call; null for unknown ids.
  virtual std::shared_ptr<ModelImpl> ModelOf(int32_t model_id);

  template <typename T>
  std::shared_ptr<T> ModelOf(int32_t model_id) {
    return std::dynamic_pointer_cast<T>(ModelOf(model_id));
  }
  // Ids of the models created so far, in creation order.
  std::vector<int32_t> CreatedModelIds() const { return creation_order_; }
  module::ModuleRuntimeBaseImpl* runtime() const { return runtime_; }

 protected:
  virtual std::shared_ptr<ModelImpl> CreateModel(int32_t model_id) = 0;

 private:
  module::ModuleRuntimeBaseImpl* runtime_;
  std::map<int32_t, std::shared_ptr<ModelImpl>> models_;
  std::vector<int32_t> creation_order_;
};

// Builds a fresh view model for every view that asks. The views (pages, extensions) own them.
class ViewModelProviderBaseImpl {
 public:
  explicit ViewModelProviderBaseImpl(module::ModuleRuntimeBaseImpl* runtime = nullptr) : runtime_(runtime) {}
  virtual ~ViewModelProviderBaseImpl();
  virtual void Init() {}
  // Detaches the views of every view model still alive.
  virtual void UnInit();
  virtual std::shared_ptr<StatefulViewModel> BuildViewModel(int32_t view_model_id);
  module::ModuleRuntimeBaseImpl* runtime() const { return runtime_; }

 protected:
  virtual std::shared_ptr<StatefulViewModel> CreateViewModel(int32_t view_model_id) = 0;

 private:
  module::ModuleRuntimeBaseImpl* runtime_;
  std::vector<std::weak_ptr<StatefulViewModel>> built_;
};

// A module service by id. The host's navigation and router services are reached through it.
class Service {
 public:
  virtual ~Service() = default;
};

class ServiceProviderBaseImpl {
 public:
  virtual ~ServiceProviderBaseImpl();
  virtual void Init() {}
  virtual void UnInit();
  virtual std::shared_ptr<Service> ServiceOf(int32_t service_id);
  virtual Service* GetRouterService() { return nullptr; }
  virtual NavigatorService* GetNavigateService();
  virtual Service* GetExtensionViewService() { return nullptr; }

 protected:
  virtual std::shared_ptr<Service> CreateService(int32_t service_id) = 0;

 private:
  std::map<int32_t, std::shared_ptr<Service>> services_;
};

// Texts and images of a module, by key.
class AssetProvider {
 public:
  explicit AssetProvider(std::string module_name) : module_name_(std::move(module_name)) {}
  virtual ~AssetProvider() = default;
  // The text of the host string table for `string_id`; empty when unknown.
  virtual std::string GetString(uint32_t string_id) const;
  const std::string& module_name() const { return module_name_; }

 private:
  std::string module_name_;
};

}  // namespace framework
