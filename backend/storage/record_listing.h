#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/record_store.h"

namespace qr_backend {

class Database;

// The lists a user pages through, each newest first by its own key.
enum class ListScope {
  kMine,     // the user's records, by creation time
  kAll,      // the user's records and those granted or co-owned, by update time
  kRecent,   // records the user viewed, by view time
  kMeeting,  // records of one meeting, by creation time
};

// Where a page ended: the sort key and the unified id of its last record and, for a list
// paged over a snapshot, the snapshot and the record's position in it.
struct ListCursor {
  int64_t key = 0;
  std::string uni_record_id;
  int64_t snapshot_id = 0;  // 0: the live order
  int64_t position = 0;
};

struct ListRequest {
  ListScope scope = ListScope::kMine;
  std::string viewer_uid;
  std::vector<std::string> kinds;  // "record_type" values; empty: every kind
  std::optional<ListCursor> after;
  int64_t limit = 20;
  std::string meeting_id;      // kMeeting
  std::string sub_meeting_id;  // kMeeting; empty: any
};

struct ListedRecord {
  ListCursor position;
  Record record;
};

struct ListPage {
  std::vector<ListedRecord> items;
  int64_t total = 0;  // records of the whole list
  bool has_more = false;
};

// Pages through the record lists so that no record is repeated or skipped while records are
// added, renamed, completed or deleted between two pages.
//
// A list by an immutable key (creation time) pages by keyset: each page starts after the
// (key, uni_record_id) of the previous page's last record.
// A list by a key that moves (update time, view time) would let a record that changes between
// two pages jump over the cursor. Its first page therefore stores the list's order as it is
// then (a snapshot: position -> record), and the next pages walk that order by position. Items
// show the records as they are now; a record deleted (or no longer in the list) since is left
// out; a record added since shows on the next first page. Snapshots live kSnapshotSeconds, a
// user keeps the newest kSnapshotsPerUser; a cursor whose snapshot is gone continues after its
// record in the live order.
class RecordListing {
 public:
  static constexpr int64_t kSnapshotSeconds = 3600;
  static constexpr int64_t kSnapshotsPerUser = 16;

  explicit RecordListing(Database& db) : db_(db) {}

  // Call inside a transaction: a first page of a moving list writes its snapshot.
  std::optional<ListPage> Page(const ListRequest& request, int64_t now_seconds);

 private:
  struct Arm;
  static std::vector<Arm> ArmsOf(const ListRequest& request);
  static bool KeyMoves(ListScope scope);
  static std::string FilterOf(const ListRequest& request);

  // Records in the whole list as it is now.
  std::optional<int64_t> Count(const ListRequest& request) const;
  std::optional<ListPage> Keyset(const ListRequest& request) const;
  std::optional<int64_t> TakeSnapshot(const ListRequest& request, int64_t now_seconds);
  bool SnapshotUsable(const ListRequest& request, int64_t snapshot_id) const;
  std::optional<ListPage> FromSnapshot(const ListRequest& request, int64_t snapshot_id,
                                       int64_t after_position) const;

  Database& db_;
};

}  // namespace qr_backend
