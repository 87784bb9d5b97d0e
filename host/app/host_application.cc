#include "host/app/host_application.h"

#include "host/app/device_model.h"
#include "host/app/host_app_model.h"
#include "host/app/host_model_ids.h"
#include "host/app/image_download_model.h"
#include "host/app/recording_state_model.h"
#include "host/app/red_dot_service_model.h"
#include "host/app/string_table.h"
#include "host/app/window_state_model.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/module/scope_singleton_registry.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani/alert.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/kovani_common/paths.h"

namespace host::app {

namespace {

class AppModelProvider : public framework::ModelProviderBaseImpl {
 public:
  explicit AppModelProvider(const std::map<int32_t, HostModelFactory>& factories) : factories_(factories) {}

 protected:
  std::shared_ptr<framework::ModelImpl> CreateModel(int32_t model_id) override {
    auto it = factories_.find(model_id);
    return it == factories_.end() ? nullptr : it->second();
  }

 private:
  const std::map<int32_t, HostModelFactory>& factories_;
};

}  // namespace

class HostApplication::AppRuntime : public framework::module::ModuleRuntimeBaseImpl {
 public:
  explicit AppRuntime(const std::map<int32_t, HostModelFactory>& factories)
      : ModuleRuntimeBaseImpl(kovani::GetModuleConfigByName("app"), framework::Resource::GetInstance()),
        factories_(factories) {}
  ~AppRuntime() override { Unactivate(); }

 protected:
  std::unique_ptr<framework::ModelProviderBaseImpl> CreateModelProvider() override {
    return std::make_unique<AppModelProvider>(factories_);
  }

 private:
  const std::map<int32_t, HostModelFactory>& factories_;
};

namespace {
HostApplication* g_current = nullptr;
}  // namespace

HostApplication* HostApplication::Current() { return g_current; }

HostApplication::HostApplication(HostConfig config) : config_(std::move(config)) {
  g_current = this;
  factories_[kConfigModelId] = [this] { return std::make_shared<ConfigModel>(config_.sections); };
  factories_[kUserConfigModelId] = [this] { return std::make_shared<UserConfigModel>(UserConfigPath()); };
  factories_[kAuthModelId] = [this] { return std::make_shared<AuthModel>(config_.account.app_uid); };
  factories_[kHostAppModelId] = [] { return std::make_shared<HostAppModel>(); };
  factories_[kImageDownloadModelId] = [] { return std::make_shared<ImageDownloadModel>(); };
  factories_[kRedDotServiceModelId] = [] { return std::make_shared<RedDotServiceModel>(); };
  factories_[kRecordingServiceModelId] = [] { return std::make_shared<RecordingStateModel>(kRecordingServiceModelId); };
  factories_[kRecordingStateListenerModelId] = [] { return std::make_shared<RecordingStateModel>(kRecordingStateListenerModelId); };
  factories_[kDeviceModelId] = [] { return std::make_shared<DeviceModel>(); };
  factories_[kWindowStateModelId] = [] { return std::make_shared<WindowStateModel>(); };
  host::strings::LoadDefaultStringTable();
  kovani_common::utils::inmeeting::SetInMeeting(config_.in_meeting);
  runtime_ = std::make_unique<AppRuntime>(factories_);
  runtime_->Activate();
  framework::module::GetModuleService().SetAppRuntime(runtime_.get());
}

HostApplication::~HostApplication() {
  framework::GetNavigatorService().Reset();
  framework::GetExtensionService().Reset();
  kovani::ResetAlerts();
  framework::module::GetModuleService().Reset();
  framework::ScopeSingletonRegistry::GetInstance().Clear();
  runtime_.reset();
  kovani_common::utils::inmeeting::SetInMeeting(false);
  g_current = nullptr;
}

std::shared_ptr<ConfigModel> HostApplication::config() {
  return runtime_->GetModelProvider()->ModelOf<ConfigModel>(kConfigModelId);
}

std::shared_ptr<UserConfigModel> HostApplication::user_config() {
  return runtime_->GetModelProvider()->ModelOf<UserConfigModel>(kUserConfigModelId);
}

framework::module::ModuleRuntimeBaseImpl* HostApplication::runtime() { return runtime_.get(); }

std::shared_ptr<AuthModel> HostApplication::auth() {
  return runtime_->GetModelProvider()->ModelOf<AuthModel>(kAuthModelId);
}

std::string HostApplication::UserConfigPath() const {
  return config_.persistent ? kovani_common::utils::GetUserDataPath() + "user_config.json" : std::string();
}

void HostApplication::ApplyConfig(HostConfig config) {
  const bool same_user = config.account.app_uid == config_.account.app_uid;
  config.source_path = config.source_path.empty() ? config_.source_path : config.source_path;
  config_ = std::move(config);
  this->config()->ReplaceSections(config_.sections);
  kovani_common::utils::inmeeting::SetInMeeting(config_.in_meeting);
  if (same_user) return;
  user_config()->Open(UserConfigPath());
  auth()->SetSignedInUser(config_.account.app_uid, "config");
}

bool HostApplication::ReloadConfig(std::string* error) {
  if (config_.source_path.empty()) {
    if (error) *error = "the configuration did not come from a file";
    return false;
  }
  HostConfig reloaded;
  if (!HostConfig::Load(config_.source_path, &reloaded, error)) return false;
  ApplyConfig(std::move(reloaded));
  return true;
}

void HostApplication::RegisterHostModel(int32_t model_id, HostModelFactory factory) {
  factories_[model_id] = std::move(factory);
}

}  // namespace host::app
