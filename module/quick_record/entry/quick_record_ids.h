#pragma once

#include <cstdint>

// Names and ids under which the module is known to the host and to other modules. The ids are
// fixed: other modules and the host ask for them by number.
namespace quick_record {

inline constexpr char kModuleName[] = "quick_record";
inline constexpr char kPluginModuleId[] = "halvard_kovani_quick_record";
inline constexpr char kServicePluginName[] = "plugin:kovaniing_quick_record";
inline constexpr char kRecorderPluginName[] = "plugin:kovaniing_quick_recorder_service";
inline constexpr char kRoutePrefix[] = "kovani://page/quick_record/";
inline constexpr char kHomeTabContainerPoint[] = "contributes:app.quick_record_home_page_tab_container";

namespace model_id {
inline constexpr int32_t kQuickRecordHomeModel = 0x00188694;
inline constexpr int32_t kQuickRecordMsgModel = 0x00e07858;
inline constexpr int32_t kCloudRecordDataModel = 0x038cc84f;
inline constexpr int32_t kScreenSelectorModel = 0x0be17835;
inline constexpr int32_t kQuickRecordRedDotModel = 0x0da26e20;
inline constexpr int32_t kMeetlogLocalUploadModel = 0x0dea05c0;
inline constexpr int32_t kRecordDataModel = 0x12d540cf;
inline constexpr int32_t kQuickRecordSpaceModel = 0x1925c9e7;
inline constexpr int32_t kQuickRecordModel = 0x1a1a5fd6;
inline constexpr int32_t kQuickRecordUploadModel = 0x1a4f0066;
inline constexpr int32_t kMeetlogVideoShareAttendeeModel = 0x1ea403de;
inline constexpr int32_t kQuickRecordPushModel = 0x2007029f;
inline constexpr int32_t kOldScreenSelectorModel = 0x2271de5c;
inline constexpr int32_t kMeetlogMeetingRecordModel = 0x232d9e2e;
inline constexpr int32_t kQuickRecordVortaConfigModel = 0x27f289ae;
inline constexpr int32_t kMeetlogVideoShareModel = 0x2816c9d6;
inline constexpr int32_t kQuickRecordSchemeModel = 0x29172e02;
inline constexpr int32_t kMeetlogVideoShareGrantModel = 0x29786315;
inline constexpr int32_t kMeetlogCameraModel = 0x2df1aef2;
inline constexpr int32_t kLocalRecordDataModel = 0x2ffe6d7a;
inline constexpr int32_t kMeetlogVideoShareCompanyGrantAssignModel = 0x32695983;
inline constexpr int32_t kQuickRecordPerformanceModel = 0x337397c5;
inline constexpr int32_t kCoverImageModel = 0x349cc60e;
inline constexpr int32_t kQuickRecordShortcutModel = 0x3e42b4c6;
inline constexpr int32_t kQuickRecordTimeModel = 0x3f5b2573;
inline constexpr int32_t kQuickRecordRecorderModel = 0x406dd2d5;
}  // namespace model_id

namespace view_model_id {
inline constexpr int32_t kQuickRecordNoticeViewModel = 0x006feccf;
inline constexpr int32_t kMeetlogHomeCameraPreviewViewModel = 0x011513fa;
inline constexpr int32_t kMeetlogRecordEmptyGuideViewModel = 0x018c50cd;
inline constexpr int32_t kMeetlogVideoShareViewModel = 0x019ca023;
inline constexpr int32_t kMeetlogVideoShareMemberListViewModel = 0x02ef09b2;
inline constexpr int32_t kQuickRecordHomeExtensionViewModel = 0x04c0aac9;
inline constexpr int32_t kMeetlogLocalUploadListPanelViewModel = 0x0530fbd1;
inline constexpr int32_t kQuickRecordHomePageViewModel = 0x06b65d99;
inline constexpr int32_t kQuickRecordCountDownViewModel = 0x076cb895;
inline constexpr int32_t kQuickRecordUploadFilePaidGuideViewModel = 0x0a52626d;
inline constexpr int32_t kQuickRecordHomePageSpaceDisplayViewModel = 0x0a6f855d;
inline constexpr int32_t kQuickRecordUploadListViewModel = 0x0d95326f;
inline constexpr int32_t kQuickRecordRecentRecordsViewModel = 0x1183c626;
inline constexpr int32_t kQuickRecordWinShortcutMonitorViewModel = 0x12754bdf;
inline constexpr int32_t kQuickRecordViewModel = 0x13b621ac;
inline constexpr int32_t kMeetlogVideoLinkShareSettingViewModel = 0x14adc071;
inline constexpr int32_t kQuickRecordHomePageTabContainerViewModel = 0x157c9c8b;
inline constexpr int32_t kQuickRecordUploadFileChooserViewModel = 0x15a8c603;
inline constexpr int32_t kMeetlogVideoShareSelectAttendeeViewModel = 0x16f26de1;
inline constexpr int32_t kMeetlogHistoricalMeetingDetailExtensionViewModel = 0x171f6554;
inline constexpr int32_t kQuickRecordBottomBarViewModel = 0x174f6a96;
inline constexpr int32_t kQuickRecordUploadFileDialogViewModel = 0x178b54bc;
inline constexpr int32_t kQuickRecordAllRecordsViewModel = 0x17f5febf;
inline constexpr int32_t kMeetlogVideoShareCompanyContactsViewModel = 0x192e8ff0;
inline constexpr int32_t kQuickRecordOldRecordSettingViewModel = 0x1ef44fbe;
inline constexpr int32_t kMeetlogLocalUploadListEntranceViewModel = 0x1f723cdf;
inline constexpr int32_t kQuickRecordSpaceRunoutCountingViewModel = 0x1fb23335;
inline constexpr int32_t kQuickRecordUploadFileSpeakerNumberViewModel = 0x20761411;
inline constexpr int32_t kScreenSelectorViewModel = 0x213e0f16;
inline constexpr int32_t kQuickRecordEndingViewModel = 0x2194f84d;
inline constexpr int32_t kQuickRecordResidentViewModel = 0x2534890c;
inline constexpr int32_t kQuickRecordTrackerViewModel = 0x26355b36;
inline constexpr int32_t kScreenSelectorOldViewModel = 0x275e941b;
inline constexpr int32_t kMeetlogRecordMeetingContentViewModel = 0x27e0f536;
inline constexpr int32_t kQuickRecordOldViewModel = 0x28054eb6;
inline constexpr int32_t kQuickRecordRecordSettingViewModel = 0x2830d646;
inline constexpr int32_t kQuickRecordTrayViewModel = 0x28e41ee5;
inline constexpr int32_t kMeetlogAfterMeetingRecordExtensionViewModel = 0x2966ee1f;
inline constexpr int32_t kQuickRecordGuideViewModel = 0x2bb337d8;
inline constexpr int32_t kMeetlogPortraitVideoViewModel = 0x2e538bb5;
inline constexpr int32_t kQuickRecordShortcutGuideViewModel = 0x2fed5d59;
inline constexpr int32_t kQuickRecordNotificationTabViewModel = 0x3060e15b;  // built by the host
inline constexpr int32_t kMeetlogVideoShareSelectAttendeeNewViewModel = 0x30ede524;
inline constexpr int32_t kQuickRecordUploadFileSelectedItemViewModel = 0x342476ee;
inline constexpr int32_t kMeetlogRecordHistoricalMeetingViewModel = 0x342aafd1;
inline constexpr int32_t kMeetlogRecordContentViewModel = 0x3644cfeb;
inline constexpr int32_t kQuickRecordCountDownMaskViewModel = 0x36b6f8f5;
inline constexpr int32_t kQuickRecordUploadFileEntranceViewModel = 0x3c288df4;
inline constexpr int32_t kMeetlogVideoLinkShareSeniorSettingViewModel = 0x3f62afee;
inline constexpr int32_t kMeetlogRecordAfterMeetingViewModel = 0x3f70b2ec;
inline constexpr int32_t kQuickRecordNewRecordBtnViewModel = 0x4175c8b4;
inline constexpr int32_t kQuickRecordMyRecordsViewModel = 0x43563885;
inline constexpr int32_t kMeetlogVideoLinkShareBaseViewModel = 0x44e2cbb5;
inline constexpr int32_t kMeetlogVideoCardMoreViewModel = 0x4889db43;
}  // namespace view_model_id

}  // namespace quick_record
