#pragma once

#include <optional>
#include <string>

#include "api/api_router.h"
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

// Tells the owner's push stream that the record changed (cmd 4).
void PushRecordChanged(ApiContext& context, const Record& record, int msg_type);

}  // namespace qr_backend
