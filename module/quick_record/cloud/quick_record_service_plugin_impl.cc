#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"

#include <utility>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/base/net/http_request.h"
#include "host/base/net/http_response.h"
#include "host/base/net/url.h"
#include "host/base/threading/looper.h"
#include "host/util/time.h"
#include "module/quick_record/cloud/requests/share/cloud_record_assign_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_delete_history_record_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_delete_record_data_request.h"
#include "module/quick_record/cloud/cloud_record_json_parser.h"
#include "module/quick_record/cloud/requests/list/cloud_record_query_by_meeting_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_rename_record_data_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_rename_review_status_request.h"
#include "module/quick_record/cloud/requests/share/cloud_record_request_permission_request.h"
#include "module/quick_record/cloud/requests/upload/meet_log_batch_complete_request.h"
#include "module/quick_record/cloud/requests/upload/meet_log_upload_file_complete_request.h"
#include "module/quick_record/cloud/requests/upload/meetlog_local_batch_sensor_info_request.h"
#include "module/quick_record/cloud/requests/upload/meetlog_local_upload_limit_files_info_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_add_all_meeting_attendee_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_add_user_permission_big_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_get_lintra_join_status_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_get_meeting_attendee_cnt_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_grant_user_list_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_meeting_attendee_list_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_set_lintra_join_status_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_update_user_permission_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_video_share_link_data_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_video_share_link_data_update_request.h"
#include "module/quick_record/cloud/requests/share/meetlog_video_share_new_ui_cfg_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_all_record_list_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_clear_red_dot_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_complete_record_request.h"
#include "module/quick_record/cloud/quick_record_host_detect_cache.h"
#include "module/quick_record/cloud/requests/list/quick_record_list_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_msg_clean_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_msg_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_my_record_history_list_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_notice_list_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_recent_record_list_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_single_record_data_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_space_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_request.h"
#include "module/quick_record/cloud/requests/record/quick_recordd_cancel_record_request.h"
#include "module/quick_record/cloud/record_preload_source.h"

namespace quick_record {

using base::variant::Variant;

namespace {

constexpr char kReleased[] = "Quick record service has been released";

void PostToMain(std::function<void()> task) {
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (!main) {
    KLOG(1) << "no main looper, task dropped";
    return;
  }
  main->PostTask(std::move(task), FROM_HERE);
}

std::unique_ptr<base::net::HttpClient> DefaultProbeClient(base::net::HttpClient::Delegate* delegate) {
  base::threading::Looper* io = base::threading::LooperThread::IOLooper();
  return base::net::CreateHttpClient(io, delegate, nullptr);
}

// The address the probe asks: the scheme and host of the object URL (with its port when that is
// not the scheme's own, so that a store on another port is probed where it listens). Empty for
// anything but an http or https URL.
std::string ProbeUrlOf(const std::string& object_url) {
  const base::net::URL url = base::net::URL::From(object_url);
  if (!url.IsHttps() && !url.IsHttp()) return {};
  const std::string host = url.host().find(':') == std::string::npos ? url.host() : "[" + url.host() + "]";
  const int default_port = url.IsHttps() ? 443 : 80;
  return url.scheme() + "://" + host + (url.port() == default_port ? "" : ":" + std::to_string(url.port()));
}

// A preloaded answer of the back end as a list result; its records only when the body is an object.
QuickRecordListResult ParsePreloaded(const RecordPreloadSource::Response& response, const std::string& trace_id) {
  QuickRecordListResult result;
  result.status_code = response.status_code;
  result.msg = response.msg;
  result.biz_code = response.biz_code;
  result.trace_id = trace_id;
  result.from_preload = true;
  result.success = true;
  const base::json::JsonValue body = base::json::JsonValue::Parse(response.body);
  if (!body.IsObject()) return result;
  result.nonce = body["nonce"].AsString();
  CloudRecordJsonParser::ParseListData(body["data"], &result);
  return result;
}

// The handler of an answer whose data the callback takes as it is, or empty on failure.
template <typename Data>
auto DataHandler(const char* failure_log, std::function<void(bool, const Data&)> callback) {
  return [failure_log, callback = std::move(callback)](QuickRecordServicePluginImpl&,
                                                       const QuickRecordDataResp<Data>& response) {
    const bool success = response.IsSucceeded();
    if (!success) KLOG(3) << failure_log;
    if (callback) callback(success, success ? response.data : Data{});
  };
}

// The handler of an answer of which the callback takes success and the back end's message.
auto OutcomeHandler(const char* failure_log, QuickRecordServicePlugin::SuccessMessageCallback callback) {
  return [failure_log, callback = std::move(callback)](QuickRecordServicePluginImpl&,
                                                       const QuickRecordResultEnvelope& response) {
    const bool success = response.IsSucceeded();
    if (!success) KLOG(3) << failure_log;
    if (callback) callback(success, response.msg);
  };
}

// Runs a fresh request of class `Request` after `init` has filled it.
template <typename Request, typename Init, typename Closure>
void Send(Init init, Closure closure) {
  auto request = std::make_shared<Request>();
  init(*request);
  request->Run(std::move(closure));
}

}  // namespace

template <typename Resp, typename Handler>
std::function<void(const Resp&)> QuickRecordServicePluginImpl::Respond(ArrivalLog arrival, Handler handler,
                                                                       const char* released) {
  return [weak = weak_from_this(), arrival = std::move(arrival), handler = std::move(handler),
          released = released ? released : kReleased](const Resp& response) {
    KLOG(6) << arrival.head << arrival.tail << arrival.trace_id;
    const auto self = weak.lock();
    if (!self) {
      KLOG(3) << released;
      return;
    }
    handler(static_cast<QuickRecordServicePluginImpl&>(*self), response);
  };
}

std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> QuickRecordServicePluginImpl::Create() {
  return std::make_shared<QuickRecordServicePluginImpl>();
}

QuickRecordServicePluginImpl::QuickRecordServicePluginImpl(ProbeClientFactory probe_client_factory)
    : probe_client_factory_(probe_client_factory ? std::move(probe_client_factory) : DefaultProbeClient) {
  kovanisdk::utils::service::GetSignatureService()->AddDelegate(this);
}

QuickRecordServicePluginImpl::~QuickRecordServicePluginImpl() {
  kovanisdk::utils::service::GetSignatureService()->RemoveDelegate(this);
  // Waits for a probe report that is running right now; later ones are dropped.
  probe_client_.reset();
}

// ---- Upload signature ----

std::string QuickRecordServicePluginImpl::GetSig() {
  auto service = kovanisdk::utils::service::GetSignatureService();
  if (!service) return {};
  const std::string signature = service->GetSignature(kSignatureKey, true, true);
  KLOG(6) << " GetSig:" << signature.size();
  return signature;
}

void QuickRecordServicePluginImpl::SetDelegate(IQuickRecordDelegate* delegate) { delegate_ = delegate; }

void QuickRecordServicePluginImpl::OnUpdateSignature(const std::string& key) {
  KLOG(6) << "OnUpdateSignature  " << key;
  if (key != kSignatureKey) return;
  const std::string signature =
      kovanisdk::utils::service::GetSignatureService()->GetSignature(kSignatureKey, true, true);
  KLOG(6) << "sig:" << signature.size();
  if (delegate_) delegate_->OnSigRefresh(signature);
}

// ---- Recording lifecycle ----

void QuickRecordServicePluginImpl::RequestCancelQuickRecord(const std::string& record_id) {
  KLOG(6) << "cancel quick record, record id:" << record_id;
  Send<QuickRecorddCancelRecordRequest>(
      [&](auto& request) { request.InitData(record_id); },
      Respond<QuickRecordCancelRecordResult>({"RequestCancelQuickRecord resp"}, [](auto& self, const auto& response) {
        self.OnCancelResponse(response);
      }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::OnCancelResponse(const QuickRecordCancelRecordResult& response) {
  const std::string& id = response.record_id;
  constexpr int32_t kType = IQuickRecordDelegate::kRequestTypeCancel;
  if (response.IsSucceeded()) {
    if (response.success) {
      KLOG(6) << "cancel record:" << id << " successed";
    } else {
      KLOG(3) << "cancel record:" << id << " failed, error code:" << response.biz_code << ", erro msg:" << response.msg;
    }
    if (delegate_) delegate_->OnRequestComplete(kType, id);
    return;
  }
  KLOG(3) << "RequestTypeCancel invalid result";
  KLOG(3) << "request server error, type:" << kType << ",error_code:" << response.biz_code
          << ",error_msg:" << response.msg << ",record_id:" << id;
  if (delegate_) delegate_->OnRequestError(kType, response.biz_code, response.msg, id);
}

void QuickRecordServicePluginImpl::RequestStartRecord(const std::string& instance_id,
                                                      const std::shared_ptr<QuickRecordStartRecordInfo>& info,
                                                      bool use_quic, const StartRecordCallback& callback) {
  start_infos_[instance_id] = info;
  KLOG(6) << "quic_tsf" << instance_id << " use_quic=" << use_quic;
  SendStart(instance_id, use_quic, std::make_shared<const StartRecordCallback>(callback));
}

void QuickRecordServicePluginImpl::SendStart(const std::string& instance_id, bool use_quic,
                                             const SharedStartCallback& callback) {
  const auto info = start_infos_.find(instance_id);
  const QuickRecordStartRecordInfo start =
      info != start_infos_.end() && info->second ? *info->second : QuickRecordStartRecordInfo();
  Send<QuickRecordStartRecordRequest>(
      [&](auto& request) { request.InitData(start, use_quic); },
      Respond<QuickRecordStartRecordResult>({"FILE_REQUEST resp"},
                                            [instance_id, use_quic, callback](auto& self, const auto& response) {
                                              self.OnStartResponse(instance_id, use_quic, callback, response);
                                            }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::OnStartResponse(const std::string& instance_id, bool use_quic,
                                                   const SharedStartCallback& callback,
                                                   const QuickRecordStartRecordResult& response) {
  auto result = std::make_shared<QuickRecordStartRecordResult>(response);
  KLOG(6) << "cos_url:" << result->cos_url << ", cos_key:" << result->cos_key << ", bucket_name:" << result->bucket_name
          << ", cover_cos_key:" << result->cover_cos_key << ", jump_url:" << result->jump_url
          << ", jump_url_short:" << result->jump_url_short;
  for (const auto& [verb, auth] : result->video_auth) KLOG(6) << "video auth key:" << verb << ",auth value:" << auth;
  for (const auto& [verb, auth] : result->cover_auth) KLOG(6) << "cover auth key:" << verb << ",auth value:" << auth;
  if (!use_quic || !result->IsSucceeded()) {
    DeliverStart(instance_id, result, callback);
    return;
  }
  CheckReachability(instance_id, ProbeUrlOf(result->cos_url), result, callback);
}

void QuickRecordServicePluginImpl::CheckReachability(const std::string& instance_id, const std::string& probe_url,
                                                     const std::shared_ptr<QuickRecordStartRecordResult>& result,
                                                     const SharedStartCallback& callback) {
  if (QuickRecordHostDetectCache::IsReachable(probe_url, util::time::GetTimestamp())) {
    DeliverStart(instance_id, result, callback);
    return;
  }
  std::set<std::string>& waiting = pending_probes_[probe_url];
  const bool probe_running = !waiting.empty();
  waiting.insert(instance_id);
  pending_start_results_[instance_id] = result;
  pending_start_callbacks_[instance_id] = callback;
  KLOG(6) << "quic_tsf"
          << " start detect, url=" << probe_url << " instance_id " << instance_id;
  // One probe of a URL answers every start that waits for it.
  if (!probe_running) StartProbe(probe_url);
}

void QuickRecordServicePluginImpl::StartProbe(const std::string& probe_url) {
  auto request = base::net::CreateHttpRequest(probe_url, base::net::kHttpHead, true);
  if (!request) {
    KLOG(3) << "http_req is null, check failed! " << probe_url;
    ResendWithoutQuic(probe_url);
    return;
  }
  request->SetTimeout(kProbeTimeoutMs);
  if (!probe_client_) probe_client_ = probe_client_factory_(this);
  if (!probe_client_ || !probe_client_->Start(request)) {
    KLOG(3) << "quic_tsf"
            << " probe not started, url=" << probe_url;
    ResendWithoutQuic(probe_url);
  }
}

void QuickRecordServicePluginImpl::OnComplete(base::net::HttpClient*,
                                              const std::shared_ptr<base::net::HttpResponse>& response) {
  PostToMain([weak = weak_from_this(), url = response->url(), ip = response->remote_ip(),
              server = response->GetHeader("server"), status = response->status_code()] {
    if (const auto self = weak.lock()) {
      static_cast<QuickRecordServicePluginImpl&>(*self).HandleProbeResult(url, ip, server, status);
    }
  });
}

void QuickRecordServicePluginImpl::HandleProbeResult(const std::string& probe_url, const std::string& ip,
                                                     const std::string& server, int status) {
  // The store refuses an unauthenticated request; only that refusal, from the store itself, shows
  // that it is reached directly (a 200 comes from something in between).
  const bool reachable = !ip.empty() && server == kStorageServer && status == 403;
  QuickRecordHostDetectCache::Update(probe_url, reachable, util::time::GetTimestamp());
  KLOG(6) << "quic_tsf" << probe_url << " accessible=" << reachable << " ip=" << ip << " server=" << server;
  if (!reachable) {
    ResendWithoutQuic(probe_url);
    return;
  }
  const auto waiting = pending_probes_.extract(probe_url);
  if (waiting.empty()) return;
  for (const std::string& instance_id : waiting.mapped()) {
    DeliverStart(instance_id, pending_start_results_[instance_id], pending_start_callbacks_[instance_id]);
  }
}

void QuickRecordServicePluginImpl::ResendWithoutQuic(const std::string& probe_url) {
  const auto waiting = pending_probes_.extract(probe_url);
  if (waiting.empty()) return;
  for (const std::string& instance_id : waiting.mapped()) {
    const SharedStartCallback callback = pending_start_callbacks_[instance_id];
    pending_start_results_.erase(instance_id);
    pending_start_callbacks_.erase(instance_id);
    SendStart(instance_id, false, callback);
  }
}

void QuickRecordServicePluginImpl::DeliverStart(const std::string& instance_id,
                                                const std::shared_ptr<QuickRecordStartRecordResult>& result,
                                                const SharedStartCallback& callback) {
  KLOG(6) << "quic_tsf"
          << " instance_id=" << instance_id << ", final cos_url=" << (result ? result->cos_url : "");
  PostToMain([instance_id, result, callback] {
    if (!callback || !*callback || !result) return;
    (*callback)(instance_id, result->status_code, result->msg, result->biz_code, result);
  });
  pending_start_results_.erase(instance_id);
  pending_start_callbacks_.erase(instance_id);
  start_infos_.erase(instance_id);
}

void QuickRecordServicePluginImpl::RequestCompleteRecord(const std::string& instance_id,
                                                         const std::shared_ptr<QuickRecordCompleteRecordInfo>& info,
                                                         const CompleteCallback& callback) {
  Send<QuickRecordCompleteRecordRequest>(
      [&](auto& request) { request.InitData(info ? *info : QuickRecordCompleteRecordInfo()); },
      Respond<QuickRecordResultEnvelope>({"FILE_REQUEST resp"}, [instance_id, callback](auto&, const auto& response) {
        if (callback) callback(instance_id, response.status_code, response.msg, response.biz_code);
      }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::RequestCompleteUploadFile(const std::string& instance_id,
                                                             const std::shared_ptr<QuickRecordUploadCompleteInfo>& info,
                                                             const CompleteCallback& callback) {
  Send<MeetLogUploadFileCompleteRequest>(
      [&](auto& request) { request.InitData(info ? *info : QuickRecordUploadCompleteInfo()); },
      Respond<QuickRecordResultEnvelope>(
          {"FILE_REQUEST resp"},
          [instance_id, callback](auto&, const auto& response) {
            if (callback) callback(instance_id, response.status_code, response.msg, response.biz_code);
          },
          "uplaod file service has been released"));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::RequestBatchUploadFinished(const std::string& batch_id, const std::string& trace_id,
                                                              const BatchFinishedCallback& callback) {
  Send<MeetLogBatchCompleteRequest>([&](auto& request) { request.InitData(batch_id); },
                                    Respond<QuickRecordResultEnvelope>(
                                        {"BATCH resp"},
                                        [batch_id, callback](auto&, const auto& response) {
                                          if (callback)
                                            callback(batch_id, response.status_code, response.msg, response.biz_code);
                                        },
                                        "batch service has been released"));
  KLOG(6) << "request auth, batch_id: " << batch_id << ", trace_id: " << trace_id;
}

void QuickRecordServicePluginImpl::GetQuickRecordSpace(const SpaceCallback& callback) {
  Send<QuickRecordSpaceRequest>(
      [](auto& request) { request.InitData(); },
      Respond<QuickRecordSpaceInfo>({"GetQuickRecordSpace resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (!success) KLOG(3) << "GetQuickRecordSpace invalid result";
        if (callback) callback(success, success ? response : QuickRecordSpaceInfo());
      }));
  KLOG(6) << "request auth";
}

// ---- Messages and red dots ----

void QuickRecordServicePluginImpl::RequestQueryQuickRecordMsg(const std::string& path, const MsgCallback& callback) {
  Send<QuickRecordMsgRequest>(
      [&](auto& request) { request.InitData(path); },
      Respond<QuickRecordDataResp<QuickRecordMsgInfo>>(
          {"quickRecordMsg resp"}, DataHandler<QuickRecordMsgInfo>("quickRecordMsg invalid result", callback)));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::RequestCleanQuickRecordMsg(const std::string& path,
                                                              const SuccessCallback& callback) {
  Send<QuickRecordMsgCleanRequest>(
      [&](auto& request) { request.InitData(path); },
      Respond<QuickRecordResultEnvelope>({"quickRecordMsgClean resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (!success) KLOG(3) << "quickRecordMsgClean failed";
        if (callback) callback(success);
      }));
  KLOG(6) << "cleanquickRecordMsg request auth";
}

void QuickRecordServicePluginImpl::RequestQueryNoticeListMsg(const std::string& last_index,
                                                             const NoticeListCallback& callback) {
  Send<QuickRecordNoticeListRequest>(
      [&](auto& request) { request.InitData(last_index); },
      Respond<QuickRecordNoticeListResult>({"RequestQueryNoticeListMsg resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (!success) KLOG(3) << "RequestQueryNoticeListMsg failed";
        if (!callback) return;
        if (success) {
          callback(true, response.last_index, response.notices);
        } else {
          callback(false, {}, {});
        }
      }));
  KLOG(6) << "RequestQueryNoticeListMsg request auth";
}

void QuickRecordServicePluginImpl::CleadCloudRecordRedDot(const std::string& uni_record_id, const std::string& file_id,
                                                          const SuccessCallback& callback) {
  Send<QuickRecordClearRedDotRequest>(
      [&](auto& request) { request.InitData(uni_record_id, file_id); },
      Respond<QuickRecordResultEnvelope>({"CleadCloudRecordRedDot resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (!success) KLOG(3) << "CleadCloudRecordRedDot invalid result";
        if (callback) callback(success);
      }));
  KLOG(6) << "request auth";
}

// ---- Local upload ----

void QuickRecordServicePluginImpl::GetLocalUploadLimitFilesInfo(const LimitFilesInfoCallback& callback) {
  Send<MeetlogLocalUploadLimitFilesInfoRequest>(
      [](auto& request) { request.InitData(); },
      Respond<QuickRecordDataResp<MeetlogLocalUploadLimitFilesInfo>>(
          {"GetLocalUploadLimitFilesInfo resp"},
          DataHandler<MeetlogLocalUploadLimitFilesInfo>("GetLocalUploadLimitFilesInfo invalid result", callback)));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::GetBatchCensorInfo(const std::vector<MeetlogLocalBatchSensorInfo>& files,
                                                      const BatchCensorCallback& callback) {
  using Verdicts = std::vector<BatchCensorInfoItemResp>;
  Send<MeetlogLocalBatchSensorInfoRequest>(
      [&](auto& request) { request.InitData(files); },
      Respond<QuickRecordDataResp<Verdicts>>({"GetBatchCensorInfo resp"},
                                             DataHandler<Verdicts>("GetBatchCensorInfo invalid result", callback)));
  KLOG(6) << "request auth";
}

// ---- Record lists ----

template <typename Request, typename Req>
void QuickRecordServicePluginImpl::SendList(const char* operation, const Req& req, const RecordListCallback& callback) {
  Send<Request>([&](auto& request) { request.InitData(req); },
                Respond<QuickRecordListResult>({operation, " resp, trace_id: ", req.trace_id},
                                               [operation, callback](auto&, const auto& response) {
                                                 QuickRecordListResult result = response;
                                                 result.success = response.IsSucceeded();
                                                 if (!result.success)
                                                   KLOG(3) << operation << " failed, trace_id: " << response.trace_id;
                                                 if (callback) callback(result);
                                               }));
  KLOG(6) << operation << " request auth, trace_id: " << req.trace_id;
}

template <typename Request>
void QuickRecordServicePluginImpl::SendTabList(int32_t table_type, const char* operation, const RecordListReq& req,
                                               const RecordListCallback& callback) {
  if (RequestPreloadTabRecordList(table_type, req, callback)) {
    KLOG(6) << operation << " use preload, trace_id: " << req.trace_id;
    return;
  }
  SendList<Request>(operation, req, callback);
}

void QuickRecordServicePluginImpl::RequestAllRecordList(const RecordListReq& req, const RecordListCallback& callback) {
  SendTabList<QuickRecordAllRecordListRequest>(kTableAll, "RequestAllRecordList", req, callback);
}

void QuickRecordServicePluginImpl::RequestRecordList(const RecordListReq& req, const RecordListCallback& callback) {
  SendTabList<QuickRecordListRequest>(kTableMine, "RequestMyRecordList", req, callback);
}

void QuickRecordServicePluginImpl::RequestRecentRecordList(const RecordListReq& req,
                                                           const RecordListCallback& callback) {
  SendTabList<QuickRecordRecentRecordListRequest>(kTableRecent, "RequestRecentRecordList", req, callback);
}

void QuickRecordServicePluginImpl::RequestSingleRecordList(const SingleRecordDataReq& req,
                                                           const RecordListCallback& callback) {
  SendList<QuickRecordSingleRecordDataRequest>("RequestSingleRecordList", req, callback);
}

bool QuickRecordServicePluginImpl::RequestPreloadTabRecordList(int32_t table_type, const RecordListReq& req,
                                                               const RecordListCallback& callback) {
  Variant args = Variant::MakeMap();
  args.Set("table_type", table_type);
  args.Set("is_first_page", req.is_first_page);
  args.Set("record_method_type", req.record_method_type);
  args.Set("only_query", false);
  const auto preloaded = RecordPreloadSource::Fetch(RecordPreloadSource::kTabPage, args);
  if (!preloaded) return false;
  if (!preloaded->IsSucceeded()) {
    KLOG(3) << "RequestPreloadTabRecordList preload record list failed";
    return false;
  }
  const QuickRecordListResult result = ParsePreloaded(*preloaded, req.trace_id);
  if (result.records.empty()) {
    KLOG(4) << "RequestPreloadTabRecordList preload record list empty";
    return false;
  }
  if (callback) callback(result);
  return true;
}

void QuickRecordServicePluginImpl::RequestMeetingRecordList(bool use_preload, const MeetingRecordListReq& req,
                                                            const RecordListCallback& callback) {
  KLOG(6) << "RequestMeetingRecordList request auth, trace_id: " << req.trace_id;
  Variant args = Variant::MakeMap();
  args.Set("meeting_id", req.meeting_id);
  args.Set("sub_meeting_id", req.sub_meeting_id);
  args.Set("room_id", req.room_id);
  if (use_preload) {
    const auto preloaded = RecordPreloadSource::Fetch(RecordPreloadSource::kMeetingPage, args);
    if (preloaded && preloaded->IsSucceeded()) {
      KLOG(6) << "RequestMeetingRecordList use preload, trace_id: " << req.trace_id;
      if (callback) callback(ParsePreloaded(*preloaded, req.trace_id));
      return;
    }
    KLOG(4) << "RequestMeetingRecordList preload failed, trace_id: " << req.trace_id;
  }
  const bool only_local = RecordPreloadSource::OnlyHasLocalRecords(args);
  KLOG(6) << "only_has_meeting_local_record: " << only_local;
  if (only_local) {
    QuickRecordListResult empty;
    empty.success = true;
    empty.trace_id = req.trace_id;
    if (callback) callback(empty);
    return;
  }
  SendList<CloudRecordQueryByMeetingRequest>("RequestMeetingRecordList", req, callback);
}

void QuickRecordServicePluginImpl::RequestMyRecordHistoryList(const std::string& last_index,
                                                              const HistoryListCallback& callback) {
  Send<QuickRecordMyRecordHistoryListRequest>(
      [&](auto& request) { request.InitData(last_index); },
      Respond<MyRecordHistoryListResult>({"RequestMyRecordHistoryList resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (!success) KLOG(3) << "RequestMyRecordHistoryList failed";
        if (!callback) return;
        if (success) {
          callback(true, response.last_index, response.records);
        } else {
          callback(false, {}, {});
        }
      }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::DeleteRecords(const std::vector<std::string>& uni_record_ids,
                                                 const DeleteRecordsCallback& callback) {
  Send<CloudRecordDeleteRecordDataRequest>(
      [&](auto& request) { request.InitData(uni_record_ids); },
      Respond<QuickRecordResultEnvelope>({"DeleteRecords resp"}, [callback](auto&, const auto& response) {
        if (callback) callback(response.IsSucceeded(), response.msg, response.biz_code);
      }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::DeleteRecordHistory(const DeleteRecordHistoryReq& req,
                                                       const SuccessMessageCallback& callback) {
  Send<CloudRecordDeleteHistoryRecordRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"DeleteRecordHistory resp"},
                                         OutcomeHandler("DeleteRecordHistory failed", callback)));
  KLOG(6) << "request auth";
}

// ---- Rename and its review ----

void QuickRecordServicePluginImpl::UpdateRecordTitle(const UpdateRecordTitleReq& req,
                                                     const UpdateRecordCallback& callback) {
  Send<CloudRecordRenameRecordDataRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<RenameReviewStatusReq>>(
          {"UpdateRecordTitle resp"}, [callback](auto& self, const auto& response) {
            if (!response.IsSucceeded()) {
              if (callback) callback(UpdateRecordResp{false, response.msg, response.biz_code});
              return;
            }
            if (response.data.version.empty()) {
              KLOG(6) << "Update cloud record data (rename), no need to check review status";
              if (callback) callback(UpdateRecordResp{true, response.msg, response.biz_code});
              return;
            }
            self.ScheduleReviewCheck(response.data, 0, callback);
          }));
  KLOG(6) << "request auth";
}

void QuickRecordServicePluginImpl::ScheduleReviewCheck(const RenameReviewStatusReq& review, int attempt,
                                                       const UpdateRecordCallback& callback) {
  // The timer dies with this service, so its task never outlives `this`.
  const uint64_t key = next_review_check_++;
  auto timer = std::make_shared<base::threading::Timer>(
      [this, key, review, attempt, callback] {
        review_checks_.erase(key);
        CheckReview(review, attempt, callback);
      },
      base::threading::LooperThread::MainLooper(), FROM_HERE);
  timer->Start(kReviewIntervalMs, /*repeating=*/false);
  review_checks_.emplace(key, std::move(timer));
}

void QuickRecordServicePluginImpl::CheckReview(const RenameReviewStatusReq& review, int attempt,
                                               const UpdateRecordCallback& callback) {
  Send<CloudRecordRenameReviewStatusRequest>(
      [&](auto& request) { request.InitData(review); },
      Respond<QuickRecordDataResp<RenameReviewStatusResp>>(
          {"RenameReviewStatus resp"}, [review, attempt, callback](auto& self, const auto& response) {
            self.OnReviewStatus(review, attempt, callback, response);
          }));
}

void QuickRecordServicePluginImpl::OnReviewStatus(const RenameReviewStatusReq& review, int attempt,
                                                  const UpdateRecordCallback& callback,
                                                  const QuickRecordDataResp<RenameReviewStatusResp>& response) {
  constexpr int32_t kAccepted = 0;
  constexpr int32_t kRejected = 2;
  const int32_t status = response.data.status;
  const bool settled = status == kAccepted || status == kRejected;
  if (!settled && attempt < kLastReviewAttempt) {
    ScheduleReviewCheck(review, attempt + 1, callback);
    return;
  }
  if (!settled) KLOG(3) << "Max check rename review status times.";
  const bool answered = response.IsSucceeded();
  if (callback) {
    callback(UpdateRecordResp{answered && status == kAccepted, answered ? response.data.tips : response.msg,
                              response.biz_code});
  }
}

// ---- Sharing ----

void QuickRecordServicePluginImpl::RequestVideoShareNewUiCfg(const MeetlogGetShareNewUiCfgReq& req,
                                                             const ShareNewUiCfgCallback& callback) {
  Send<MeetlogVideoShareNewUiCfgRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<tagShareNewUiCfg>>(
          {"RequestVideoShareNewUiCfg resp"},
          DataHandler<tagShareNewUiCfg>("RequestVideoShareNewUiCfg invalid result", callback)));
}

void QuickRecordServicePluginImpl::RequestVideoShareLinkData(const MeetlogVideoShareLinkDataReq& req,
                                                             const LinkDataCallback& callback) {
  Send<MeetlogVideoShareLinkDataRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<tagLinkData>>({"RequestVideoShareLinkData resp"},
                                                [callback](auto&, const auto& response) {
                                                  if (!callback) return;
                                                  callback(response.IsSucceeded() ? response.data : tagLinkData());
                                                }));
}

void QuickRecordServicePluginImpl::RequestUpdateVideoShareLinkData(const tagLinkSetData& data,
                                                                   const UpdateLinkDataCallback& callback) {
  Send<MeetlogVideoShareLinkDataUpdateRequest>(
      [&](auto& request) { request.InitData(data); },
      Respond<QuickRecordResultEnvelope>({"RequestUpdateVideoShareLinkData resp"},
                                         [uni_record_id = data.uni_record_id, callback](auto&, const auto& response) {
                                           if (callback) callback(response.IsSucceeded(), uni_record_id, response.msg);
                                         }));
}

void QuickRecordServicePluginImpl::RequestVideoShareGrantUserList(const GetUserInfoReq& req,
                                                                  const GrantUserListCallback& callback) {
  Send<MeetlogShareGrantUserListRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<GrantUserListResult>>({"RequestVideoShareGrantUserList resp"},
                                                        [callback](auto&, const auto& response) {
                                                          GrantUserListResult result;
                                                          if (response.IsSucceeded()) result = response.data;
                                                          result.success = response.IsSucceeded();
                                                          if (callback) callback(result);
                                                        }));
}

void QuickRecordServicePluginImpl::RequestVideoMeetingAttendeeList(const GetUserInfoReq& req,
                                                                   const AttendeeListCallback& callback) {
  Send<MeetlogShareMeetingAttendeeListRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<MeetingAttendeeListResult>>({"RequestVideoMeetingAttendeeList resp"},
                                                              [callback](auto&, const auto& response) {
                                                                MeetingAttendeeListResult result;
                                                                if (response.IsSucceeded()) result = response.data;
                                                                result.success = response.IsSucceeded();
                                                                if (callback) callback(result);
                                                              }));
}

void QuickRecordServicePluginImpl::UpdateShareUserPermission(const UpdateUserPermissionReq& req,
                                                             const SuccessMessageCallback& callback) {
  Send<MeetlogShareUpdateUserPermissionRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"UpdateShareUserPermission resp"},
                                         OutcomeHandler("UpdateShareUserPermission failed", callback)));
}

void QuickRecordServicePluginImpl::AddShareUserPermissionBig(const UpdateUserPermissionReq& req,
                                                             const SuccessMessageCallback& callback) {
  Send<MeetlogShareAddUserPermissionBigRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"AddShareUserPermissionBig resp"},
                                         OutcomeHandler("AddShareUserPermissionBig failed", callback)));
}

void QuickRecordServicePluginImpl::AddAllMeetingAttendee(const AddAllMeetingAttendeeReq& req,
                                                         const SuccessMessageCallback& callback) {
  Send<MeetlogShareAddAllMeetingAttendeeRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"AddAllMeetingAttendee resp"},
                                         OutcomeHandler("AddAllMeetingAttendee failed", callback)));
}

void QuickRecordServicePluginImpl::GetMeetingAttendeeCnt(const GetMeetingAttendeeCntReq& req,
                                                         const AttendeeCntCallback& callback) {
  Send<MeetlogShareGetMeetingAttendeeCntRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<int32_t>>({"GetMeetingAttendeeCnt resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (callback) callback(GetMeetingAttendeeCntResult{success, success ? response.data : 0});
      }));
}

void QuickRecordServicePluginImpl::RequestCloudRecordPermission(const CloudRecordPermissionReq& req,
                                                                const SuccessMessageCallback& callback) {
  Send<CloudRecordRequestPermissionRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<std::string>>({"RequestCloudRecordPermission resp", ", trace_id: ", req.trace_id},
                                                OutcomeHandler("RequestCloudRecordPermission failed", callback)));
}

void QuickRecordServicePluginImpl::UpdateGrant(const UpdateGrantReq& req, const UpdateGrantCallback& callback) {
  bool added = false;
  for (const auto& member : req.members) added = added || member.is_grant;
  Send<CloudRecordAssignRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"UpdateGrant resp"}, [added, callback](auto&, const auto& response) {
        if (callback) callback(response.IsSucceeded(), added, response.msg);
      }));
}

void QuickRecordServicePluginImpl::GetLintraShareStatus(const GetLintraJoinStatusReq& req,
                                                        const LintraStatusCallback& callback) {
  Send<MeetlogShareGetLintraJoinStatusRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordDataResp<bool>>({"GetLintraShareStatus resp"}, [callback](auto&, const auto& response) {
        const bool success = response.IsSucceeded();
        if (callback) callback(GetLintraShareStatusResult{success, success && response.data});
      }));
}

void QuickRecordServicePluginImpl::SetLintraShareStatus(const SetLintraJoinStatusReq& req,
                                                        const SuccessMessageCallback& callback) {
  Send<MeetlogShareSetLintraJoinStatusRequest>(
      [&](auto& request) { request.InitData(req); },
      Respond<QuickRecordResultEnvelope>({"SetLintraShareStatus resp"},
                                         OutcomeHandler("SetLintraShareStatus failed", callback)));
}

}  // namespace quick_record
