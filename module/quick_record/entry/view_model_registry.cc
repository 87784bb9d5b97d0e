#include "module/quick_record/entry/view_model_registry.h"

#include <map>

#include "host/base/logging/logger.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/view_model/bottom_bar/quick_record_bottom_bar_view_model.h"
#include "module/quick_record/view_model/new_recording/quick_record_view_model.h"
#include "module/quick_record/view_model/recording_stages/quick_record_count_down_view_model.h"
#include "module/quick_record/view_model/recording_stages/quick_record_ending_view_model.h"
#include "module/quick_record/view_model/recording_stages/quick_record_space_runout_counting_view_model.h"
#include "module/quick_record/view_model/resident/quick_record_resident_view_model.h"
#include "module/quick_record/view_model/resident/quick_record_tray_view_model.h"
#include "module/quick_record/view_model/settings/quick_record_old_record_setting_view_model.h"
#include "module/quick_record/view_model/settings/quick_record_record_setting_view_model.h"

namespace quick_record {
namespace {

using Factory = std::shared_ptr<framework::StatefulViewModel> (*)();

template <typename ViewModel>
std::shared_ptr<framework::StatefulViewModel> Make() {
  return std::make_shared<ViewModel>();
}

const std::map<int32_t, Factory>& Factories() {
  static const std::map<int32_t, Factory> factories = {
      {view_model_id::kQuickRecordCountDownViewModel, &Make<QuickRecordCountDownViewModel>},
      {view_model_id::kQuickRecordEndingViewModel, &Make<QuickRecordEndingViewModel>},
      {view_model_id::kQuickRecordBottomBarViewModel, &Make<QuickRecordBottomBarViewModel>},
      {view_model_id::kQuickRecordSpaceRunoutCountingViewModel, &Make<QuickRecordSpaceRunoutCountingViewModel>},
      {view_model_id::kQuickRecordTrayViewModel, &Make<QuickRecordTrayViewModel>},
      {view_model_id::kQuickRecordResidentViewModel, &Make<QuickRecordResidentViewModel>},
      {view_model_id::kQuickRecordViewModel, &Make<QuickRecordViewModel>},
      {view_model_id::kQuickRecordRecordSettingViewModel, &Make<QuickRecordRecordSettingViewModel>},
      {view_model_id::kQuickRecordOldRecordSettingViewModel, &Make<QuickRecordOldRecordSettingViewModel>},
  };
  return factories;
}

// Every page of the module and the view model it shows.
constexpr std::pair<const char*, int32_t> kPageRoutes[] = {
    {"guide_view", view_model_id::kQuickRecordGuideViewModel},
    {"record_ending_view", view_model_id::kQuickRecordEndingViewModel},
    {"record_notice_view", view_model_id::kQuickRecordNoticeViewModel},
    {"space_runout_counting", view_model_id::kQuickRecordSpaceRunoutCountingViewModel},
    {"camera_preview", view_model_id::kMeetlogHomeCameraPreviewViewModel},
    {"bottom_bar", view_model_id::kQuickRecordBottomBarViewModel},
    {"tracker", view_model_id::kQuickRecordTrackerViewModel},
    {"count_down", view_model_id::kQuickRecordCountDownViewModel},
    {"count_down_mask", view_model_id::kQuickRecordCountDownMaskViewModel},
    {"home_page_tab_container", view_model_id::kQuickRecordHomePageTabContainerViewModel},
    {"video_share_view", view_model_id::kMeetlogVideoShareViewModel},
    {"select_setting", view_model_id::kQuickRecordRecordSettingViewModel},
    {"historical_meeting_subpage", view_model_id::kMeetlogRecordHistoricalMeetingViewModel},
    {"resident_view", view_model_id::kQuickRecordResidentViewModel},
};

}  // namespace

std::shared_ptr<framework::StatefulViewModel> QuickRecordViewModelBuilder::Build(int32_t view_model_id) {
  auto it = Factories().find(view_model_id);
  if (it == Factories().end()) {
    KLOG(1) << "vm can not be null!";
    return nullptr;
  }
  return it->second();
}

bool QuickRecordViewModelBuilder::IsRegistered(int32_t view_model_id) { return Factories().count(view_model_id) > 0; }

std::vector<std::pair<std::string, int32_t>> AvailablePageRoutes() {
  std::vector<std::pair<std::string, int32_t>> routes;
  for (const auto& [page, id] : kPageRoutes) {
    if (QuickRecordViewModelBuilder::IsRegistered(id)) routes.emplace_back(std::string(kRoutePrefix) + page, id);
  }
  return routes;
}

}  // namespace quick_record
