#include "host/framework/module/providers.h"

#include <algorithm>

#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"

namespace framework {

ModelProviderBaseImpl::~ModelProviderBaseImpl() { UnInit(); }

void ModelProviderBaseImpl::UnInit() {
  // Newest first: a model may still talk to models it created.
  for (auto it = creation_order_.rbegin(); it != creation_order_.rend(); ++it) {
    if (auto found = models_.find(*it); found != models_.end()) found->second->UnInit();
  }
  creation_order_.clear();
  auto released = std::move(models_);
  models_.clear();
}

std::shared_ptr<ModelImpl> ModelProviderBaseImpl::ModelOf(int32_t model_id) {
  if (auto it = models_.find(model_id); it != models_.end()) return it->second;
  auto model = CreateModel(model_id);
  if (!model) return nullptr;
  // Cached before Init so that a model that asks for itself (or a model that asks back) during
  // Init gets this instance instead of a second one.
  models_.emplace(model_id, model);
  creation_order_.push_back(model_id);
  model->Init();
  return model;
}

ViewModelProviderBaseImpl::~ViewModelProviderBaseImpl() = default;

void ViewModelProviderBaseImpl::UnInit() {
  for (auto& weak : built_) {
    if (auto vm = weak.lock()) vm->DetachView();
  }
  built_.clear();
}

std::shared_ptr<StatefulViewModel> ViewModelProviderBaseImpl::BuildViewModel(int32_t view_model_id) {
  auto vm = CreateViewModel(view_model_id);
  if (!vm) return nullptr;
  std::erase_if(built_, [](const auto& weak) { return weak.expired(); });
  built_.push_back(vm);
  vm->OnViewCreated();
  return vm;
}

ServiceProviderBaseImpl::~ServiceProviderBaseImpl() = default;

void ServiceProviderBaseImpl::UnInit() { services_.clear(); }

std::shared_ptr<Service> ServiceProviderBaseImpl::ServiceOf(int32_t service_id) {
  if (auto it = services_.find(service_id); it != services_.end()) return it->second;
  auto service = CreateService(service_id);
  if (service) services_.emplace(service_id, service);
  return service;
}

NavigatorService* ServiceProviderBaseImpl::GetNavigateService() { return &GetNavigatorService(); }

std::string AssetProvider::GetString(uint32_t string_id) const { return Resource::GetInstance()->GetString(string_id); }

}  // namespace framework
