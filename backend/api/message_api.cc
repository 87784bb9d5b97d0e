#include "api/message_api.h"

#include <algorithm>
#include <charconv>

#include "api/api_context.h"
#include "api/biz_code.h"
#include "common/field_reader.h"
#include "common/log.h"
#include "push/push_hub.h"
#include "storage/notice_store.h"
#include "storage/record_store.h"
#include "storage/user_store.h"

namespace qr_backend {

namespace {

constexpr int64_t kDefaultNoticePage = 50;

std::string PathOf(FieldReader& fields) {
  std::string path = fields.Text("path");
  return path.empty() ? kDefaultNoticePath : path;
}

}  // namespace

void MessageApi::Register(ApiRouter& router) {
  router.Post("/v2/meetlog/reddot/pull", [this](const ApiCall& call) { return PullRedDot(call); });
  router.Post("/v2/meetlog/reddot/clear",
              [this](const ApiCall& call) { return ClearRedDot(call); });
  router.Post("/v2/meetlog/notice/list", [this](const ApiCall& call) { return ListNotices(call); });
  router.Get("/v2/meetlog/main/clear-reddot",
             [this](const ApiCall& call) { return ClearCardRedDot(call); });
}

ApiAnswer MessageApi::PullRedDot(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string path = PathOf(fields);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const RedDotState state = context_.notices.Pending(call.user.app_uid, path);
  return ApiAnswer::Ok({{"is_show", state.is_show}, {"type", state.type}, {"count", state.count}});
}

ApiAnswer MessageApi::ClearRedDot(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string path = PathOf(fields);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  bool changed = false;
  if (!context_.notices.ClearPath(call.user.app_uid, path, &changed)) {
    return ApiAnswer::Fail(kBizInternal, "cannot clear the red dot");
  }
  if (changed && !context_.push.Publish(call.user.app_uid, kPushMainBoard, {{"msg_type", 0}})) {
    LogWarning("cannot store the main-board push for " + call.user.app_uid);
  }
  return ApiAnswer::Ok({{"path", path}});
}

ApiAnswer MessageApi::ListNotices(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string index = fields.Text("last_index");
  int64_t page_size = fields.DecimalText("page_size", false, kDefaultNoticePage);
  int64_t before = 0;
  if (!index.empty()) {
    auto [ptr, ec] = std::from_chars(index.data(), index.data() + index.size(), before);
    if (ec != std::errc() || ptr != index.data() + index.size() || before <= 0) {
      fields.Fail("\"last_index\" is not an index this server gave");
    }
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  page_size = std::clamp<int64_t>(page_size, 1, 200);

  const auto notices = context_.notices.List(call.user.app_uid, before, page_size + 1);
  const bool has_more = static_cast<int64_t>(notices.size()) > page_size;
  nlohmann::json items = nlohmann::json::array();
  for (size_t i = 0; i < notices.size() && static_cast<int64_t>(i) < page_size; ++i) {
    const Notice& notice = notices[i];
    const auto author = context_.users.FindByUid(notice.author_uid);
    const auto replied = context_.users.FindByUid(notice.reply_to_uid);
    const auto record = context_.records.FindByUni(notice.uni_record_id);
    items.push_back({{"type", notice.type},
                     {"title", record ? record->title : ""},
                     {"avatar_url", author ? author->avatar : ""},
                     {"username", author ? author->nick_name : notice.author_uid},
                     {"user_uid", notice.author_uid},
                     {"content", notice.content},
                     {"video_elasped_time", notice.video_elapsed},
                     {"create_time", notice.created_at},
                     {"reply_to_name", replied ? replied->nick_name : ""},
                     {"reply_to_uid", notice.reply_to_uid},
                     {"show_reddot", notice.unread},
                     {"comment_id", notice.comment_id},
                     {"reply_id", notice.reply_id},
                     {"record_id", record ? record->record_id : ""},
                     {"uni_record_id", notice.uni_record_id}});
  }
  // The next page starts below the last notice of this one; "" ends the list.
  const std::string next =
      has_more ? std::to_string(notices[static_cast<size_t>(page_size) - 1].id) : "";
  return ApiAnswer::Ok({{"last_index", next}, {"notices", std::move(items)}});
}

ApiAnswer MessageApi::ClearCardRedDot(const ApiCall& call) {
  const std::string uni_record_id = call.Param("uni_record_id");
  if (uni_record_id.empty()) {
    return ApiAnswer::Fail(kBizBadRequest, "the query parameter uni_record_id is missing");
  }
  bool changed = false;
  if (!context_.notices.SetCardDot(call.user.app_uid, uni_record_id, false, &changed)) {
    return ApiAnswer::Fail(kBizInternal, "cannot clear the red dot");
  }
  if (changed && !context_.push.Publish(call.user.app_uid, kPushCardRedDot,
                                        {{"uni_record_id", uni_record_id},
                                         {"file_id", call.Param("file_id")},
                                         {"show_reddot", false}})) {
    LogWarning("cannot store the card push for " + call.user.app_uid);
  }
  return ApiAnswer::Ok({{"uni_record_id", uni_record_id}});
}

}  // namespace qr_backend
