#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "host/base/net/http_client.h"
#include "host/base/threading/timer.h"
#include "host/sdk/service/signature_service.h"
#include "module/quick_record/cloud/requests/record/quick_record_cancel_record_result.h"
#include "module/quick_record/cloud/quick_record_service_plugin.h"
#include "module/quick_record/cloud/requests/list/rename_review_status_req.h"
#include "module/quick_record/cloud/requests/list/rename_review_status_resp.h"

namespace quick_record {

// The cloud service. Besides sending each operation's request it owns three pieces of logic: the
// reachability probe of the object-storage host that decides whether a start may keep QUIC, the
// preload shortcut of the first list pages, and the polling of the title review after a rename.
// All its state is touched on the main thread; the probe reports on the I/O looper and hops over.
class QuickRecordServicePluginImpl : public QuickRecordServicePlugin,
                                     public std::enable_shared_from_this<QuickRecordServicePlugin>,
                                     public kovanisdk::ISignatureServiceDelegate,
                                     public base::net::HttpClient::Delegate {
 public:
  // Makes the HTTP client of the probe (reporting to `delegate`); the default one runs on the
  // host's I/O looper.
  using ProbeClientFactory =
      std::function<std::unique_ptr<base::net::HttpClient>(base::net::HttpClient::Delegate* delegate)>;

  static constexpr char kSignatureKey[] = "W11";
  static constexpr char kStorageServer[] = "halvard-cos";
  static constexpr int64_t kProbeTimeoutMs = 15000;
  static constexpr int64_t kReviewIntervalMs = 2000;
  // Review checks are numbered from 0; the one numbered this is the last.
  static constexpr int kLastReviewAttempt = 15;

  // A new service for the plug-in registry.
  static std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> Create();

  explicit QuickRecordServicePluginImpl(ProbeClientFactory probe_client_factory = {});
  ~QuickRecordServicePluginImpl() override;

  std::string GetSig() override;
  void SetDelegate(IQuickRecordDelegate* delegate) override;
  void RequestCancelQuickRecord(const std::string& record_id) override;
  void RequestStartRecord(const std::string& instance_id, const std::shared_ptr<QuickRecordStartRecordInfo>& info,
                          bool use_quic, const StartRecordCallback& callback) override;
  void RequestCompleteRecord(const std::string& instance_id, const std::shared_ptr<QuickRecordCompleteRecordInfo>& info,
                             const CompleteCallback& callback) override;
  void RequestCompleteUploadFile(const std::string& instance_id,
                                 const std::shared_ptr<QuickRecordUploadCompleteInfo>& info,
                                 const CompleteCallback& callback) override;
  void RequestBatchUploadFinished(const std::string& batch_id, const std::string& trace_id,
                                  const BatchFinishedCallback& callback) override;
  void RequestQueryQuickRecordMsg(const std::string& path, const MsgCallback& callback) override;
  void RequestCleanQuickRecordMsg(const std::string& path, const SuccessCallback& callback) override;
  void RequestQueryNoticeListMsg(const std::string& last_index, const NoticeListCallback& callback) override;
  void GetQuickRecordSpace(const SpaceCallback& callback) override;
  void GetLocalUploadLimitFilesInfo(const LimitFilesInfoCallback& callback) override;
  void GetBatchCensorInfo(const std::vector<MeetlogLocalBatchSensorInfo>& files,
                          const BatchCensorCallback& callback) override;
  void RequestMyRecordHistoryList(const std::string& last_index, const HistoryListCallback& callback) override;
  void RequestAllRecordList(const RecordListReq& req, const RecordListCallback& callback) override;
  void RequestSingleRecordList(const SingleRecordDataReq& req, const RecordListCallback& callback) override;
  void RequestRecordList(const RecordListReq& req, const RecordListCallback& callback) override;
  void RequestRecentRecordList(const RecordListReq& req, const RecordListCallback& callback) override;
  bool RequestPreloadTabRecordList(int32_t table_type, const RecordListReq& req,
                                   const RecordListCallback& callback) override;
  void RequestMeetingRecordList(bool use_preload, const MeetingRecordListReq& req,
                                const RecordListCallback& callback) override;
  void DeleteRecords(const std::vector<std::string>& uni_record_ids, const DeleteRecordsCallback& callback) override;
  void DeleteRecordHistory(const DeleteRecordHistoryReq& req, const SuccessMessageCallback& callback) override;
  void UpdateRecordTitle(const UpdateRecordTitleReq& req, const UpdateRecordCallback& callback) override;
  void RequestVideoShareNewUiCfg(const MeetlogGetShareNewUiCfgReq& req, const ShareNewUiCfgCallback& callback) override;
  void RequestVideoShareLinkData(const MeetlogVideoShareLinkDataReq& req, const LinkDataCallback& callback) override;
  void RequestUpdateVideoShareLinkData(const tagLinkSetData& data, const UpdateLinkDataCallback& callback) override;
  void RequestVideoShareGrantUserList(const GetUserInfoReq& req, const GrantUserListCallback& callback) override;
  void RequestVideoMeetingAttendeeList(const GetUserInfoReq& req, const AttendeeListCallback& callback) override;
  void UpdateShareUserPermission(const UpdateUserPermissionReq& req, const SuccessMessageCallback& callback) override;
  void AddShareUserPermissionBig(const UpdateUserPermissionReq& req, const SuccessMessageCallback& callback) override;
  void AddAllMeetingAttendee(const AddAllMeetingAttendeeReq& req, const SuccessMessageCallback& callback) override;
  void GetMeetingAttendeeCnt(const GetMeetingAttendeeCntReq& req, const AttendeeCntCallback& callback) override;
  void RequestCloudRecordPermission(const CloudRecordPermissionReq& req,
                                    const SuccessMessageCallback& callback) override;
  void UpdateGrant(const UpdateGrantReq& req, const UpdateGrantCallback& callback) override;
  void GetLintraShareStatus(const GetLintraJoinStatusReq& req, const LintraStatusCallback& callback) override;
  void SetLintraShareStatus(const SetLintraJoinStatusReq& req, const SuccessMessageCallback& callback) override;
  void CleadCloudRecordRedDot(const std::string& uni_record_id, const std::string& file_id,
                              const SuccessCallback& callback) override;

  void OnUpdateSignature(const std::string& key) override;
  // On the I/O looper.
  void OnComplete(base::net::HttpClient* client, const std::shared_ptr<base::net::HttpResponse>& response) override;

 private:
  using SharedStartCallback = std::shared_ptr<const StartRecordCallback>;
  // What a response closure logs when the answer arrives: head, tail and the request's trace id.
  struct ArrivalLog {
    const char* head;
    const char* tail = "";
    std::string trace_id = {};
  };

  template <typename Resp, typename Handler>
  std::function<void(const Resp&)> Respond(ArrivalLog arrival, Handler handler, const char* released = nullptr);
  template <typename Request, typename Req>
  void SendList(const char* operation, const Req& req, const RecordListCallback& callback);
  template <typename Request>
  void SendTabList(int32_t table_type, const char* operation, const RecordListReq& req,
                   const RecordListCallback& callback);

  void SendStart(const std::string& instance_id, bool use_quic, const SharedStartCallback& callback);
  void OnStartResponse(const std::string& instance_id, bool use_quic, const SharedStartCallback& callback,
                       const QuickRecordStartRecordResult& response);
  void CheckReachability(const std::string& instance_id, const std::string& probe_url,
                         const std::shared_ptr<QuickRecordStartRecordResult>& result,
                         const SharedStartCallback& callback);
  void StartProbe(const std::string& probe_url);
  void HandleProbeResult(const std::string& probe_url, const std::string& ip, const std::string& server, int status);
  // Sends every start waiting for `probe_url` again, without QUIC.
  void ResendWithoutQuic(const std::string& probe_url);
  void DeliverStart(const std::string& instance_id, const std::shared_ptr<QuickRecordStartRecordResult>& result,
                    const SharedStartCallback& callback);

  void OnCancelResponse(const QuickRecordCancelRecordResult& response);

  void ScheduleReviewCheck(const RenameReviewStatusReq& review, int attempt, const UpdateRecordCallback& callback);
  void CheckReview(const RenameReviewStatusReq& review, int attempt, const UpdateRecordCallback& callback);
  void OnReviewStatus(const RenameReviewStatusReq& review, int attempt, const UpdateRecordCallback& callback,
                      const QuickRecordDataResp<RenameReviewStatusResp>& response);

  IQuickRecordDelegate* delegate_ = nullptr;
  ProbeClientFactory probe_client_factory_;
  std::unique_ptr<base::net::HttpClient> probe_client_;
  // Probe URL -> the starts waiting for its probe.
  std::map<std::string, std::set<std::string>> pending_probes_;
  std::map<std::string, std::shared_ptr<QuickRecordStartRecordResult>> pending_start_results_;
  std::map<std::string, SharedStartCallback> pending_start_callbacks_;
  // The last start info of each instance, kept until its start is delivered.
  std::map<std::string, std::shared_ptr<QuickRecordStartRecordInfo>> start_infos_;
  // The review checks waiting for their turn, one per rename under review. Owned here so that they
  // leave the main looper when the service goes at deactivation, while its code is still loaded.
  std::map<uint64_t, std::shared_ptr<base::threading::Timer>> review_checks_;
  uint64_t next_review_check_ = 0;
};

}  // namespace quick_record
