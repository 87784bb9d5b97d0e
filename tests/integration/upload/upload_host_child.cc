// A host process for the crash test of the recording upload: "record" starts a screen recording
// through the session models and runs until it is killed; "resume" activates the module over the
// same data and waits until the upload model has uploaded every item it found.
//
// usage: upload_host_child record|resume BACKEND_URL APP_UID TOKEN SECRET SAVE_DIR
// (XDG_DATA_HOME and DISPLAY come from the environment.)

#include <cstdio>
#include <iostream>
#include <string>

#include "host/app/host_application.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/host_loopers.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace {

using base::variant::Variant;
using quick_record::QuickRecordUploadModel;

bool AllUploaded(QuickRecordUploadModel& upload) {
  if (upload.items().empty()) return false;
  for (const auto& item : upload.items()) {
    if (item.upload_status != quick_record::kUploadStatusUploaded || item.jump_url.empty()) return false;
  }
  return true;
}

int Record(base::threading::HostLoopers& loopers, QuickRecordUploadModel& upload) {
  auto session = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordModel);
  auto recorder = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordRecorderModel);
  Variant result;
  Variant start = Variant::MakeMap();
  start.Set("subject", "Host killed");
  start.Set("record_start_time", std::to_string(base::clock::WallMs()));
  session->Call(quick_record::QuickRecordModel::kInvokeStartQuickRecord, start, &result);
  Variant flags = Variant::MakeMap();
  flags.Set("record_flags", 1);
  recorder->Call(quick_record::QuickRecordRecorderModel::kInvokeFuncStartRecord, flags, &result);
  if (!loopers.RunMainLoopUntil([&] { return !upload.current_instance_id().empty(); }, 10000)) return 1;
  std::cout << "recording " << upload.current_instance_id() << std::endl;
  loopers.RunMainLoopUntil([] { return false; }, 60000);  // until killed
  return 1;
}

int Resume(base::threading::HostLoopers& loopers, QuickRecordUploadModel& upload) {
  if (!loopers.RunMainLoopUntil([&] { return AllUploaded(upload); }, 60000)) return 1;
  for (const auto& item : upload.items()) {
    std::cout << "uploaded " << item.instance_id << ' ' << item.record_id << ' ' << item.record_time_duration << ' '
              << item.jump_url << ' ' << item.full_path << std::endl;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::cerr << "usage: upload_host_child record|resume BACKEND_URL APP_UID TOKEN SECRET SAVE_DIR\n";
    return 2;
  }
  const std::string mode = argv[1];
  base::threading::HostLoopers loopers;
  host::app::HostConfig config;
  config.backend_url = argv[2];
  config.account.app_id = "qr-app";
  config.account.app_uid = argv[3];
  config.account.token = argv[4];
  config.account.secret = argv[5];
  host::app::HostApplication app(config);
  app.user_config()->Set(quick_record::QuickRecordRecorderModel::kSavePathKey, argv[6]);
  Activate();
  auto upload = std::dynamic_pointer_cast<QuickRecordUploadModel>(
      quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordUploadModel));
  int code = 1;
  if (upload) code = mode == "record" ? Record(loopers, *upload) : Resume(loopers, *upload);
  upload.reset();
  Deactivate();
  return code;
}
