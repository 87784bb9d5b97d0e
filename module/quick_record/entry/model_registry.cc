#include "module/quick_record/entry/model_registry.h"

#include <map>

#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/model/quick_record_home_model.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_scheme_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "module/quick_record/model/quick_record_vorta_config_model.h"
#include "module/quick_record/model/screen_selector_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"

namespace quick_record {
namespace {

using Factory = std::shared_ptr<framework::ModelImpl> (*)();

template <typename Model>
std::shared_ptr<framework::ModelImpl> Make() {
  return std::make_shared<Model>();
}

// The company grant-assign model has no behaviour of its own yet other modules may look it up
// from activation on, so it exists as a plain model under its id.
std::shared_ptr<framework::ModelImpl> MakeCompanyGrantAssignModel() {
  return std::make_shared<framework::ModelImpl>(model_id::kMeetlogVideoShareCompanyGrantAssignModel);
}

const std::map<int32_t, Factory>& Factories() {
  static const std::map<int32_t, Factory> factories = {
      {model_id::kQuickRecordModel, &Make<QuickRecordModel>},
      {model_id::kQuickRecordHomeModel, &Make<QuickRecordHomeModel>},
      {model_id::kQuickRecordRecorderModel, &Make<QuickRecordRecorderModel>},
      {model_id::kQuickRecordSpaceModel, &Make<QuickRecordSpaceModel>},
      {model_id::kQuickRecordTimeModel, &Make<QuickRecordTimeModel>},
      {model_id::kQuickRecordVortaConfigModel, &Make<QuickRecordVortaConfigModel>},
      {model_id::kQuickRecordPerformanceModel, &Make<QuickRecordPerformanceModel>},
      {model_id::kQuickRecordShortcutModel, &Make<QuickRecordShortcutModel>},
      {model_id::kQuickRecordSchemeModel, &Make<QuickRecordSchemeModel>},
      {model_id::kScreenSelectorModel, &Make<ScreenSelectorModel>},
      {model_id::kQuickRecordUploadModel, &Make<QuickRecordUploadModel>},
      {model_id::kMeetlogVideoShareCompanyGrantAssignModel, &MakeCompanyGrantAssignModel},
  };
  return factories;
}

}  // namespace

std::shared_ptr<framework::ModelImpl> CreateModelById(int32_t model_id) {
  auto it = Factories().find(model_id);
  return it == Factories().end() ? nullptr : it->second();
}

bool IsModelRegistered(int32_t model_id) { return Factories().count(model_id) > 0; }

}  // namespace quick_record
