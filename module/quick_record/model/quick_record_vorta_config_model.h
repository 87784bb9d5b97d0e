#pragma once

#include <string>

#include "host/framework/model/model_impl.h"
#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/model/quick_record_media_config.h"

namespace quick_record {

// Keeps the media configuration pointed at the current file: at start-up and whenever the host
// reports that its dynamic resource was updated or deleted, it rebuilds the path and has the
// configuration parsed again on the next query. Main thread.
class QuickRecordVortaConfigModel : public framework::ModelImpl {
 public:
  // The dynamic resource the host delivers the configuration as.
  static constexpr char kResourceName[] = "quick_record_vorta_config";
  // User configuration: the file under the host's dynamic resource directory.
  static constexpr char kRelativePathKey[] = "quick.vorta_config.save_relative_path";
  static constexpr char kDefaultRelativePath[] = "quick_record/vorta_config.json";
  // Fired after each reload, so that pages showing quality choices read them again.
  static constexpr int32_t kEventConfigChanged = 914840476;

  // `config` for tests; by default the process's one.
  explicit QuickRecordVortaConfigModel(QuickRecordMediaConfig* config = &QuickRecordMediaConfig::GetInstance());

  void Init() override;
  void UnInit() override;

  void RefreshConfigXmlPath();
  void LoadResourceJson();
  void OnDynamicResUpdateComplete(const base::variant::Variant& payload);
  void OnDynamicResDeleteComplete(const base::variant::Variant& payload);

 private:
  bool IsOurResource(const base::variant::Variant& payload) const;

  QuickRecordMediaConfig* config_;
  ModelSubscriptions subscriptions_;
};

}  // namespace quick_record
