#pragma once

#include <nlohmann/json.hpp>

#include "api/access_policy.h"
#include "storage/record_store.h"
#include "storage/user_store.h"

namespace qr_backend {

struct ApiContext;

// One record as a list answer carries it (every key a client's record item reads), seen by one
// viewer: links ticketed for them, their last view, their red dot, and what they may do.
class RecordItemBuilder {
 public:
  explicit RecordItemBuilder(ApiContext& context) : context_(context) {}

  nlohmann::json Build(const Record& record, const User& viewer) const;
  nlohmann::json Build(const Record& record, const User& viewer, const Access& access) const;

 private:
  ApiContext& context_;
};

// The numeric kind of "record_type" used where a number is asked for.
int RecordKindNumber(const std::string& record_type);

}  // namespace qr_backend
