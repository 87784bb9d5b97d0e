#include "module/quick_record/cloud/quick_record_host_detect_cache.h"

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/sdk/utils/config_service.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using base::variant::Variant;

namespace {

Variant ReadSetting(const char* key, const Variant& def) { return kovanisdk::utils::user_config::GetValue(key, def); }

void WriteSetting(const char* key, const Variant& value) {
  if (!kovanisdk::utils::user_config::SetValue(key, value)) KLOG(3) << "no user configuration, " << key << " not stored";
}

JsonValue ReadResults() { return JsonValue::Parse(ReadSetting(QuickRecordHostDetectCache::kResultKey, "").AsString()); }

}  // namespace

bool QuickRecordHostDetectCache::IsReachable(const std::string& url, int64_t now_seconds) {
  const JsonValue results = ReadResults();
  if (!results.IsObject()) return false;
  const JsonValue entry = results[url];
  if (!entry.IsObject() || !entry["acc"].IsBoolean() || !entry["acc"].AsBoolean()) return false;
  if (!entry["ts"].IsInteger()) return false;
  return now_seconds - entry["ts"].AsInteger() < kValiditySeconds;
}

void QuickRecordHostDetectCache::Update(const std::string& url, bool reachable, int64_t now_seconds) {
  WriteSetting(kFailTimeKey, Variant(reachable ? int64_t{0} : now_seconds));
  JsonValue results = ReadResults();
  if (!results.IsObject()) results = JsonValue::Object();
  JsonValue entry = JsonValue::Object();
  entry.SetJsonObject("acc", reachable);
  entry.SetJsonObject("ts", now_seconds);
  results.SetJsonObject(url, entry);
  const std::string text = results.ToStyledString();
  KLOG(6) << " new config:" << text;
  WriteSetting(kResultKey, Variant(text));
}

bool QuickRecordHostDetectCache::ShouldUseQuic(int64_t now_seconds) {
  if (!kovanisdk::utils::config::GetBool("realtime", "http_quic_enable", false)) return false;
  if (!kovanisdk::utils::config::GetBool("quick_record_ability", "quick_record_quic_protocol_switch", false)) {
    return false;
  }
  const Variant failed = ReadSetting(kFailTimeKey, Variant(int64_t{0}));
  const int64_t fail_time = failed.IsString() ? JsonFieldReader::ParseDecimal(failed.AsString()) : failed.AsInt64();
  return fail_time == 0 || now_seconds - fail_time >= kValiditySeconds;
}

}  // namespace quick_record
