#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/cloud/requests/upload/batch_censor_info_item_resp.h"
#include "module/quick_record/cloud/requests/list/delete_record_history_req.h"
#include "module/quick_record/cloud/requests/share/grant_user_list_result.h"
#include "module/quick_record/cloud/i_quick_record_delegate.h"
#include "module/quick_record/cloud/requests/share/meeting_attendee_list_result.h"
#include "module/quick_record/cloud/requests/list/meeting_record_list_req.h"
#include "module/quick_record/cloud/requests/upload/meetlog_local_batch_sensor_info.h"
#include "module/quick_record/cloud/requests/upload/meetlog_local_upload_limit_files_info.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/requests/list/my_record_history_item_resp.h"
#include "module/quick_record/cloud/requests/record/quick_record_complete_record_info.h"
#include "module/quick_record/cloud/quick_record_list_result.h"
#include "module/quick_record/cloud/requests/message/quick_record_msg_info.h"
#include "module/quick_record/cloud/requests/message/quick_record_notice_item_resp.h"
#include "module/quick_record/cloud/requests/record/quick_record_space_info.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_info.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_result.h"
#include "module/quick_record/cloud/requests/upload/quick_record_upload_complete_info.h"
#include "module/quick_record/cloud/requests/list/record_list_req.h"
#include "module/quick_record/cloud/requests/list/single_record_data_req.h"
#include "module/quick_record/cloud/requests/share/tag_link_data.h"
#include "module/quick_record/cloud/requests/share/tag_link_set_data.h"
#include "module/quick_record/cloud/requests/share/tag_share_new_ui_cfg.h"
#include "module/quick_record/cloud/requests/list/update_record_resp.h"
#include "module/quick_record/cloud/requests/list/update_record_title_req.h"

namespace quick_record {

// The cloud service: every back-end operation of the module, each sending one request and
// answering a callback. Reached through the plug-in registry as "plugin:kovaniing_quick_record" of
// "halvard_kovani_quick_record". Call it on the main thread; callbacks come on the main thread.
// A callback is dropped (and logged) when the service is released before its answer arrives.
class QuickRecordServicePlugin : public kovanisdk::plugin::PluginInstanceImpl {
 public:
  using StartRecordCallback =
      std::function<void(const std::string& instance_id, int32_t status_code, const std::string& msg, int64_t biz_code,
                         const std::shared_ptr<QuickRecordStartRecordResult>& result)>;
  using CompleteCallback = std::function<void(const std::string& instance_id, int32_t status_code,
                                              const std::string& msg, int64_t biz_code)>;
  using BatchFinishedCallback =
      std::function<void(const std::string& batch_id, int32_t status_code, const std::string& msg, int64_t biz_code)>;
  using SuccessCallback = std::function<void(bool success)>;
  using SuccessMessageCallback = std::function<void(bool success, const std::string& msg)>;
  using MsgCallback = std::function<void(bool success, const QuickRecordMsgInfo& info)>;
  using NoticeListCallback = std::function<void(bool success, const std::string& last_index,
                                                const std::vector<QuickRecordNoticeItemResp>& notices)>;
  using SpaceCallback = std::function<void(bool success, const QuickRecordSpaceInfo& info)>;
  using LimitFilesInfoCallback = std::function<void(bool success, const MeetlogLocalUploadLimitFilesInfo& info)>;
  using BatchCensorCallback = std::function<void(bool success, const std::vector<BatchCensorInfoItemResp>& verdicts)>;
  using HistoryListCallback = std::function<void(bool success, const std::string& last_index,
                                                 const std::vector<MyRecordHistoryItemResp>& records)>;
  using RecordListCallback = std::function<void(const QuickRecordListResult& result)>;
  using DeleteRecordsCallback = std::function<void(bool success, const std::string& msg, int64_t code)>;
  using UpdateRecordCallback = std::function<void(const UpdateRecordResp& resp)>;
  using ShareNewUiCfgCallback = std::function<void(bool success, const tagShareNewUiCfg& cfg)>;
  using LinkDataCallback = std::function<void(const tagLinkData& data)>;
  // success, the record's unified id, the back end's message.
  using UpdateLinkDataCallback =
      std::function<void(bool success, const std::string& uni_record_id, const std::string& msg)>;
  using GrantUserListCallback = std::function<void(const GrantUserListResult& result)>;
  using AttendeeListCallback = std::function<void(const MeetingAttendeeListResult& result)>;
  using AttendeeCntCallback = std::function<void(const GetMeetingAttendeeCntResult& result)>;
  // success, whether co-owners were added (not only removed), the back end's message.
  using UpdateGrantCallback = std::function<void(bool success, bool added, const std::string& msg)>;
  using LintraStatusCallback = std::function<void(const GetLintraShareStatusResult& result)>;

  // Table types of RequestPreloadTabRecordList.
  static constexpr int32_t kTableAll = 0;
  static constexpr int32_t kTableRecent = 1;
  static constexpr int32_t kTableMine = 2;

  ~QuickRecordServicePlugin() override = default;

  virtual std::string GetSig() = 0;
  virtual void SetDelegate(IQuickRecordDelegate* delegate) = 0;
  virtual void RequestCancelQuickRecord(const std::string& record_id) = 0;
  virtual void RequestStartRecord(const std::string& instance_id,
                                  const std::shared_ptr<QuickRecordStartRecordInfo>& info, bool use_quic,
                                  const StartRecordCallback& callback) = 0;
  virtual void RequestCompleteRecord(const std::string& instance_id,
                                     const std::shared_ptr<QuickRecordCompleteRecordInfo>& info,
                                     const CompleteCallback& callback) = 0;
  virtual void RequestCompleteUploadFile(const std::string& instance_id,
                                         const std::shared_ptr<QuickRecordUploadCompleteInfo>& info,
                                         const CompleteCallback& callback) = 0;
  // `trace_id` only marks the log lines.
  virtual void RequestBatchUploadFinished(const std::string& batch_id, const std::string& trace_id,
                                          const BatchFinishedCallback& callback) = 0;
  virtual void RequestQueryQuickRecordMsg(const std::string& path, const MsgCallback& callback) = 0;
  virtual void RequestCleanQuickRecordMsg(const std::string& path, const SuccessCallback& callback) = 0;
  virtual void RequestQueryNoticeListMsg(const std::string& last_index, const NoticeListCallback& callback) = 0;
  virtual void GetQuickRecordSpace(const SpaceCallback& callback) = 0;
  virtual void GetLocalUploadLimitFilesInfo(const LimitFilesInfoCallback& callback) = 0;
  virtual void GetBatchCensorInfo(const std::vector<MeetlogLocalBatchSensorInfo>& files,
                                  const BatchCensorCallback& callback) = 0;
  virtual void RequestMyRecordHistoryList(const std::string& last_index, const HistoryListCallback& callback) = 0;
  virtual void RequestAllRecordList(const RecordListReq& req, const RecordListCallback& callback) = 0;
  virtual void RequestSingleRecordList(const SingleRecordDataReq& req, const RecordListCallback& callback) = 0;
  virtual void RequestRecordList(const RecordListReq& req, const RecordListCallback& callback) = 0;
  virtual void RequestRecentRecordList(const RecordListReq& req, const RecordListCallback& callback) = 0;
  // Answers from the host's preloaded page; false (and no callback) when there is none to use.
  virtual bool RequestPreloadTabRecordList(int32_t table_type, const RecordListReq& req,
                                           const RecordListCallback& callback) = 0;
  virtual void RequestMeetingRecordList(bool use_preload, const MeetingRecordListReq& req,
                                        const RecordListCallback& callback) = 0;
  virtual void DeleteRecords(const std::vector<std::string>& uni_record_ids, const DeleteRecordsCallback& callback) = 0;
  virtual void DeleteRecordHistory(const DeleteRecordHistoryReq& req, const SuccessMessageCallback& callback) = 0;
  // Answers after the content review of the new title has settled.
  virtual void UpdateRecordTitle(const UpdateRecordTitleReq& req, const UpdateRecordCallback& callback) = 0;
  virtual void RequestVideoShareNewUiCfg(const MeetlogGetShareNewUiCfgReq& req,
                                         const ShareNewUiCfgCallback& callback) = 0;
  virtual void RequestVideoShareLinkData(const MeetlogVideoShareLinkDataReq& req, const LinkDataCallback& callback) = 0;
  virtual void RequestUpdateVideoShareLinkData(const tagLinkSetData& data, const UpdateLinkDataCallback& callback) = 0;
  virtual void RequestVideoShareGrantUserList(const GetUserInfoReq& req, const GrantUserListCallback& callback) = 0;
  virtual void RequestVideoMeetingAttendeeList(const GetUserInfoReq& req, const AttendeeListCallback& callback) = 0;
  virtual void UpdateShareUserPermission(const UpdateUserPermissionReq& req,
                                         const SuccessMessageCallback& callback) = 0;
  virtual void AddShareUserPermissionBig(const UpdateUserPermissionReq& req,
                                         const SuccessMessageCallback& callback) = 0;
  virtual void AddAllMeetingAttendee(const AddAllMeetingAttendeeReq& req, const SuccessMessageCallback& callback) = 0;
  virtual void GetMeetingAttendeeCnt(const GetMeetingAttendeeCntReq& req, const AttendeeCntCallback& callback) = 0;
  virtual void RequestCloudRecordPermission(const CloudRecordPermissionReq& req,
                                            const SuccessMessageCallback& callback) = 0;
  virtual void UpdateGrant(const UpdateGrantReq& req, const UpdateGrantCallback& callback) = 0;
  virtual void GetLintraShareStatus(const GetLintraJoinStatusReq& req, const LintraStatusCallback& callback) = 0;
  virtual void SetLintraShareStatus(const SetLintraJoinStatusReq& req, const SuccessMessageCallback& callback) = 0;
  virtual void CleadCloudRecordRedDot(const std::string& uni_record_id, const std::string& file_id,
                                      const SuccessCallback& callback) = 0;
};

}  // namespace quick_record
