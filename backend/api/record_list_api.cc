#include "api/record_list_api.h"

#include <algorithm>
#include <sstream>

#include "api/access_policy.h"
#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/page_cursor.h"
#include "api/record_item_builder.h"
#include "api/record_operations.h"
#include "common/clock.h"
#include "common/database.h"
#include "common/field_reader.h"
#include "push/push_hub.h"
#include "storage/share_store.h"
#include "storage/view_store.h"

namespace qr_backend {

namespace {

constexpr int64_t kDefaultPageSize = 20;
constexpr int64_t kMaxPageSize = 100;

// Reads the paging and kind filter a list request carries into `request`; false with the
// reason in `fields` when something is malformed.
bool ReadPaging(const nlohmann::json& body, FieldReader& fields, ListRequest& request) {
  const std::string index = fields.Text("last_index");
  if (!index.empty()) {
    request.after = DecodeCursor(index);
    if (!request.after) fields.Fail("\"last_index\" is not an index this server gave");
  }
  // Some lists send the page size as decimal text, the meeting list as a number.
  const auto size = body.find("page_size");
  if (size == body.end() || size->is_null()) {
    request.limit = kDefaultPageSize;
  } else {
    request.limit =
        size->is_string() ? fields.DecimalText("page_size") : fields.Integer("page_size");
  }
  request.limit = std::clamp<int64_t>(request.limit, 1, kMaxPageSize);
  // "record_type_v2" lists the kinds newer clients want; older ones send only "record_type".
  std::string kinds = fields.Text("record_type_v2");
  if (kinds.empty()) kinds = fields.Text("record_type");
  std::stringstream split(kinds);
  for (std::string kind; std::getline(split, kind, '|');) {
    if (!IsRecordKind(kind)) fields.Fail("unknown record kind \"" + kind + "\"");
    request.kinds.push_back(kind);
  }
  return fields.ok();
}

nlohmann::json PageInfo(const std::string& index, size_t size, int64_t count, bool has_more) {
  return {{"index", index},
          {"size", std::to_string(size)},
          {"count", std::to_string(count)},
          {"has_more", has_more}};
}

}  // namespace

void RecordListApi::Register(ApiRouter& router) {
  router.Post("/v2/meetlog/main/list-all-record",
              [this](const ApiCall& call) { return List(call, ListScope::kAll); });
  router.Post("/v2/meetlog/dashboard/my-record-list",
              [this](const ApiCall& call) { return List(call, ListScope::kMine); });
  router.Post("/v2/meetlog/recent/list",
              [this](const ApiCall& call) { return List(call, ListScope::kRecent); });
  router.Post("/v2/meetlog/main/get-record",
              [this](const ApiCall& call) { return GetRecord(call); });
  router.Post("/v2/meetlog/dashboard/meeting-record-list",
              [this](const ApiCall& call) { return ListMeeting(call); });
  router.Post("/v2/meetlog/dashboard/delete-record-info",
              [this](const ApiCall& call) { return DeleteRecords(call); });
  router.Post("/v2/meetlog/recent/del",
              [this](const ApiCall& call) { return DeleteHistory(call); });
}

ApiAnswer RecordListApi::Page(const ApiCall& call, const ListRequest& request, bool visible_only) {
  ApiAnswer answer = ApiAnswer::Fail(kBizInternal, "cannot read the records");
  const RecordItemBuilder builder(context_);
  // One transaction per page: the links and read grants made for its items commit together.
  context_.db.Transaction([&] {
    const auto page = context_.listings.Page(request, context_.clock.NowSeconds());
    if (!page) return false;
    nlohmann::json records = nlohmann::json::array();
    for (const ListedRecord& item : page->items) {
      const Access access = context_.access.ForUser(item.record, call.user.app_uid);
      if (visible_only && !access.may_view()) continue;
      records.push_back(builder.Build(item.record, call.user, access));
    }
    const std::string index =
        page->items.empty() ? std::string() : EncodeCursor(page->items.back().position);
    const size_t size = records.size();
    answer = ApiAnswer::Ok({{"records", std::move(records)},
                            {"page_info", PageInfo(index, size, page->total, page->has_more)},
                            {"last_index", index}});
    return true;
  });
  return answer;
}

ApiAnswer RecordListApi::List(const ApiCall& call, ListScope scope) {
  FieldReader fields(call.body);
  ListRequest request;
  request.scope = scope;
  request.viewer_uid = call.user.app_uid;
  if (!ReadPaging(call.body, fields, request)) {
    return ApiAnswer::Fail(kBizBadRequest, fields.error());
  }
  return Page(call, request, false);
}

ApiAnswer RecordListApi::ListMeeting(const ApiCall& call) {
  FieldReader fields(call.body);
  ListRequest request;
  request.scope = ListScope::kMeeting;
  request.viewer_uid = call.user.app_uid;
  request.meeting_id = fields.Text("meeting_id", true);
  request.sub_meeting_id = fields.Text("sub_meeting_id");
  if (!ReadPaging(call.body, fields, request)) {
    return ApiAnswer::Fail(kBizBadRequest, fields.error());
  }
  return Page(call, request, true);
}

ApiAnswer RecordListApi::GetRecord(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string share_id = fields.Text("share_id");
  const std::string password = fields.Text("pwd");
  std::string uni_record_id = fields.Text("uni_record_id", share_id.empty());
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  if (!share_id.empty()) {
    const auto shared = context_.shares.RecordOfShare(share_id);
    if (!shared) return ApiAnswer::Fail(kBizNotFound, "no shared record " + share_id);
    if (!uni_record_id.empty() && uni_record_id != *shared) {
      return ApiAnswer::Fail(kBizBadRequest, "\"share_id\" names another record");
    }
    uni_record_id = *shared;
  }
  ApiAnswer answer = ApiAnswer::Fail(kBizNotFound, "no record " + uni_record_id);
  context_.db.Transaction([&] {
    const auto record = context_.records.FindByUni(uni_record_id);
    if (!record) return true;
    Access access = context_.access.ForUser(*record, call.user.app_uid);
    if (!share_id.empty()) {
      // Opening the share link signed in: the link's settings decide, and a user it admits
      // is remembered, so their player page and later answers admit them too.
      access = context_.access.ForUserWithLink(*record, call.user.app_uid, password);
      if (!access.may_view()) {
        answer = ApiAnswer::Fail(kBizForbidden, access.tips);
        return true;
      }
      if (access.role == Role::kLinkHolder &&
          !context_.shares.AddLinkVisitor(uni_record_id, call.user.app_uid,
                                          context_.clock.NowSeconds())) {
        answer = ApiAnswer::Fail(kBizInternal, "cannot remember the link visitor");
        return false;
      }
    }
    // Someone who lost access still sees why on a record they once opened; strangers learn
    // nothing about it.
    if (!access.may_view() && context_.views.LastView(call.user.app_uid, uni_record_id) == 0) {
      answer = ApiAnswer::Fail(kBizForbidden, access.tips);
      return true;
    }
    answer =
        ApiAnswer::Ok({{"record", RecordItemBuilder(context_).Build(*record, call.user, access)},
                       {"page_info", PageInfo("", 1, 1, false)}});
    return true;
  });
  return answer;
}

ApiAnswer RecordListApi::DeleteRecords(const ApiCall& call) {
  FieldReader fields(call.body);
  const nlohmann::json* ids = fields.Array("uni_record_ids", true);
  std::vector<Record> doomed;
  if (ids) {
    for (const auto& id : *ids) {
      if (!id.is_string()) {
        fields.Fail("\"uni_record_ids\" must hold strings");
        break;
      }
      // Checked all first: a request with someone else's record deletes nothing.
      OwnedRecord owned =
          FindOwnedRecord(context_, call.user, RecordIdKind::kUniRecordId, id.get<std::string>());
      if (owned) {
        doomed.push_back(std::move(*owned.record));
      } else if (owned.refusal.code != kBizNotFound) {
        return owned.refusal;
      }
    }
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  nlohmann::json deleted = nlohmann::json::array();
  for (const Record& record : doomed) {
    if (!RemoveRecord(context_, record)) {
      return ApiAnswer::Fail(kBizInternal,
                             "record " + record.uni_record_id + " was not removed completely");
    }
    PushRecordChanged(context_, record, kRecordDeleted);
    deleted.push_back(record.uni_record_id);
  }
  return ApiAnswer::Ok({{"uni_record_ids", deleted}});
}

ApiAnswer RecordListApi::DeleteHistory(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string uni_record_id = fields.Text("uni_record_id", true);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  if (!context_.views.Forget(call.user.app_uid, uni_record_id)) {
    return ApiAnswer::Fail(kBizInternal, "cannot remove the entry");
  }
  return ApiAnswer::Ok({{"uni_record_id", uni_record_id}});
}

}  // namespace qr_backend
