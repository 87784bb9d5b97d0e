#include "module/quick_record/model/record_error_translator.h"

#include "host/app/string_table.h"
#include "host/framework/module/resource.h"

namespace quick_record {

namespace {

struct ErrorTexts {
  int32_t code;
  uint32_t title;
  uint32_t message;
  uint32_t operation;
};

constexpr ErrorTexts kTexts[] = {
    {-19, host::strings::kRecordErrorScreenTitle, host::strings::kRecordErrorScreenMsg,
     host::strings::kRecordErrorScreenOperation},
    {-18, host::strings::kRecordErrorMicrophoneTitle, host::strings::kRecordErrorMicrophoneMsg,
     host::strings::kRecordErrorMicrophoneOperation},
    {-17, host::strings::kRecordErrorCameraTitle, host::strings::kRecordErrorCameraMsg,
     host::strings::kRecordErrorCameraOperation},
    {-12, host::strings::kRecordErrorDiskFullTitle, host::strings::kRecordErrorDiskFullMsg,
     host::strings::kRecordErrorDiskFullOperation},
    {-9, host::strings::kRecordErrorNoDiskAtStartTitle, host::strings::kRecordErrorNoDiskAtStartMsg,
     host::strings::kRecordErrorNoDiskAtStartOperation},
    {-3, host::strings::kRecordErrorSavePathTitle, host::strings::kRecordErrorSavePathMsg,
     host::strings::kRecordErrorSavePathOperation},
};

const ErrorTexts* FindTexts(int32_t code) {
  for (const auto& texts : kTexts) {
    if (texts.code == code) return &texts;
  }
  return nullptr;
}

}  // namespace

base::variant::Variant RecordErrorTranslator::Translate(int32_t error_code, int32_t operate_type,
                                                        const std::string& message) {
  auto error = base::variant::Variant::MakeMap();
  error.Set("error_code", error_code);
  error.Set("operate_type", operate_type);
  error.Set("message", message);
  error.Set("biz_type", kBizTypeRecorder);
  if (const ErrorTexts* texts = FindTexts(error_code)) {
    const auto* strings = framework::Resource::GetInstance();
    error.Set("error_title", strings->GetString(texts->title));
    error.Set("error_msg", strings->GetString(texts->message));
    error.Set("operation", strings->GetString(texts->operation));
  }
  return error;
}

}  // namespace quick_record
