#include "module/quick_record/model/quick_record_model.h"

#include <set>

#include "host/app/recording_state_model.h"
#include "host/app/string_table.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"
#include "module/quick_record/cloud/requests/record/quick_recordd_cancel_record_request.h"
#include "module/quick_record/cloud/service_test_fixture.h"
#include "module/quick_record/model/recorder_model_stand_in.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using base::variant::Variant;
using Model = QuickRecordModel;

class QuickRecordModelTest : public testing::ServiceTest {
 protected:
  void SetUp() override {
    model_->Init();
    for (int32_t event : {Model::kEventStartRequested, Model::kEventRecordComplete, Model::kEventRecordCancelled,
                          Model::kEventRecordingChanged, Model::kEventCloudRequestCompleted, Model::kEventRecordError,
                          Model::kEventDeviceState, Model::kEventSelectedScreenUpdated, Model::kEventSessionNotice,
                          Model::kEventSettingPanelShownChanged}) {
      model_->Subscribe(event, 1, [this](int32_t id, const Variant& payload) { events_.push_back({id, payload}); });
    }
  }
  void TearDown() override { model_->UnInit(); }

  void Start(const std::string& subject, bool is_new = true) {
    Variant args = Variant::MakeMap();
    args.Set("is_new", is_new);
    args.Set("subject", subject);
    args.Set("record_start_time", "1780000000");
    ASSERT_TRUE(model_->Call(Model::kInvokeStartQuickRecord, args, nullptr));
  }
  void Authorise(const std::string& record_id) {
    auto result = std::make_shared<QuickRecordStartRecordResult>();
    result->record_id = record_id;
    model_->OnStartQuickRecordAuthResponse(result);
  }
  JsonValue TranscodeInfo() {
    return JsonValue::Parse(app_->user_config()->Get(Model::kTranscodeInfoKey).AsString());
  }
  std::vector<Variant> EventsOf(int32_t id) const {
    std::vector<Variant> found;
    for (const auto& [event, payload] : events_) {
      if (event == id) found.push_back(payload);
    }
    return found;
  }
  Variant Read(int32_t method, const Variant& args = Variant()) {
    Variant result;
    EXPECT_TRUE(model_->Call(method, args, &result));
    return result;
  }

  std::shared_ptr<testing::RecorderModelStandIn> recorder_ = std::make_shared<testing::RecorderModelStandIn>();
  std::shared_ptr<QuickRecordServicePluginImpl> cloud_ = std::make_shared<QuickRecordServicePluginImpl>();
  std::shared_ptr<Model> model_ = std::make_shared<Model>(recorder_, cloud_);
  std::vector<std::pair<int32_t, Variant>> events_;
};

TEST_F(QuickRecordModelTest, AStartIsAnnouncedTwiceAndTheRecordIdKeptInTheTranscodeInfo) {
  Start("Weekly demo");
  auto starts = EventsOf(Model::kEventStartRequested);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_FALSE(starts[0].Has("record_id"));
  EXPECT_EQ(TranscodeInfo()["subject"].AsString(), "Weekly demo");
  EXPECT_EQ(TranscodeInfo()["record_start_time"].AsString(), "1780000000");

  Authorise("rec-1");
  starts = EventsOf(Model::kEventStartRequested);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].GetString("record_id"), "rec-1");
  EXPECT_EQ(model_->record_id(), "rec-1");
  EXPECT_EQ(TranscodeInfo()["record_id"].AsString(), "rec-1");
  EXPECT_EQ(TranscodeInfo()["subject"].AsString(), "Weekly demo");
  EXPECT_EQ(Read(0x3d29c89a).AsString(), "rec-1");
}

TEST_F(QuickRecordModelTest, TwoNewStartsInARowDiscardTheFirstRecordId) {
  Start("first");
  Authorise("rec-1");
  Start("second");
  EXPECT_TRUE(log_.Contains("is new quick record, record_id_ not empty, maybe clear error, record_id_:rec-1"));
  EXPECT_TRUE(log_.Contains("reset last auth then start record"));
  EXPECT_EQ(model_->record_id(), "");
  EXPECT_EQ(TranscodeInfo()["record_id"].AsString(), "");
  Authorise("rec-2");
  EXPECT_EQ(model_->record_id(), "rec-2");
}

TEST_F(QuickRecordModelTest, AContinuedStartKeepsTheRecordId) {
  Start("first");
  Authorise("rec-1");
  Start("first", /*is_new=*/false);
  EXPECT_EQ(model_->record_id(), "rec-1");
  EXPECT_EQ(TranscodeInfo()["record_id"].AsString(), "rec-1");
}

TEST_F(QuickRecordModelTest, AnEmptyRecordIdInTheAuthorisationIsLogged) {
  Start("x");
  Authorise("");
  EXPECT_TRUE(log_.Contains("check record_id_"));
}

TEST_F(QuickRecordModelTest, CancelEndsTheRecordingHereAndTellsTheHostButNotTheBackEnd) {
  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 0, "ok",
                        JsonValue::Parse(R"({"record_id": "rec-1", "success": true})"));
  Start("x");
  Authorise("rec-1");
  ASSERT_TRUE(model_->Call(Model::kInvokeCancelQuickRecord, Variant("rec-1"), nullptr));
  EXPECT_TRUE(Read(0x3adbdbc7).AsBool());
  EXPECT_EQ(EventsOf(Model::kEventRecordCancelled).at(0).GetString("record_id"), "rec-1");
  EXPECT_EQ(model_->record_id(), "");
  EXPECT_TRUE(log_.Contains("clear record_id:rec-1,record_id_:rec-1"));
  auto host = std::dynamic_pointer_cast<host::app::RecordingStateModel>(
      framework::module::GetAppModuleModel(host::app::kRecordingServiceModelId));
  ASSERT_EQ(host->told().size(), 1u);
  EXPECT_EQ(host->told()[0].method_id, host::app::kRecordingServiceCancelRecord);
  env_.RunUntilIdle();
  EXPECT_EQ(CountRequestsTo(QuickRecorddCancelRecordRequest::kPath), 0u) << "the upload model deletes it there";

  ASSERT_TRUE(model_->Call(Model::kInvokeCancelQuickRecord, Variant(), nullptr));
  EXPECT_TRUE(log_.Contains("params error"));
  EXPECT_EQ(EventsOf(Model::kEventRecordCancelled).size(), 1u);
}

TEST_F(QuickRecordModelTest, TheBackEndsAnswerToACancelReachesTheSessionAsItsDelegate) {
  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 0, "ok",
                        JsonValue::Parse(R"({"record_id": "rec-1", "success": true})"));
  cloud_->RequestCancelQuickRecord("rec-1");
  env_.RunUntilIdle();
  const auto done = EventsOf(Model::kEventCloudRequestCompleted);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_TRUE(done[0].GetBool("success"));
  EXPECT_EQ(done[0].GetInt32("type"), IQuickRecordDelegate::kRequestTypeCancel);
}

TEST_F(QuickRecordModelTest, CompleteIsAnnounced) {
  Start("x");
  Authorise("rec-1");
  ASSERT_TRUE(model_->Call(Model::kInvokeQuickRecordComplete, Variant(), nullptr));
  EXPECT_EQ(EventsOf(Model::kEventRecordComplete).at(0).GetString("record_id"), "rec-1");
  EXPECT_TRUE(log_.Contains("quick record complete"));
}

TEST_F(QuickRecordModelTest, StatesMinusOneAndZeroClearTheRecordingFlag) {
  std::vector<bool> flags;
  for (int32_t state : {2, -1, 3, 0}) {
    recorder_->State(state);
    flags.push_back(EventsOf(Model::kEventRecordingChanged).back().AsBool());
  }
  EXPECT_EQ(flags, (std::vector<bool>{true, false, true, false}));
  EXPECT_FALSE(model_->is_recording());
  recorder_->NullState();
  EXPECT_TRUE(log_.Contains("null params"));
  EXPECT_EQ(EventsOf(Model::kEventRecordingChanged).size(), 4u);
}

TEST_F(QuickRecordModelTest, RecorderErrorsBecomeLocalisedDescriptions) {
  const auto* strings = framework::Resource::GetInstance();
  recorder_->Error(2, -9, "not enough disk space");
  recorder_->Error(3, -211, "unknown exception");
  const auto errors = EventsOf(Model::kEventRecordError);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].GetInt32("error_code"), -9);
  EXPECT_EQ(errors[0].GetInt32("operate_type"), 2);
  EXPECT_EQ(errors[0].GetString("message"), "not enough disk space");
  EXPECT_EQ(errors[0].GetString("error_title"), strings->GetString(host::strings::kRecordErrorNoDiskAtStartTitle));
  EXPECT_FALSE(errors[0].GetString("error_msg").empty());
  EXPECT_FALSE(errors[0].GetString("operation").empty());
  EXPECT_FALSE(errors[1].Has("error_title"));  // no text for an engine code
  EXPECT_TRUE(log_.Contains("record error error_code[-9] error_msg[not enough disk space] operate_type[2]"));
}

TEST_F(QuickRecordModelTest, EveryTranslatedCodeHasItsOwnTexts) {
  std::set<std::string> titles;
  for (int32_t code : {-19, -18, -17, -12, -9, -3}) {
    recorder_->Error(1, code, "m");
    const Variant error = EventsOf(Model::kEventRecordError).back();
    EXPECT_FALSE(error.GetString("error_title").empty()) << code;
    EXPECT_FALSE(error.GetString("error_msg").empty()) << code;
    titles.insert(error.GetString("error_title"));
  }
  EXPECT_EQ(titles.size(), 6u);
}

TEST_F(QuickRecordModelTest, RelaysFireTheirEventsWithOrWithoutTheArgument) {
  std::vector<std::pair<int32_t, Variant>> relayed;
  for (const auto& relay : Model::kRelays) {
    model_->Subscribe(relay.event_id, 2, [&relayed](int32_t id, const Variant& p) { relayed.push_back({id, p}); });
  }
  for (const auto& relay : Model::kRelays) ASSERT_TRUE(model_->Call(relay.method_id, Variant("arg"), nullptr));
  ASSERT_EQ(relayed.size(), std::size(Model::kRelays));
  for (size_t i = 0; i < relayed.size(); ++i) {
    EXPECT_EQ(relayed[i].first, Model::kRelays[i].event_id);
    EXPECT_EQ(relayed[i].second.IsString(), Model::kRelays[i].with_argument) << relayed[i].first;
  }
}

TEST_F(QuickRecordModelTest, FieldWritersAreReadBackByTheirReaders) {
  for (const auto& access : Model::kFieldAccess) {
    if (!access.write) continue;
    const Variant value = std::string(access.field) == "record_mode" ? Variant(2) : Variant(true);
    ASSERT_TRUE(model_->Call(access.method_id, value, nullptr));
    bool read_back = false;
    for (const auto& reader : Model::kFieldAccess) {
      if (reader.write || std::string(reader.field) != access.field) continue;
      EXPECT_EQ(Read(reader.method_id), value) << access.field;
      read_back = true;
    }
    EXPECT_TRUE(read_back) << access.field;
  }
  EXPECT_EQ(app_->user_config()->Get(Model::kRecordModeKey).AsInt32(), 2);
  EXPECT_TRUE(Read(Model::kInvokeGetCountDownState).AsBool());
}

TEST_F(QuickRecordModelTest, DeviceChoicesAreAnnouncedAndReported) {
  Variant camera = Variant::MakeMap();
  camera.Set("device_id", "cam-2");
  model_->Call(Model::kInvokeChangeCameraDevice, camera, nullptr);
  EXPECT_EQ(EventsOf(Model::kEventDeviceState).back().GetString("camera_device"), "cam-2");
  EXPECT_EQ(Read(Model::kInvokeGetPreviewCameraDevice).AsString(), "cam-2");
  EXPECT_EQ(Read(Model::kInvokeGetQuickRecordConfigInfo).GetString("camera_device"), "cam-2");
  Variant screen = Variant::MakeMap();
  screen.Set("monitor_id", "m-2");
  model_->Call(Model::kInvokeGoToScreenOrWindowView, screen, nullptr);
  EXPECT_EQ(EventsOf(Model::kEventSelectedScreenUpdated).at(0).GetString("monitor_id"), "m-2");
  EXPECT_EQ(Read(Model::kInvokeGetSelectScreenInfo).GetString("monitor_id"), "m-2");
}

TEST_F(QuickRecordModelTest, TheSettingPanelsShownFlagIsAnnouncedOnlyWhenItChanges) {
  EXPECT_FALSE(Read(Model::kInvokeGetSettingPanelShown).AsBool(true)) << "hidden until it says otherwise";
  for (bool shown : {true, true, false, false, true}) {
    ASSERT_TRUE(model_->Call(Model::kInvokeSetSettingPanelShown, Variant(shown), nullptr));
    EXPECT_EQ(Read(Model::kInvokeGetSettingPanelShown).AsBool(!shown), shown);
  }
  const auto changes = EventsOf(Model::kEventSettingPanelShownChanged);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_TRUE(changes[0].GetBool("show"));
  EXPECT_FALSE(changes[1].GetBool("show", true));
  EXPECT_TRUE(changes[2].GetBool("show"));
}

TEST_F(QuickRecordModelTest, SigningOutIsAnnounced) {
  app_->auth()->SetSignedInUser("", "test");
  const auto notices = EventsOf(Model::kEventSessionNotice);
  ASSERT_FALSE(notices.empty());
  EXPECT_EQ(notices.back().GetString("reason"), "sign_out");
}

}  // namespace
}  // namespace quick_record
