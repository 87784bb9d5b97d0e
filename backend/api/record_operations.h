#pragma once

#include <optional>
#include <string>

#include "api/api_router.h"
#include "storage/notice_store.h"
#include "storage/record_store.h"

namespace qr_backend {

struct ApiContext;

// Steps on records that several endpoint families share.

// A record the caller owns, or the answer that refuses the request.
struct OwnedRecord {
  std::optional<Record> record;
  ApiAnswer refusal;
  explicit operator bool() const { return record.has_value(); }
};

enum class RecordIdKind { kRecordId, kUniRecordId };

OwnedRecord FindOwnedRecord(ApiContext& context, const User& caller, RecordIdKind kind,
                            const std::string& id);

// The user's cloud space in bytes: their own quota, else the default.
int64_t QuotaOf(const ApiContext& context, const User& user);

// Deletes the record with everything that hangs off it: its objects and unfinished uploads,
// the authorisations issued for them, its reviews and its player links.
bool RemoveRecord(ApiContext& context, const Record& record);

// Tells the owner that the record changed (cmd 4) and, when it belongs to a meeting, the
// meeting's people that its records changed (cmd 7).
void PushRecordChanged(ApiContext& context, const Record& record, int msg_type);
// Tells the record's owner and the participants of its meeting (if any) that the meeting's
// records changed (cmd 7).
void PushMeetingChanged(ApiContext& context, const Record& record, int notify_type);
// Stores the notice, lights the red dot of the record card and tells the receiver (cmd 5 when
// the card's dot turned on, cmd 6 for the main board).
std::optional<int64_t> AddNotice(ApiContext& context, const Notice& notice);

}  // namespace qr_backend
