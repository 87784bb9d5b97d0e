#pragma once

// Every request class of the module with a default request and a digest of what its result read
// from an answer: the unit tests check each parser against malformed answers with it, and the
// request fuzz target drives each parser's HandleBizResponse through the fake transport.
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "module/quick_record/cloud/requests/share/cloud_record_assign_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_delete_history_record_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_delete_record_data_request.h"
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

namespace quick_record::testing {

template <typename F>
struct ResultOf;
template <typename A>
struct ResultOf<std::function<void(const A&)>> {
  using type = A;
};
template <typename Request>
using ResultType = typename ResultOf<typename Request::Closure>::type;

// A text of everything a result read from an answer's data; the same for two results that read
// the same.
class Digest {
 public:
  template <typename T>
  Digest& operator<<(const T& value) {
    out_ << value << '|';
    return *this;
  }
  std::string str() const { return out_.str(); }

 private:
  std::ostringstream out_;
};

inline std::string DigestOf(const CloudRecordItemResp& r) {
  return (Digest() << r.record_id << r.title << r.start_time << r.video_width << r.record_state << r.last_view_time
                   << r.meeting_info.subject << r.record_type << r.share_url_expired << r.hover_msg.msg_type
                   << r.hover_msg.time_at << r.show_red_point << r.sort_num << r.is_single << r.role_type)
      .str();
}

inline std::string DigestOf(const QuickRecordListResult& r) {
  Digest d;
  d << r.page_info.index << r.page_info.size << r.page_info.count << r.page_info.has_more << r.records.size();
  for (const auto& item : r.records) d << DigestOf(item);
  return d.str();
}

inline std::string DigestOf(const ShareUserInfo& u) {
  return (Digest() << u.app_id << u.app_uid << u.nickname << u.avatar << u.is_grant).str();
}

struct ParserCase {
  std::string name;
  std::string path;
  // Sends the request; its results are kept as digests.
  std::function<void(std::vector<std::string>* digests)> send;
  std::string default_digest;
};

template <typename Request, typename Init, typename DigestFn>
ParserCase Case(std::string name, std::string path, Init init, DigestFn digest) {
  using Result = ResultType<Request>;
  ParserCase c;
  c.name = std::move(name);
  c.path = std::move(path);
  c.send = [init, digest](std::vector<std::string>* digests) {
    auto request = std::make_shared<Request>();
    init(*request);
    request->Run([digests, digest](const Result& result) { digests->push_back(digest(result)); });
  };
  c.default_digest = digest(Result());
  return c;
}

inline std::vector<ParserCase> AllParsers() {
  auto envelope_only = [](const QuickRecordResultEnvelope&) { return std::string(); };
  return {
      Case<QuickRecordStartRecordRequest>(
          "start", QuickRecordStartRecordRequest::kPath, [](auto& r) { r.InitData({}, true); },
          [](const QuickRecordStartRecordResult& r) {
            return (Digest() << r.record_id << r.cos_url << r.cos_key << r.bucket_name << r.cover_cos_key << r.jump_url
                             << r.jump_url_short << r.video_session_token << r.cover_session_token << r.cover_feature_id
                             << r.title << r.segment_size << r.video_auth.size() << r.cover_auth.size())
                .str();
          }),
      Case<QuickRecordCompleteRecordRequest>(
          "complete", QuickRecordCompleteRecordRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<QuickRecorddCancelRecordRequest>(
          "cancel", QuickRecorddCancelRecordRequest::kPath, [](auto& r) { r.InitData(""); },
          [](const QuickRecordCancelRecordResult& r) { return r.record_id; }),
      Case<QuickRecordSpaceRequest>(
          "space", QuickRecordSpaceRequest::kPath, [](auto& r) { r.InitData(); },
          [](const QuickRecordSpaceInfo& r) {
            return (Digest() << r.total_capacity << r.meetlog_used_capacity << r.cloud_record_used_capacity
                             << r.usedspace << r.meetlog_count << r.cloud_record_count << r.personal_record_count
                             << r.personal_used_space << r.capacity_limit_switch)
                .str();
          }),
      Case<QuickRecordAllRecordListRequest>(
          "all", QuickRecordAllRecordListRequest::kPath, [](auto& r) { r.InitData(RecordListReq{}); },
          [](const QuickRecordListResult& r) { return DigestOf(r); }),
      Case<QuickRecordListRequest>(
          "mine", QuickRecordListRequest::kPath, [](auto& r) { r.InitData(RecordListReq{}); },
          [](const QuickRecordListResult& r) { return DigestOf(r); }),
      Case<QuickRecordRecentRecordListRequest>(
          "recent", QuickRecordRecentRecordListRequest::kPath, [](auto& r) { r.InitData(RecordListReq{}); },
          [](const QuickRecordListResult& r) { return DigestOf(r); }),
      Case<QuickRecordSingleRecordDataRequest>(
          "single", QuickRecordSingleRecordDataRequest::kPath, [](auto& r) { r.InitData(SingleRecordDataReq{}); },
          [](const QuickRecordListResult& r) { return DigestOf(r); }),
      Case<CloudRecordQueryByMeetingRequest>(
          "meeting", CloudRecordQueryByMeetingRequest::kPath, [](auto& r) { r.InitData(MeetingRecordListReq{}); },
          [](const QuickRecordListResult& r) { return DigestOf(r); }),
      Case<QuickRecordMyRecordHistoryListRequest>(
          "history", QuickRecordMyRecordHistoryListRequest::kPath, [](auto& r) { r.InitData(""); },
          [](const MyRecordHistoryListResult& r) { return (Digest() << r.last_index << r.records.size()).str(); }),
      Case<CloudRecordDeleteRecordDataRequest>(
          "delete", CloudRecordDeleteRecordDataRequest::kPath, [](auto& r) { r.InitData({"a"}); }, envelope_only),
      Case<CloudRecordDeleteHistoryRecordRequest>(
          "delete history", CloudRecordDeleteHistoryRecordRequest::kPath, [](auto& r) { r.InitData({}); },
          envelope_only),
      Case<CloudRecordRenameRecordDataRequest>(
          "rename", CloudRecordRenameRecordDataRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<RenameReviewStatusReq>& r) {
            return (Digest() << r.data.fire_id << r.data.biz_id << r.data.resource_id << r.data.resource_part_id
                             << r.data.version)
                .str();
          }),
      Case<CloudRecordRenameReviewStatusRequest>(
          "review", CloudRecordRenameReviewStatusRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<RenameReviewStatusResp>& r) {
            return (Digest() << r.data.status << r.data.tips).str();
          }),
      Case<QuickRecordMsgRequest>(
          "reddot pull", QuickRecordMsgRequest::kPath, [](auto& r) { r.InitData("p"); },
          [](const QuickRecordDataResp<QuickRecordMsgInfo>& r) {
            return (Digest() << r.data.is_show << r.data.type << r.data.count).str();
          }),
      Case<QuickRecordMsgCleanRequest>(
          "reddot clear", QuickRecordMsgCleanRequest::kPath, [](auto& r) { r.InitData("p"); }, envelope_only),
      Case<QuickRecordNoticeListRequest>(
          "notices", QuickRecordNoticeListRequest::kPath, [](auto& r) { r.InitData(); },
          [](const QuickRecordNoticeListResult& r) { return (Digest() << r.last_index << r.notices.size()).str(); }),
      Case<QuickRecordClearRedDotRequest>(
          "card reddot", QuickRecordClearRedDotRequest::kPath, [](auto& r) { r.InitData("a", "b"); }, envelope_only),
      Case<MeetlogVideoShareLinkDataRequest>(
          "link get", MeetlogVideoShareLinkDataRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<tagLinkData>& r) {
            const tagLinkData& d = r.data;
            return (Digest() << d.msg << d.is_success << d.record_type << d.switch_cfg.default_state
                             << d.switch_cfg.close_tip << d.switch_cfg.permission_point_id
                             << d.ui_visible_cfg.lintra_share_visible << d.ui_visible_cfg.senior_setting_visible
                             << d.share_cfg.share_id << d.share_cfg.activity_uid << d.permission_point_cfg.size()
                             << d.permission_group_cfg.size() << d.user_share_set.switch_state
                             << d.user_share_set.expired_time << d.out_tip << d.is_gray << d.assign_user_num
                             << d.grant_permisson_cfg << d.role_type)
                .str();
          }),
      Case<MeetlogVideoShareLinkDataUpdateRequest>(
          "link set", MeetlogVideoShareLinkDataUpdateRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<MeetlogVideoShareNewUiCfgRequest>(
          "ui cfg", MeetlogVideoShareNewUiCfgRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<tagShareNewUiCfg>& r) {
            return (Digest() << r.data.lintra_share_visible << r.data.company_contacts_visible
                             << r.data.new_meeting_member_visible)
                .str();
          }),
      Case<MeetlogShareGrantUserListRequest>(
          "granted users", MeetlogShareGrantUserListRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<GrantUserListResult>& r) {
            return (Digest() << r.data.member_count << r.data.has_more << r.data.next_cursor << r.data.last_item_info
                             << r.data.data_version << r.data.selected_list.size() << DigestOf(r.data.creator))
                .str();
          }),
      Case<MeetlogShareMeetingAttendeeListRequest>(
          "attendees", MeetlogShareMeetingAttendeeListRequest::kParticipantPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<MeetingAttendeeListResult>& r) {
            const MeetingAttendeeListResult& d = r.data;
            return (Digest() << d.count << d.granted_cnt << d.has_more << d.is_large_meeting << d.is_large_all_selected
                             << d.blacklist_size << d.data_version << d.next_page << d.list.size())
                .str();
          }),
      Case<MeetlogShareUpdateUserPermissionRequest>(
          "set grants", MeetlogShareUpdateUserPermissionRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<MeetlogShareAddUserPermissionBigRequest>(
          "set grants big", MeetlogShareAddUserPermissionBigRequest::kPath, [](auto& r) { r.InitData({}); },
          envelope_only),
      Case<MeetlogShareAddAllMeetingAttendeeRequest>(
          "grant all", MeetlogShareAddAllMeetingAttendeeRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<MeetlogShareGetMeetingAttendeeCntRequest>(
          "attendee count", MeetlogShareGetMeetingAttendeeCntRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<int32_t>& r) { return std::to_string(r.data); }),
      Case<CloudRecordRequestPermissionRequest>(
          "apply", CloudRecordRequestPermissionRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<std::string>& r) { return r.data; }),
      Case<CloudRecordAssignRequest>(
          "assign", CloudRecordAssignRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<MeetlogShareGetLintraJoinStatusRequest>(
          "messenger get", MeetlogShareGetLintraJoinStatusRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<bool>& r) { return std::to_string(r.data); }),
      Case<MeetlogShareSetLintraJoinStatusRequest>(
          "messenger set", MeetlogShareSetLintraJoinStatusRequest::kPath, [](auto& r) { r.InitData({}); },
          envelope_only),
      Case<MeetlogLocalUploadLimitFilesInfoRequest>(
          "limits", MeetlogLocalUploadLimitFilesInfoRequest::kPath, [](auto& r) { r.InitData(); },
          [](const QuickRecordDataResp<MeetlogLocalUploadLimitFilesInfo>& r) {
            const MeetlogLocalUploadLimitFilesInfo& d = r.data;
            return (Digest() << d.video_limit_info << d.audio_limit_info << d.video_limit_type << d.audio_limit_type
                             << d.file_size_limit << d.batch_file_count_limit << d.batch_file_total_limit
                             << d.file_duration_limit << d.switch_lock << d.switch_status)
                .str();
          }),
      Case<MeetlogLocalBatchSensorInfoRequest>(
          "censor", MeetlogLocalBatchSensorInfoRequest::kPath, [](auto& r) { r.InitData({}); },
          [](const QuickRecordDataResp<std::vector<BatchCensorInfoItemResp>>& r) {
            return std::to_string(r.data.size());
          }),
      Case<MeetLogUploadFileCompleteRequest>(
          "file complete", MeetLogUploadFileCompleteRequest::kPath, [](auto& r) { r.InitData({}); }, envelope_only),
      Case<MeetLogBatchCompleteRequest>(
          "batch finish", MeetLogBatchCompleteRequest::kPath, [](auto& r) { r.InitData("b"); }, envelope_only),
  };
}

}  // namespace quick_record::testing
