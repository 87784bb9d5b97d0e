#pragma once

#include <cstdint>

#include "host/framework/model/model_impl.h"
#include "host/sdk/kovani/module_extension.h"

namespace quick_record {

// A record tab of the home-page tab container. Its position, icon, title and content are fixed;
// a tab with an ability switch is shown only while that switch is on, and follows a change of the
// host configuration without a restart.
class RecordTabExtension : public kovani::TabExtension {
 public:
  struct Traits {
    const char* class_name;     // for the item log
    const char* init_log;
    int32_t position;
    const char* ability_key;    // in "quick_record_ability"; null: always visible
    const char* enable_log;
    uint32_t tab_name_string_id;
    const char* icon_path;
    const char* red_dot_path;   // null: no red dot
    int32_t content_view_model_id;
  };

  explicit RecordTabExtension(const Traits& traits);
  ~RecordTabExtension() override;

  void HandleItem(base::variant::Variant* item) override;
  framework::module::ModuleRuntimeBaseImpl* GetModuleRuntime() override;
  void Init(const base::variant::Variant& params) override;
  void UnInit() override;
  int32_t GetContentViewModelId() const override { return traits_.content_view_model_id; }
  base::variant::Variant GetTabProperties() const override;

  bool visible() const { return visible_; }

 private:
  bool ReadVisible() const;
  void OnConfigChanged();

  const Traits traits_;
  bool visible_;
  framework::SubscriberId subscriber_id_;
  std::weak_ptr<framework::ModelImpl> config_model_;
};

}  // namespace quick_record
