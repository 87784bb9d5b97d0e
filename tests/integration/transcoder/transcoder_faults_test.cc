// Faults of the object store (injected through qr-backend's admin API) and of the local disk
// give the documented error codes, and the retry the module makes for the code finishes the
// upload.

#include <sys/resource.h>

#include <thread>

#include "host/util/file.h"
#include "transcoder_fixture.h"

namespace qr_transcoder::testing {
namespace {

using base::json::JsonValue;

class TranscoderFaultTest : public TranscoderTest {
 protected:
  // Short authorisations for the expiry case; the others have their full day.
  nlohmann::json Config() const override {
    nlohmann::json config = TranscoderTest::Config();
    if (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).find("Expired") !=
        std::string::npos) {
      config["object_auth_ttl_seconds"] = 3;
    }
    return config;
  }

  // Starts the upload of a finished recording under `fault` and returns the first error event.
  JsonValue FailedUpload(const std::string& id, const nlohmann::json& fault, const std::string& args) {
    base_ = Record(id, {3000});
    start_ = StartRecord(alice_);
    ArmFault(fault);
    EXPECT_GT(StartTranscoder(args), 0);
    Send("quick_record:start_transcode", StartMessage(id, base_, true));
    Send("quick_record:upload_file_auth", AuthMessage(id, start_));
    const int error = WaitForEvent("quick_record:upload_file_error", id);
    return error < 0 ? JsonValue() : EventAt(error);
  }

  // The module's retry for codes 2 and 3: the recovery message, to the running process.
  void RecoverAndExpectTheObject(const std::string& id) {
    ClearFaults();
    const size_t from = log_.events.size();
    JsonValue recover = AuthMessage(id, start_);
    recover.SetJsonObject("output_file", base_ + ".mp4");
    Send("quick_record:upload_file_recover_info", recover);
    ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", id, from), 0);
    EXPECT_EQ(ObjectMd5(start_), LocalMd5(base_ + ".mp4"));
  }

  std::string base_;
  nlohmann::json start_;
};

TEST_F(TranscoderFaultTest, ServerErrorsGiveCodeThreeAndTheResumedUploadCompletes) {
  const JsonValue error = FailedUpload(
      // On the initiate: a refused part body may reach the client as a reset instead of the 500.
      "f-500", {{"server", "cos"}, {"method", "POST"}, {"path", "/qr-records/*"}, {"kind", "http500"}},
      "--part-size-mib=5 --retries=1 --retry-delay-ms=50");
  EXPECT_EQ(error["error_code"].AsInteger(), 3);
  EXPECT_EQ(error["cos_error_code"].AsInteger(), 500);
  EXPECT_EQ(error["request_type"].AsString(), "initiate");
  EXPECT_FALSE(error["network_break"].AsBoolean());
  RecoverAndExpectTheObject("f-500");
}

TEST_F(TranscoderFaultTest, AFreshStartReplacesATaskWhoseUploadFailed) {
  const JsonValue error = FailedUpload(
      "f-fresh", {{"server", "cos"}, {"method", "POST"}, {"path", "/qr-records/*"}, {"kind", "http500"}},
      "--part-size-mib=5 --retries=0");
  EXPECT_EQ(error["error_code"].AsInteger(), 3);
  ClearFaults();
  // What the module does for codes 1, 5 and 6: the start message and the authorisation again.
  const size_t from = log_.events.size();
  Send("quick_record:start_transcode", StartMessage("f-fresh", base_, true));
  Send("quick_record:upload_file_auth", AuthMessage("f-fresh", start_));
  ASSERT_GE(WaitForEvent("quick_record:transcode_finish", "f-fresh", from), 0);
  ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", "f-fresh", from), 0);
  EXPECT_EQ(ObjectMd5(start_), LocalMd5(base_ + ".mp4"));
}

TEST_F(TranscoderFaultTest, DroppedConnectionsGiveCodeTwoAndTheResumedUploadCompletes) {
  const JsonValue error = FailedUpload(
      "f-drop", {{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "drop"}},
      "--part-size-mib=5 --retries=1 --retry-delay-ms=50");
  EXPECT_EQ(error["error_code"].AsInteger(), 2);
  EXPECT_TRUE(error["network_break"].AsBoolean());
  RecoverAndExpectTheObject("f-drop");
}

TEST_F(TranscoderFaultTest, AnswersSlowerThanTheStallTimeGiveCodeTwo) {
  const JsonValue error = FailedUpload(
      "f-slow",
      {{"server", "cos"}, {"method", "POST"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 4000}, {"times", 1}},
      "--part-size-mib=5 --retries=0 --stall-timeout-ms=1000");
  EXPECT_EQ(error["error_code"].AsInteger(), 2);
  EXPECT_EQ(error["request_type"].AsString(), "initiate");
  RecoverAndExpectTheObject("f-slow");
}

TEST_F(TranscoderFaultTest, AnExpiredAuthorisationGivesCodeFourAndANewOneCompletes) {
  base_ = Record("f-auth", {2000}, false);
  start_ = StartRecord(alice_);
  std::this_thread::sleep_for(std::chrono::milliseconds(4100));  // the grant's three seconds are over
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:start_transcode", StartMessage("f-auth", base_, true));
  Send("quick_record:upload_file_auth", AuthMessage("f-auth", start_));
  const int error = WaitForEvent("quick_record:upload_file_error", "f-auth");
  ASSERT_GE(error, 0);
  EXPECT_EQ(EventAt(error)["error_code"].AsInteger(), 4);
  EXPECT_EQ(EventAt(error)["cos_error_code"].AsInteger(), 403);

  // The module's answer to 4: fresh credentials for the same record, sent as a new auth message;
  // the small file is up well within their three seconds.
  const size_t from = log_.events.size();
  auto body = qr_backend::testing::StartBody("again");
  body["record_id"] = start_["record_id"];
  start_ = Api(alice_).Post("/v2/record/control/get-start-data", body)["data"];
  Send("quick_record:upload_file_auth", AuthMessage("f-auth", start_));
  ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", "f-auth", from, 15000), 0);
}

TEST_F(TranscoderFaultTest, AFullDiskGivesErrorEventsAndTheProcessCarriesOn) {
  base_ = Record("f-disk", {3000});
  start_ = StartRecord(alice_);
  const int64_t pid = StartTranscoder();
  ASSERT_GT(pid, 0);
  // The file size limit stands in for a full disk: writes beyond it fail with EFBIG.
  rlimit before{};
  ASSERT_EQ(::prlimit(static_cast<pid_t>(pid), RLIMIT_FSIZE, nullptr, &before), 0);
  const rlimit limit{200 * 1024, before.rlim_max};
  ASSERT_EQ(::prlimit(static_cast<pid_t>(pid), RLIMIT_FSIZE, &limit, nullptr), 0);
  Send("quick_record:start_transcode", StartMessage("f-disk", base_, true));
  Send("quick_record:upload_file_auth", AuthMessage("f-disk", start_));
  const int finish = WaitForEvent("quick_record:transcode_finish", "f-disk");
  const int error = WaitForEvent("quick_record:upload_file_error", "f-disk");
  ASSERT_GE(finish, 0);
  ASSERT_GE(error, 0);
  EXPECT_EQ(EventAt(finish)["result"].AsInteger(), -11);
  EXPECT_EQ(EventAt(error)["error_code"].AsInteger(), 5);

  // Still serving: with room again, the module's fresh start goes through.
  ASSERT_EQ(::prlimit(static_cast<pid_t>(pid), RLIMIT_FSIZE, &before, nullptr), 0);
  EXPECT_TRUE(TranscoderRunning());
  const size_t from = log_.events.size();
  Send("quick_record:start_transcode", StartMessage("f-disk", base_, true));
  Send("quick_record:upload_file_auth", AuthMessage("f-disk", start_));
  ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", "f-disk", from), 0);
  EXPECT_EQ(ObjectMd5(start_), LocalMd5(base_ + ".mp4"));
}

}  // namespace
}  // namespace qr_transcoder::testing
