#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/media/testing/fake_media_engine.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_plugin_module.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"

namespace quick_record::testing {

// Asks a recorder model to start recording `flags`; true when the recording started.
inline bool StartRecordingThrough(framework::ModelImpl& recorder_model, uint32_t flags = kRecordFlagScreen) {
  base::variant::Variant args = base::variant::Variant::MakeMap();
  args.Set("record_flags", flags);
  base::variant::Variant started;
  recorder_model.Call(QuickRecordRecorderModel::kInvokeFuncStartRecord, args, &started);
  return started.AsBool();
}

// The recorder service over a fake engine with mock time, and the recorder model attached to it,
// saving under a temporary directory. Local time is UTC so that dated directories are known.
class RecordingModelTest : public ::testing::Test {
 protected:
  static constexpr char kDatedName[] = "2026-05-28 20.26.40";  // the mock clock's wall time

  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    kovanisdk::plugin::RegisterPluginModule(kPluginModuleId, new QuickRecordPluginModuleBuilder);
    kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder_);
    ASSERT_TRUE(recorder_);
    recorder_->SetDiskSpaceProbeForTesting([](const std::string&) { return int64_t{10} << 30; });
    app_.user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path());
    recorder_model_ = std::make_shared<QuickRecordRecorderModel>();
    recorder_model_->Init();
  }
  void TearDown() override {
    recorder_model_->UnInit();
    recorder_model_.reset();
    recorder_.reset();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }

  bool CallRecorderModel(int32_t method, const base::variant::Variant& args = {}, base::variant::Variant* result = nullptr) {
    return recorder_model_->Call(method, args, result);
  }
  bool StartRecording(uint32_t flags = kRecordFlagScreen) { return StartRecordingThrough(*recorder_model_, flags); }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  host::app::HostApplication app_;
  util::file::ScopedTempDir dir_;
  std::shared_ptr<QuickRecorderImpl> recorder_;
  std::shared_ptr<QuickRecordRecorderModel> recorder_model_;
};

}  // namespace quick_record::testing
