#include "module/quick_record/view_model/bottom_bar/bottom_bar_models.h"

#include <utility>

#include "host/app/device_model.h"
#include "host/app/recording_state_model.h"
#include "host/app/window_state_model.h"
#include "host/framework/module/module_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

void BottomBarModels::ResolveMissing() {
  using framework::module::GetAppModuleModel;
  auto fill = [](std::shared_ptr<framework::ModelImpl>& model, std::shared_ptr<framework::ModelImpl> found) {
    if (!model) model = std::move(found);
  };
  fill(session, ModuleModelOf(model_id::kQuickRecordModel));
  fill(recorder, ModuleModelOf(model_id::kQuickRecordRecorderModel));
  fill(time, ModuleModelOf(model_id::kQuickRecordTimeModel));
  fill(space, ModuleModelOf(model_id::kQuickRecordSpaceModel));
  fill(shortcut, ModuleModelOf(model_id::kQuickRecordShortcutModel));
  fill(performance, ModuleModelOf(model_id::kQuickRecordPerformanceModel));
  fill(upload, ModuleModelOf(model_id::kQuickRecordUploadModel));
  fill(camera, ModuleModelOf(model_id::kMeetlogCameraModel));
  fill(recording_service, GetAppModuleModel(host::app::kRecordingServiceModelId));
  fill(window_state, GetAppModuleModel(host::app::kWindowStateModelId));
  fill(devices, GetAppModuleModel(host::app::kDeviceModelId));
  fill(application, GetAppModuleModel(kHostApplicationModelId));
}

}  // namespace quick_record
