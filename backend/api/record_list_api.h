#pragma once

#include "api/api_router.h"
#include "storage/record_listing.h"

namespace qr_backend {

struct ApiContext;

// The record lists and the edits on them: all ("/v2/meetlog/main/list-all-record"), mine
// ("/v2/meetlog/dashboard/my-record-list", also in its history form), recent
// ("/v2/meetlog/recent/list"), one record ("/v2/meetlog/main/get-record"), one meeting's
// records ("/v2/meetlog/dashboard/meeting-record-list"), deleting records
// ("/v2/meetlog/dashboard/delete-record-info") and recent entries ("/v2/meetlog/recent/del").
class RecordListApi {
 public:
  explicit RecordListApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer List(const ApiCall& call, ListScope scope);
  ApiAnswer GetRecord(const ApiCall& call);
  ApiAnswer ListMeeting(const ApiCall& call);
  ApiAnswer DeleteRecords(const ApiCall& call);
  ApiAnswer DeleteHistory(const ApiCall& call);

 private:
  // Answers one page: "records", "page_info" {"index", "size", "count", "has_more"} and, for
  // the history form of "mine", "last_index". Records the caller may not view are left out
  // when `visible_only`.
  ApiAnswer Page(const ApiCall& call, const ListRequest& request, bool visible_only);

  ApiContext& context_;
};

}  // namespace qr_backend
