#include "module/quick_record/cloud/record_preload_source.h"

#include "host/framework/module/module_service.h"

namespace quick_record {

using base::variant::Variant;

namespace {

std::optional<Variant> Call(int32_t operation, const Variant& args) {
  auto model = framework::module::GetAppModuleModel(RecordPreloadSource::kModelId);
  Variant answer;
  if (!model || !model->Call(operation, args, &answer)) return std::nullopt;
  return answer;
}

}  // namespace

std::optional<RecordPreloadSource::Response> RecordPreloadSource::Fetch(int32_t operation, const Variant& args) {
  const auto answer = Call(operation, args);
  if (!answer) return std::nullopt;
  const Variant& result = answer->Get("result");
  Response response;
  response.status_code = result.GetInt32("status_code");
  response.msg = result.GetString("msg");
  response.biz_code = result.GetInt64("biz_code", -1);
  response.body = result.GetString("body");
  return response;
}

bool RecordPreloadSource::OnlyHasLocalRecords(const Variant& args) {
  const auto answer = Call(kOnlyLocalRecords, args);
  return answer && answer->GetBool("result");
}

}  // namespace quick_record
