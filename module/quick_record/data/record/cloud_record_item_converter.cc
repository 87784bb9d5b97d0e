#include "module/quick_record/data/record/cloud_record_item_converter.h"

#include <charconv>
#include <initializer_list>
#include <string_view>

#include "host/sdk/kovani_common/web.h"
#include "module/quick_record/data/record/record_data_order.h"

namespace quick_record {
namespace {

constexpr char kCoverThumbnailSuffix[] = "&image/thumbnail/500x";
constexpr char kJumpFromSuffix[] = "&jump_from=1";

int32_t RecordTypeOfCloudKind(int32_t kind) {
  switch (kind) {
    case 1:  // "fast_record"
      return kRecordTypeCloudQuickRecord;
    case 2:  // "user_upload"
      return kRecordTypeUploadedLocalFile;
    default:
      return kRecordTypeCloudRecording;
  }
}

int32_t RecordStatusOfCloudState(const std::string& state) {
  if (state == "1") return kRecordStatusReady;
  if (state == "2") return kRecordStatusProcessing;
  return kRecordStatusOther;
}

// The address of `parts` joined; built in one allocation, since a list converts thousands.
std::string Join(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (auto part : parts) size += part.size();
  std::string joined;
  joined.reserve(size);
  for (auto part : parts) joined.append(part);
  return joined;
}

// A player page address on the web host. The host's ReviseWebUrl leaves a full address as it is,
// so it is asked only when the web host came without a scheme.
std::string WebAddress(std::string address) {
  if (address.rfind("https://", 0) == 0 || address.rfind("http://", 0) == 0) return address;
  return kovani_common::utils::web::ReviseWebUrl(address);
}

// Negative numbers from the back end have no meaning for these fields and read as 0.
uint64_t NonNegative(int64_t value) { return value < 0 ? 0 : static_cast<uint64_t>(value); }

}  // namespace

uint64_t CloudRecordItemConverter::ParseUnsignedDecimal(const std::string& text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() ? value : 0;
}

tagRecordDataItem CloudRecordItemConverter::Convert(const CloudRecordItemResp& r, const std::string& web_host) {
  tagRecordDataItem item;
  Fill(r, web_host, &item);
  return item;
}

void CloudRecordItemConverter::Fill(const CloudRecordItemResp& r, const std::string& web_host,
                                    tagRecordDataItem* item) {
  item->is_uploaded = true;
  item->record_type = RecordTypeOfCloudKind(r.record_type);
  item->instance_id = r.file_id;
  item->record_id = r.record_id;
  item->encode_record_id = r.encode_record_id;
  item->record_title = r.title;
  item->uni_record_id = r.uni_record_id;
  item->record_count = NonNegative(r.record_count);
  item->is_del = r.is_del != 0;
  item->video_res_width = NonNegative(r.video_width);
  item->video_res_height = NonNegative(r.video_height);
  item->record_start_time = ParseUnsignedDecimal(r.start_time);
  item->record_end_time = ParseUnsignedDecimal(r.end_time);
  item->record_totoal_time = ParseUnsignedDecimal(r.duration);
  if (!r.cover_url.empty()) item->cover_path = Join({r.cover_url, kCoverThumbnailSuffix});
  item->complete_jump_url = WebAddress(Join({web_host, r.jump_path, kJumpFromSuffix}));
  if (!r.jump_path_short.empty()) item->short_jump_url = WebAddress(Join({web_host, "/", r.jump_path_short}));
  item->meeting_id = r.meeting_info.meeting_id;
  item->meeting_code = r.meeting_info.meeting_code;
  item->record_status = RecordStatusOfCloudState(r.record_state);
  item->record_status_msg = r.record_state_tips;
  item->user_id = r.recorder_uid;
  item->user_name = r.recorder_username;
  item->user_icon = r.recorder_avatar;
  item->recorder_avatar = r.recorder_avatar;
  item->last_visited_time = NonNegative(r.last_view_time);
  item->permission_tip = r.privilege_tips;
  item->permission_password = r.password;
  item->share_link = r.share_url;
  item->share_link_short = r.share_url_short;
  item->share_url_expired = NonNegative(r.share_url_expired);
  item->play_video_enable = r.play_video_permitted == 1;
  item->viewer_status = NonNegative(r.viewer_status);
  item->cover_msg = r.cover_msg;
  item->hover_msg_type = NonNegative(r.hover_msg.msg_type);
  item->hover_msg_time_at = NonNegative(r.hover_msg.time_at);
  item->update_record_time = NonNegative(r.sort_num);
  item->show_red_point = r.show_red_point;
  static_cast<RecordAccessInfo&>(*item) = r;
  item->is_admin = r.is_admin;
  item->is_rooms = r.is_rooms != 0;
  item->role_type = NonNegative(r.role_type);
}

std::vector<tagRecordDataItem> CloudRecordItemConverter::ConvertAllNewestFirst(
    const std::vector<CloudRecordItemResp>& items, int32_t table_type) {
  // The record field each table type orders by, as Convert fills it.
  auto sort_time = [table_type](const CloudRecordItemResp& r) -> uint64_t {
    switch (table_type) {
      case kRecordTableAll:
        return NonNegative(r.sort_num);
      case kRecordTableRecent:
        return NonNegative(r.last_view_time);
      default:
        return ParseUnsignedDecimal(r.start_time);
    }
  };
  std::vector<uint64_t> times;
  times.reserve(items.size());
  for (const auto& item : items) times.push_back(sort_time(item));
  const std::string web_host = kovani_common::utils::web::GetWebHost();
  std::vector<tagRecordDataItem> records;
  records.reserve(items.size());
  for (size_t position : RecordDataOrder::NewestFirstPositions(times))
    Fill(items[position], web_host, &records.emplace_back());
  return records;
}

std::vector<tagRecordDataItem> CloudRecordItemConverter::ConvertAll(const std::vector<CloudRecordItemResp>& items) {
  const std::string web_host = kovani_common::utils::web::GetWebHost();
  std::vector<tagRecordDataItem> records;
  records.reserve(items.size());
  for (const auto& item : items) Fill(item, web_host, &records.emplace_back());
  return records;
}

}  // namespace quick_record
