// The wire format of every request class (path, method, flags, exact body) and how each one reads
// answers, malformed ones included.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/util/crypto.h"
#include "module/quick_record/cloud/request_parser_cases.h"
#include "module/quick_record/cloud/service_test_fixture.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using testing::AllParsers;
using testing::ParserCase;
using testing::ResultType;

// Sends a request of class `Request` after `init` filled it; every result it reports is kept.
template <typename Request, typename Init>
std::shared_ptr<Request> Send(Init init, std::vector<ResultType<Request>>* results) {
  auto request = std::make_shared<Request>();
  init(*request);
  request->Run([results](const ResultType<Request>& result) { results->push_back(result); });
  return request;
}

class ServiceRequestsTest : public testing::ServiceTest {
 protected:
  // Runs one request against an accepting back end with `data` and answers its single result.
  template <typename Request, typename Init>
  ResultType<Request> RunOnce(const std::string& path, Init init, const JsonValue& data = JsonValue::Object()) {
    fake_->AnswerEnvelope(path, 0, "ok", data);
    std::vector<ResultType<Request>> results;
    auto request = Send<Request>(init, &results);
    env_.RunUntilIdle();
    EXPECT_EQ(results.size(), 1u);
    return results.empty() ? ResultType<Request>() : results[0];
  }
  // The request sent to `path` carries the common parameters, the token and the signature.
  void ExpectSigned(const KOVANI_CGI::TransportRequest& request, const char* method, bool app_uid) {
    EXPECT_EQ(request.method, method);
    EXPECT_EQ(request.Param("app_id"), "qr-app");
    EXPECT_EQ(request.Param("platform"), "linux");
    EXPECT_EQ(request.Header("X-QR-Token"), "tok");
    EXPECT_FALSE(request.Header("X-QR-Signature").empty());
    EXPECT_EQ(request.Param("app_uid"), app_uid ? "alice" : "");
  }
};

// ---- Recording lifecycle ----

TEST_F(ServiceRequestsTest, StartSendsTheBase64SubjectAndAskedFlags) {
  QuickRecordStartRecordInfo info{"Team sync", "1700000000000", "", "i-1", "rs", ""};
  RunOnce<QuickRecordStartRecordRequest>(QuickRecordStartRecordRequest::kPath,
                                         [&](auto& r) { r.InitData(info, true); });
  const auto request = OnlyRequestTo(QuickRecordStartRecordRequest::kPath);
  ExpectSigned(request, "POST", true);
  EXPECT_EQ(JsonValue::Parse(request.body), JsonValue::Parse(R"({"subject":")" + util::crypto::Encode64("Team sync") +
                                                             R"(","record_start_time":"1700000000000","record_id":"",)"
                                                             R"("creator_instance_id":"i-1","record_subject":"rs",)"
                                                             R"("use_quic":true})"));
  EXPECT_FALSE(log_.Contains("subject is empty"));
}

TEST_F(ServiceRequestsTest, StartWithAnEmptySubjectSendsItAnywayAndLogs) {
  QuickRecordStartRecordInfo info;
  info.record_type = "user_upload";
  RunOnce<QuickRecordStartRecordRequest>(QuickRecordStartRecordRequest::kPath,
                                         [&](auto& r) { r.InitData(info, false); });
  const JsonValue body = OnlyBodyTo(QuickRecordStartRecordRequest::kPath);
  EXPECT_TRUE(body["subject"].IsString());
  EXPECT_EQ(body["subject"].AsString(), "");
  EXPECT_EQ(body["record_type"].AsString(), "user_upload");
  EXPECT_FALSE(body["use_quic"].AsBoolean(true));
  EXPECT_TRUE(log_.Contains("subject is empty"));
}

TEST_F(ServiceRequestsTest, StartAnswerFillsKeysGrantsAndSegmentSize) {
  const JsonValue data = JsonValue::Parse(R"({
    "record_id": "42", "video_cos_key": "https://b.cos/x/video.mp4", "bucket_name": "qr",
    "cover_default_cos_key_v1": "https://b.cos/x/cover.jpg", "jump_url": "j", "jump_url_short": "js",
    "video_session_token": "vt", "cover_session_token": "ct", "cover_feature_id": "cf", "title": "T",
    "segment_size": "4194304",
    "video_auth_info": {"get": "g", "put": "p", "post": 5, "head": null},
    "cover_default_auth_info": {"post": "cp"}})");
  const auto result = RunOnce<QuickRecordStartRecordRequest>(
      QuickRecordStartRecordRequest::kPath, [](auto& r) { r.InitData({}, false); }, data);
  EXPECT_EQ(result.record_id, "42");
  EXPECT_EQ(result.cos_url, "https://b.cos/x/video.mp4");
  EXPECT_EQ(result.cos_key, result.cos_url);
  EXPECT_EQ(result.cover_cos_key, "https://b.cos/x/cover.jpg");
  EXPECT_EQ(result.segment_size, 4194304);
  EXPECT_EQ(result.video_auth, (std::map<std::string, std::string>{{"get", "g"}, {"put", "p"}}));
  EXPECT_EQ(result.cover_auth, (std::map<std::string, std::string>{{"post", "cp"}}));
  EXPECT_EQ(result.status_code, 200);
  EXPECT_EQ(result.biz_code, 0);
  EXPECT_FALSE(result.nonce.empty());
  EXPECT_FALSE(log_.Contains("auth not exist"));
  EXPECT_TRUE(log_.Contains("file upload response: biz_code=0"));
}

TEST_F(ServiceRequestsTest, StartAnswerWithoutGrantsStillReachesTheCallerAfterWarnings) {
  const auto result = RunOnce<QuickRecordStartRecordRequest>(
      QuickRecordStartRecordRequest::kPath, [](auto& r) { r.InitData({}, false); },
      JsonValue::Parse(R"({"video_auth_info": {"get": "g"}, "segment_size": 4194304})"));
  EXPECT_EQ(result.segment_size, 0);  // a number where decimal text belongs
  EXPECT_TRUE(log_.Contains("video auth put or post auth not exist"));
  EXPECT_TRUE(log_.Contains("video_session_token is empty"));
  EXPECT_TRUE(log_.Contains("cover_feature_id is empty"));
  EXPECT_TRUE(log_.Contains("cover auth put or post auth not exist"));
}

QuickRecordCompleteRecordInfo FullCompleteInfo() {
  QuickRecordCompleteRecordInfo info;
  info.record_start_time = "1700000000000";
  info.creator_instance_id = "i-1";
  info.record_id = "42";
  info.file_size = "1024";
  info.file_duration = "61000";
  info.record_mode = "1";
  info.screen_type = "0";
  info.video_width = 1920;
  info.video_height = 1080;
  info.record_type = "fast_record";
  info.batch_id = "b1";
  info.batch_upload_notify = true;
  return info;
}

TEST_F(ServiceRequestsTest, CompleteSendsEveryFieldWhenAllAreKnown) {
  RunOnce<QuickRecordCompleteRecordRequest>(QuickRecordCompleteRecordRequest::kPath,
                                            [](auto& r) { r.InitData(FullCompleteInfo()); });
  const auto request = OnlyRequestTo(QuickRecordCompleteRecordRequest::kPath);
  ExpectSigned(request, "POST", false);
  EXPECT_EQ(JsonValue::Parse(request.body), JsonValue::Parse(R"({
    "record_start_time": "1700000000000", "creator_instance_id": "i-1", "record_id": "42",
    "file_size": "1024", "file_duration": "61000",
    "ext_info": {"record_mode": "1", "screen_type": "0", "video_width": 1920, "video_height": 1080},
    "record_type": "fast_record", "batch_id": "b1", "batch_upload_notify": true})"));
}

TEST_F(ServiceRequestsTest, CompleteWithUnknownDurationSizeAndBatch) {
  QuickRecordCompleteRecordInfo info = FullCompleteInfo();
  info.file_duration = "0";
  info.video_width = 0;
  info.batch_id.clear();
  info.record_type.clear();
  info.record_id.clear();
  RunOnce<QuickRecordCompleteRecordRequest>(QuickRecordCompleteRecordRequest::kPath,
                                            [&](auto& r) { r.InitData(info); });
  const JsonValue body = OnlyBodyTo(QuickRecordCompleteRecordRequest::kPath);
  EXPECT_EQ(body["file_duration"].AsString(), "5000");
  EXPECT_EQ(body["ext_info"], JsonValue::Parse(R"({"record_mode": "1", "screen_type": "0"})"));
  for (const char* absent : {"batch_id", "batch_upload_notify", "record_type"}) EXPECT_FALSE(body.Contain(absent));
  EXPECT_TRUE(log_.Contains("data.file_duration is 0"));
  EXPECT_TRUE(log_.Contains("record_id_ is empty"));
}

TEST_F(ServiceRequestsTest, UploadFileCompleteCarriesSpeakersAndTheIntelligentSwitch) {
  QuickRecordUploadCompleteInfo info{"1700000000000", "42", "2048", "mp4", "0", "", "b9", 3, true};
  RunOnce<MeetLogUploadFileCompleteRequest>(MeetLogUploadFileCompleteRequest::kPath,
                                            [&](auto& r) { r.InitData(info); });
  EXPECT_EQ(OnlyBodyTo(MeetLogUploadFileCompleteRequest::kPath), JsonValue::Parse(R"({
    "record_start_time": "1700000000000", "record_id": "42", "file_size": "2048", "file_type": "mp4",
    "file_duration": "5000", "batch_id": "b9", "specker_nums": 3, "switch_status": 1})"));
  info.is_enable_intelligent_record = false;
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresh(fake_);
  RunOnce<MeetLogUploadFileCompleteRequest>(MeetLogUploadFileCompleteRequest::kPath,
                                            [&](auto& r) { r.InitData(info); });
  EXPECT_EQ(OnlyBodyTo(MeetLogUploadFileCompleteRequest::kPath)["switch_status"].AsInteger(), 2);
}

TEST_F(ServiceRequestsTest, CancelKeepsTheRecordIdAndWhetherTheBackEndAnswered) {
  const auto ok = RunOnce<QuickRecorddCancelRecordRequest>(QuickRecorddCancelRecordRequest::kPath,
                                                           [](auto& r) { r.InitData("42"); });
  EXPECT_EQ(OnlyBodyTo(QuickRecorddCancelRecordRequest::kPath), JsonValue::Parse(R"({"record_id":"42"})"));
  EXPECT_EQ(ok.record_id, "42");
  EXPECT_TRUE(ok.success);

  fake_->AnswerFailure(QuickRecorddCancelRecordRequest::kPath, base::net::NetError::kConnectFailed);
  std::vector<QuickRecordCancelRecordResult> results;
  Send<QuickRecorddCancelRecordRequest>([](auto& r) { r.InitData("43"); }, &results);
  env_.RunUntilIdle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].record_id, "43");
  EXPECT_FALSE(results[0].success);
  EXPECT_TRUE(log_.Contains("request failed:"));
}

TEST_F(ServiceRequestsTest, SpaceIsABodilessPostAndReadsDecimalTexts) {
  const auto info = RunOnce<QuickRecordSpaceRequest>(
      QuickRecordSpaceRequest::kPath, [](auto& r) { r.InitData(); },
      JsonValue::Parse(R"({"total_capacity": "10737418240", "usedspace": 1024, "meetlog_used_capacity": "512",
                           "cloud_record_used_capacity": "7x", "capacity_limit_switch": "2",
                           "meetlog_count": "", "cloud_record_count": "3", "personal_record_count": "-1",
                           "personal_used_space": "99999999999999999999"})"));
  const auto request = OnlyRequestTo(QuickRecordSpaceRequest::kPath);
  ExpectSigned(request, "POST", false);
  EXPECT_EQ(request.body, "");
  EXPECT_EQ(info.total_capacity, 10737418240);
  EXPECT_EQ(info.usedspace, 0);  // a JSON number where decimal text belongs
  EXPECT_EQ(info.meetlog_used_capacity, 512);
  EXPECT_EQ(info.cloud_record_used_capacity, 7);
  EXPECT_FALSE(info.capacity_limit_switch);
  EXPECT_EQ(info.meetlog_count, 0);
  EXPECT_EQ(info.cloud_record_count, 3);
  EXPECT_EQ(info.personal_record_count, -1);
  EXPECT_EQ(info.personal_used_space, 0);
  EXPECT_TRUE(log_.Contains("request success"));
}

TEST_F(ServiceRequestsTest, SpaceLimitSwitchIsOnOnlyForOne) {
  const auto info = RunOnce<QuickRecordSpaceRequest>(
      QuickRecordSpaceRequest::kPath, [](auto& r) { r.InitData(); },
      JsonValue::Parse(R"({"capacity_limit_switch": "1"})"));
  EXPECT_TRUE(info.capacity_limit_switch);
}

// ---- Record lists ----

TEST_F(ServiceRequestsTest, AllRecordsBodyByRecordMethodType) {
  struct Kind {
    int32_t method;
    const char* record_type;
    const char* record_type_v2;
  };
  for (const Kind& kind : {Kind{0, "fast_record|cloud_record", "fast_record|cloud_record|user_upload"},
                           Kind{1, "cloud_record", "cloud_record"}, Kind{2, "fast_record", "fast_record|user_upload"},
                           Kind{7, nullptr, nullptr}}) {
    fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
    KOVANI_CGI::ScopedRequestTransport fresh(fake_);
    RecordListReq req{"c1", "qr1", 20, "t-1", kind.method, true};
    RunOnce<QuickRecordAllRecordListRequest>(QuickRecordAllRecordListRequest::kPath, [&](auto& r) { r.InitData(req); });
    const auto request = OnlyRequestTo(QuickRecordAllRecordListRequest::kPath);
    ExpectSigned(request, "POST", false);
    EXPECT_TRUE(request.high_priority);
    JsonValue expected = JsonValue::Parse(R"({"last_index":"c1","last_uni_record_id":"qr1","page_size":"20",
                                              "cover_image_type":"mid","first_page":true})");
    if (kind.record_type) {
      expected.SetJsonObject("record_type", kind.record_type);
      expected.SetJsonObject("record_type_v2", kind.record_type_v2);
    }
    EXPECT_EQ(JsonValue::Parse(request.body), expected) << kind.method;
  }
}

TEST_F(ServiceRequestsTest, MineSortsByIdAndRecentPagesByTimestamp) {
  RecordListReq req{"c9", "qr9", 10, "t-2", 2, false};
  RunOnce<QuickRecordListRequest>(QuickRecordListRequest::kPath, [&](auto& r) { r.InitData(req); });
  const JsonValue mine = OnlyBodyTo(QuickRecordListRequest::kPath);
  EXPECT_EQ(mine["sort_by"].AsString(), "uni_record_id");
  EXPECT_FALSE(mine["first_page"].AsBoolean(true));

  RunOnce<QuickRecordRecentRecordListRequest>(QuickRecordRecentRecordListRequest::kPath,
                                              [&](auto& r) { r.InitData(req); });
  const auto recent = OnlyRequestTo(QuickRecordRecentRecordListRequest::kPath);
  EXPECT_TRUE(recent.high_priority);
  const JsonValue body = JsonValue::Parse(recent.body);
  EXPECT_EQ(body["first_timestamp"].AsString(), "c9");
  EXPECT_EQ(body["last_index"].AsString(), "c9");
  EXPECT_FALSE(body.Contain("first_page"));
  EXPECT_EQ(body["record_type_v2"].AsString(), "fast_record|user_upload");
}

TEST_F(ServiceRequestsTest, ListAnswersCarryTraceIdPagingAndRecords) {
  const auto result = RunOnce<QuickRecordAllRecordListRequest>(
      QuickRecordAllRecordListRequest::kPath,
      [](auto& r) {
        r.InitData(RecordListReq{"", "", 20, "t-7", 0, true});
      },
      JsonValue::Parse(R"({"records":[{"uni_record_id":"a"},{"uni_record_id":"b"}],
                           "page_info":{"index":"c2","size":"2","count":"9","has_more":true}})"));
  EXPECT_EQ(result.trace_id, "t-7");
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(result.records[1].uni_record_id, "b");
  EXPECT_EQ(result.page_info.index, "c2");
  EXPECT_TRUE(result.page_info.has_more);
  EXPECT_FALSE(result.success);  // the plugin decides success
  EXPECT_TRUE(log_.Contains("Request all record list cgi response, trace_id: t-7, suc: 1, biz_code: 0"));
  EXPECT_TRUE(log_.Contains("QuickRecordAllRecordList request body:"));
}

TEST_F(ServiceRequestsTest, AFailedListLogsItsTraceIdAndLeavesTheListEmpty) {
  fake_->AnswerEnvelope(QuickRecordListRequest::kPath, 40300, "not allowed",
                        JsonValue::Parse(R"({"records":[{"uni_record_id":"a"}]})"));
  std::vector<QuickRecordListResult> results;
  Send<QuickRecordListRequest>([](auto& r) { r.InitData(RecordListReq{"", "", 20, "t-8", 0, true}); }, &results);
  env_.RunUntilIdle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_TRUE(results[0].records.empty());
  EXPECT_EQ(results[0].biz_code, 40300);
  EXPECT_TRUE(log_.Contains("request failed:,code: 40300,msg :not allowed, trace_id: t-8"));
}

TEST_F(ServiceRequestsTest, SingleRecordAndMeetingList) {
  const auto single = RunOnce<QuickRecordSingleRecordDataRequest>(
      QuickRecordSingleRecordDataRequest::kPath,
      [](auto& r) {
        r.InitData(SingleRecordDataReq{"qr1", "t-3", "f1"});
      },
      JsonValue::Parse(R"({"record":{"uni_record_id":"qr1","title":"One"},"page_info":{"count":"1"}})"));
  EXPECT_EQ(OnlyBodyTo(QuickRecordSingleRecordDataRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","file_id":"f1"})"));
  ASSERT_EQ(single.records.size(), 1u);
  EXPECT_EQ(single.records[0].title, "One");
  EXPECT_EQ(single.page_info.count, "1");

  MeetingRecordListReq meeting{"m1", "s1", "r1", "c3", 30, 2, "t-4"};
  RunOnce<CloudRecordQueryByMeetingRequest>(CloudRecordQueryByMeetingRequest::kPath,
                                            [&](auto& r) { r.InitData(meeting); });
  const auto request = OnlyRequestTo(CloudRecordQueryByMeetingRequest::kPath);
  EXPECT_TRUE(request.high_priority);
  EXPECT_EQ(JsonValue::Parse(request.body),
            JsonValue::Parse(R"({"meeting_id":"m1","sub_meeting_id":"s1","room_id":"r1","page_size":30,
                                 "last_index":"c3","source":2})"));
}

TEST_F(ServiceRequestsTest, HistoryListAsksForTwentyAndReadsItsCursor) {
  const auto result = RunOnce<QuickRecordMyRecordHistoryListRequest>(
      QuickRecordMyRecordHistoryListRequest::kPath, [](auto& r) { r.InitData("h1"); },
      JsonValue::Parse(R"({"last_index":"h2","records":[{"title":"T","record_id":"1","encode_record_id":"MQ==",
                           "start_time":"5","end_time":"6","duration":"1","cover_url":"c"}, 7]})"));
  EXPECT_EQ(OnlyBodyTo(QuickRecordMyRecordHistoryListRequest::kPath),
            JsonValue::Parse(R"({"last_index":"h1","page_size":"20","cover_image_type":"mid"})"));
  EXPECT_EQ(result.last_index, "h2");
  ASSERT_EQ(result.records.size(), 1u);
  EXPECT_EQ(result.records[0].encode_record_id, "MQ==");
  EXPECT_EQ(result.records[0].duration, "1");
}

TEST_F(ServiceRequestsTest, DeletesAndRename) {
  RunOnce<CloudRecordDeleteRecordDataRequest>(CloudRecordDeleteRecordDataRequest::kPath,
                                              [](auto& r) { r.InitData({}); });
  EXPECT_EQ(OnlyBodyTo(CloudRecordDeleteRecordDataRequest::kPath),
            JsonValue::Parse(R"({"uni_record_ids":[],"api_version":1})"));
  EXPECT_TRUE(log_.Contains("DeleteCloudRecord success."));

  RunOnce<CloudRecordDeleteHistoryRecordRequest>(CloudRecordDeleteHistoryRecordRequest::kPath, [](auto& r) {
    r.InitData(DeleteRecordHistoryReq{"qr1", "1", 2});
  });
  EXPECT_EQ(OnlyBodyTo(CloudRecordDeleteHistoryRecordRequest::kPath),
            JsonValue::Parse(R"({"record_id":"1","uni_record_id":"qr1","type":"fast_record"})"));
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresh(fake_);
  RunOnce<CloudRecordDeleteHistoryRecordRequest>(CloudRecordDeleteHistoryRecordRequest::kPath, [](auto& r) {
    r.InitData(DeleteRecordHistoryReq{"qr1", "1", 3});
  });
  EXPECT_EQ(OnlyBodyTo(CloudRecordDeleteHistoryRecordRequest::kPath)["type"].AsString(), "cloud_record");

  const auto renamed = RunOnce<CloudRecordRenameRecordDataRequest>(
      CloudRecordRenameRecordDataRequest::kPath,
      [](auto& r) {
        r.InitData(UpdateRecordTitleReq{"New", "", "qr1"});
      },
      JsonValue::Parse(R"({"fire_id":"f","biz_id":"record_title","resource_id":"qr1","resource_part_id":"p",
                           "version":"2"})"));
  EXPECT_EQ(OnlyBodyTo(CloudRecordRenameRecordDataRequest::kPath),
            JsonValue::Parse(R"({"title":"New","uni_record_id":"qr1"})"));
  EXPECT_EQ(renamed.data.version, "2");
  EXPECT_EQ(renamed.data.resource_part_id, "p");

  const auto status = RunOnce<CloudRecordRenameReviewStatusRequest>(
      CloudRecordRenameReviewStatusRequest::kPath, [&](auto& r) { r.InitData(renamed.data); },
      JsonValue::Parse(R"({"status":2,"tips":"blocked word"})"));
  EXPECT_EQ(OnlyBodyTo(CloudRecordRenameReviewStatusRequest::kPath),
            JsonValue::Parse(R"({"fire_id":"f","biz_id":"record_title","resource_id":"qr1","resource_part_id":"p",
                                 "version":"2"})"));
  EXPECT_EQ(status.data.status, 2);
  EXPECT_EQ(status.data.tips, "blocked word");
}

TEST_F(ServiceRequestsTest, RenameSendsADescriptionOnlyWhenThereIsOne) {
  RunOnce<CloudRecordRenameRecordDataRequest>(CloudRecordRenameRecordDataRequest::kPath, [](auto& r) {
    r.InitData(UpdateRecordTitleReq{"New", "d", "qr1"});
  });
  EXPECT_EQ(OnlyBodyTo(CloudRecordRenameRecordDataRequest::kPath)["description"].AsString(), "d");
}

// ---- Messages ----

TEST_F(ServiceRequestsTest, RedDotPullKeepsIsShowWithACountOfZero) {
  const auto pulled = RunOnce<QuickRecordMsgRequest>(
      QuickRecordMsgRequest::kPath, [](auto& r) { r.InitData("home"); },
      JsonValue::Parse(R"({"is_show":true,"type":3,"count":0})"));
  EXPECT_EQ(OnlyBodyTo(QuickRecordMsgRequest::kPath), JsonValue::Parse(R"({"path":"home"})"));
  EXPECT_TRUE(pulled.data.is_show);
  EXPECT_EQ(pulled.data.type, 3);
  EXPECT_EQ(pulled.data.count, 0);

  RunOnce<QuickRecordMsgCleanRequest>(QuickRecordMsgCleanRequest::kPath, [](auto& r) { r.InitData("home"); });
  EXPECT_EQ(OnlyBodyTo(QuickRecordMsgCleanRequest::kPath), JsonValue::Parse(R"({"path":"home"})"));
  EXPECT_TRUE(log_.Contains("request success"));
}

TEST_F(ServiceRequestsTest, NoticeListDefaultsToAnEmptyCursorAndFifty) {
  const auto notices = RunOnce<QuickRecordNoticeListRequest>(
      QuickRecordNoticeListRequest::kPath, [](auto& r) { r.InitData(); },
      JsonValue::Parse(R"({"last_index":"n2","notices":[{"type":1,"title":"T","avatar_url":"a","username":"Bob",
        "user_uid":"bob","content":"Nice","video_elasped_time":12000,"create_time":1700000000000,
        "reply_to_name":"Al","reply_to_uid":"alice","show_reddot":true,"comment_id":"c","reply_id":"r",
        "record_id":"42"}]})"));
  EXPECT_EQ(OnlyBodyTo(QuickRecordNoticeListRequest::kPath), JsonValue::Parse(R"({"last_index":"","page_size":"50"})"));
  EXPECT_EQ(notices.last_index, "n2");
  ASSERT_EQ(notices.notices.size(), 1u);
  const QuickRecordNoticeItemResp& n = notices.notices[0];
  EXPECT_EQ(n.type, 1);
  EXPECT_EQ(n.username, "Bob");
  EXPECT_EQ(n.video_elasped_time, 12000);
  EXPECT_EQ(n.create_time, 1700000000000);
  EXPECT_EQ(n.reply_to_uid, "alice");
  EXPECT_TRUE(n.show_reddot);
  EXPECT_EQ(n.reply_id, "r");
  EXPECT_EQ(n.record_id, "42");
}

TEST_F(ServiceRequestsTest, CardRedDotClearingIsAGetWithQueryParameters) {
  RunOnce<QuickRecordClearRedDotRequest>(QuickRecordClearRedDotRequest::kPath,
                                         [](auto& r) { r.InitData("qr 1", "f1"); });
  const auto request = OnlyRequestTo(QuickRecordClearRedDotRequest::kPath);
  ExpectSigned(request, "GET", true);
  EXPECT_EQ(request.body, "");
  EXPECT_EQ(request.Param("uni_record_id"), "qr 1");
  EXPECT_EQ(request.Param("file_id"), "f1");
  EXPECT_TRUE(log_.Contains("request success"));

  fake_->AnswerEnvelope(QuickRecordClearRedDotRequest::kPath, 40400, "gone");
  std::vector<QuickRecordResultEnvelope> results;
  Send<QuickRecordClearRedDotRequest>([](auto& r) { r.InitData("qr2", ""); }, &results);
  env_.RunUntilIdle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_TRUE(log_.Contains("request failed:,code: 40400,msg :gone,nonce: " + results[0].nonce));
}

// ---- Sharing ----

TEST_F(ServiceRequestsTest, LinkQueryReadsTheWholeSetting) {
  const auto link = RunOnce<MeetlogVideoShareLinkDataRequest>(
      MeetlogVideoShareLinkDataRequest::kPath,
      [](auto& r) {
        r.InitData(MeetlogVideoShareLinkDataReq{"qr1", 1});
      },
      JsonValue::Parse(R"({"msg":"m","is_success":true,"record_type":1,
        "switch_cfg":{"default_state":true,"close_tip":"ct","permission_point_id":2,"permission_group_id":1,
                      "default_need_pwd":true,"point_tip":"pt"},
        "ui_visible_cfg":{"lintra_share_visible":true,"senior_setting_visible":true},
        "share_cfg":{"share_id":"s","share_link":"l","share_link_short":"ls","activity_id":"a","activity_uid":"u"},
        "permission_point_cfg":[{"id":1,"tip":"t1","switch_tip":"st","extra_type":0},{"id":3,"extra_type":1}],
        "permission_group_cfg":[{"id":1,"tip":"g","default_access_id":1,
                                 "access_cfg":[{"id":1,"tip":"v","co_tip":"","is_remove":false},
                                               {"id":0,"tip":"r","is_remove":true}]}],
        "user_share_set":{"switch_state":true,"permission_point_cfg":2,"permission_group_cfg":0,
                          "expired_time":1800000000,"expired_time_type":3,"download_enable":true,
                          "view_minutes_enable":false},
        "out_tip":"o","is_gray":true,"assign_user_num":2,"grant_permisson_cfg":{"k":1},"role_type":1})"));
  EXPECT_EQ(OnlyBodyTo(MeetlogVideoShareLinkDataRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","record_type":"1","is_creator":true})"));
  const tagLinkData& d = link.data;
  EXPECT_TRUE(d.is_success);
  EXPECT_EQ(d.switch_cfg.permission_point_id, 2);
  EXPECT_TRUE(d.switch_cfg.default_need_pwd);
  EXPECT_TRUE(d.ui_visible_cfg.senior_setting_visible);
  EXPECT_FALSE(d.ui_visible_cfg.download_visible);
  EXPECT_EQ(d.share_cfg.activity_uid, "u");
  ASSERT_EQ(d.permission_point_cfg.size(), 2u);
  EXPECT_EQ(d.permission_point_cfg[1].extra_type, 1);
  ASSERT_EQ(d.permission_group_cfg.size(), 1u);
  ASSERT_EQ(d.permission_group_cfg[0].access_cfg.size(), 2u);
  EXPECT_TRUE(d.permission_group_cfg[0].access_cfg[1].is_remove);
  EXPECT_EQ(d.user_share_set.expired_time, 1800000000);
  EXPECT_EQ(d.user_share_set.expired_time_type, 3);
  EXPECT_TRUE(d.is_gray);
  EXPECT_EQ(d.assign_user_num, 2);
  EXPECT_EQ(JsonValue::Parse(d.grant_permisson_cfg), JsonValue::Parse(R"({"k":1})"));
  EXPECT_TRUE(log_.Contains("share link get request sucess: nonce=" + link.nonce));
}

TEST_F(ServiceRequestsTest, LinkSettingPrefersAGroupOverAPoint) {
  tagLinkSetData data;
  data.uni_record_id = "qr1";
  data.record_type = 1;
  data.switch_state = true;
  data.point_id = 3;
  data.group_id = 0;
  data.access_id = 2;
  data.expired_time = 1800000000;
  data.expired_time_type = 2;
  data.download_enable = true;
  data.pwd = "1234";
  RunOnce<MeetlogVideoShareLinkDataUpdateRequest>(MeetlogVideoShareLinkDataUpdateRequest::kPath,
                                                  [&](auto& r) { r.InitData(data); });
  EXPECT_EQ(OnlyBodyTo(MeetlogVideoShareLinkDataUpdateRequest::kPath), JsonValue::Parse(R"({
    "uni_record_id":"qr1","record_type":"1","switch_state":true,"permission_point_cfg":{"point_id":3},
    "expired_time":1800000000,"expired_time_type":2,"download_enable":true,"view_minutes_enable":false,
    "pwd":"1234"})"));

  data.group_id = 1;
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresh(fake_);
  RunOnce<MeetlogVideoShareLinkDataUpdateRequest>(MeetlogVideoShareLinkDataUpdateRequest::kPath,
                                                  [&](auto& r) { r.InitData(data); });
  JsonValue body = OnlyBodyTo(MeetlogVideoShareLinkDataUpdateRequest::kPath);
  EXPECT_EQ(body["permission_group_cfg"], JsonValue::Parse(R"({"group_id":1,"access_id":2})"));
  EXPECT_FALSE(body.Contain("permission_point_cfg"));

  data.group_id = 0;
  data.point_id = 0;
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresher(fake_);
  RunOnce<MeetlogVideoShareLinkDataUpdateRequest>(MeetlogVideoShareLinkDataUpdateRequest::kPath,
                                                  [&](auto& r) { r.InitData(data); });
  body = OnlyBodyTo(MeetlogVideoShareLinkDataUpdateRequest::kPath);
  EXPECT_FALSE(body.Contain("permission_group_cfg"));
  EXPECT_FALSE(body.Contain("permission_point_cfg"));
}

TEST_F(ServiceRequestsTest, GrantListCursorDefaultsToZeroAndPageSizeIsOptional) {
  GetUserInfoReq req;
  req.uni_record_id = "qr1";
  const auto list = RunOnce<MeetlogShareGrantUserListRequest>(
      MeetlogShareGrantUserListRequest::kPath, [&](auto& r) { r.InitData(req); },
      JsonValue::Parse(R"({"member_count":3,"has_more":true,"next_cursor":"20","last_item_info":"li",
        "data_version":"3","selected_list":[{"app_id":"a","app_uid":"bob","nickname":"Bob","avatar":"av",
        "is_grant":true,"department":"d","highlight_tip":"Co-owner","user_type":2,"permission_id":1,
        "is_highlight":true}],"creator":{"app_uid":"alice","is_grant":true}})"));
  EXPECT_EQ(OnlyBodyTo(MeetlogShareGrantUserListRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","cursor":"0","last_item_info":""})"));
  EXPECT_EQ(list.data.member_count, 3);
  EXPECT_EQ(list.data.next_cursor, "20");
  ASSERT_EQ(list.data.selected_list.size(), 1u);
  EXPECT_EQ(list.data.selected_list[0].nickname, "Bob");
  EXPECT_EQ(list.data.selected_list[0].user_type, 2);
  EXPECT_TRUE(list.data.selected_list[0].is_highlight);
  EXPECT_EQ(list.data.creator.app_uid, "alice");

  req.cursor = "20";
  req.page_size = 10;
  req.source = "dialog";
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresh(fake_);
  RunOnce<MeetlogShareGrantUserListRequest>(MeetlogShareGrantUserListRequest::kPath, [&](auto& r) { r.InitData(req); });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareGrantUserListRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","cursor":"20","source":"dialog","page_size":10,
                                 "last_item_info":""})"));
}

TEST_F(ServiceRequestsTest, AttendeeListSearchesOnlyWithAKeyWord) {
  GetUserInfoReq req;
  req.uni_record_id = "qr1";
  req.scene = 1;
  req.page = 2;
  const auto attendees = RunOnce<MeetlogShareMeetingAttendeeListRequest>(
      MeetlogShareMeetingAttendeeListRequest::kParticipantPath, [&](auto& r) { r.InitData(req); },
      JsonValue::Parse(R"({"count":2,"granted_cnt":1,"has_more":false,"is_large_meeting":false,
        "is_large_all_selected":true,"blacklist_size":4,"data_version":"1","next_page":2,
        "list":[{"app_uid":"bob","is_grant":true},{"app_uid":"carol"}]})"));
  EXPECT_EQ(OnlyBodyTo(MeetlogShareMeetingAttendeeListRequest::kParticipantPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","scene":1,"page":2})"));
  EXPECT_EQ(CountRequestsTo(MeetlogShareMeetingAttendeeListRequest::kSearchPath), 0u);
  EXPECT_EQ(attendees.data.granted_cnt, 1);
  EXPECT_TRUE(attendees.data.is_large_all_selected);
  EXPECT_EQ(attendees.data.blacklist_size, 4);
  ASSERT_EQ(attendees.data.list.size(), 2u);
  EXPECT_TRUE(attendees.data.list[0].is_grant);

  req.key_word = "car";
  RunOnce<MeetlogShareMeetingAttendeeListRequest>(MeetlogShareMeetingAttendeeListRequest::kSearchPath,
                                                  [&](auto& r) { r.InitData(req); });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareMeetingAttendeeListRequest::kSearchPath)["key_word"].AsString(), "car");
}

TEST_F(ServiceRequestsTest, PermissionBodies) {
  ShareGrantUserInfo bob;
  bob.app_id = "qr-app";
  bob.app_uid = "bob";
  bob.permission_id = 2;
  UpdateUserPermissionReq req;
  req.uni_record_id = "qr1";
  req.custom_info = "ci";
  req.update_list = {bob};
  RunOnce<MeetlogShareUpdateUserPermissionRequest>(MeetlogShareUpdateUserPermissionRequest::kPath,
                                                   [&](auto& r) { r.InitData(req); });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareUpdateUserPermissionRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","custom_info":"ci",
                                 "list":[{"app_id":"qr-app","app_uid":"bob","permission_id":2}]})"));

  req.is_participant_all = true;
  req.uuid = "u1";
  req.deleted_list = {bob};
  RunOnce<MeetlogShareAddUserPermissionBigRequest>(MeetlogShareAddUserPermissionBigRequest::kPath,
                                                   [&](auto& r) { r.InitData(req); });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareAddUserPermissionBigRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","custom_info":"ci","is_participant_all":1,"uuid":"u1",
                                 "deleted_list":[{"app_id":"qr-app","app_uid":"bob"}]})"));

  RunOnce<MeetlogShareAddAllMeetingAttendeeRequest>(MeetlogShareAddAllMeetingAttendeeRequest::kPath,
                                                    [](auto& r) { r.InitData(AddAllMeetingAttendeeReq{"qr1"}); });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareAddAllMeetingAttendeeRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1"})"));
  EXPECT_TRUE(log_.Contains("grant all meeting user request: nonce="));

  const auto count = RunOnce<MeetlogShareGetMeetingAttendeeCntRequest>(
      MeetlogShareGetMeetingAttendeeCntRequest::kPath, [](auto& r) { r.InitData(GetMeetingAttendeeCntReq{"qr1"}); },
      JsonValue::Parse(R"({"cnt":12})"));
  EXPECT_EQ(count.data, 12);
  EXPECT_TRUE(log_.Contains(",cnt=12"));

  const auto applied = RunOnce<CloudRecordRequestPermissionRequest>(
      CloudRecordRequestPermissionRequest::kPath,
      [](auto& r) {
        r.InitData(CloudRecordPermissionReq{"s1", "Please", "Review", "t-5"});
      },
      JsonValue::Parse(R"({"unique_id":"ap1"})"));
  EXPECT_EQ(OnlyBodyTo(CloudRecordRequestPermissionRequest::kPath),
            JsonValue::Parse(R"({"share_id":"s1","subject":"Please","reason":"Review"})"));
  EXPECT_EQ(applied.data, "ap1");
  EXPECT_TRUE(log_.Contains("Request cloud record permission, trace_id: t-5, share_id: s1"));
}

TEST_F(ServiceRequestsTest, AssignSplitsMembersByTheirGrantFlag) {
  ShareUserInfo bob{"qr-app", "bob", "Bob", "", true};
  ShareUserInfo carol{"qr-app", "carol", "Carol", "", true};
  UpdateGrantReq req{"qr1", "ci", "u1", 1, {bob, carol}};
  RunOnce<CloudRecordAssignRequest>(CloudRecordAssignRequest::kPath, [&](auto& r) { r.InitData(req); });
  EXPECT_EQ(OnlyBodyTo(CloudRecordAssignRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","custom_info":"ci","uuid":"u1","grant_from":1,
              "add_members":[{"app_id":"qr-app","app_uid":"bob"},{"app_id":"qr-app","app_uid":"carol"}]})"));
  EXPECT_TRUE(log_.Contains("setAssigner request success."));

  req.members[0].is_grant = false;
  fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport fresh(fake_);
  RunOnce<CloudRecordAssignRequest>(CloudRecordAssignRequest::kPath, [&](auto& r) { r.InitData(req); });
  const JsonValue body = OnlyBodyTo(CloudRecordAssignRequest::kPath);
  EXPECT_EQ(body["del_members"], JsonValue::Parse(R"([{"app_id":"qr-app","app_uid":"bob"}])"));
  EXPECT_EQ(body["add_members"], JsonValue::Parse(R"([{"app_id":"qr-app","app_uid":"carol"}])"));
}

TEST_F(ServiceRequestsTest, MessengerShareStatusAndUiConfiguration) {
  const auto status = RunOnce<MeetlogShareGetLintraJoinStatusRequest>(
      MeetlogShareGetLintraJoinStatusRequest::kPath, [](auto& r) { r.InitData(GetLintraJoinStatusReq{"qr1"}); },
      JsonValue::Parse(R"({"status":true})"));
  EXPECT_TRUE(status.data);
  RunOnce<MeetlogShareSetLintraJoinStatusRequest>(MeetlogShareSetLintraJoinStatusRequest::kPath, [](auto& r) {
    r.InitData(SetLintraJoinStatusReq{"qr1", true});
  });
  EXPECT_EQ(OnlyBodyTo(MeetlogShareSetLintraJoinStatusRequest::kPath),
            JsonValue::Parse(R"({"uni_record_id":"qr1","status":true})"));
  const auto ui = RunOnce<MeetlogVideoShareNewUiCfgRequest>(
      MeetlogVideoShareNewUiCfgRequest::kPath, [](auto& r) { r.InitData(MeetlogGetShareNewUiCfgReq{"qr1"}); },
      JsonValue::Parse(R"({"ui_visible_cfg":{"lintra_share_visible":true,"company_contacts_visible":false,
                                             "new_meeting_member_visible":true}})"));
  EXPECT_EQ(OnlyBodyTo(MeetlogVideoShareNewUiCfgRequest::kPath), JsonValue::Parse(R"({"uni_record_id":"qr1"})"));
  EXPECT_TRUE(ui.data.lintra_share_visible);
  EXPECT_FALSE(ui.data.company_contacts_visible);
  EXPECT_TRUE(ui.data.new_meeting_member_visible);
}

// ---- Local upload ----

TEST_F(ServiceRequestsTest, LimitsCensorAndBatchFinish) {
  const auto limits = RunOnce<MeetlogLocalUploadLimitFilesInfoRequest>(
      MeetlogLocalUploadLimitFilesInfoRequest::kPath, [](auto& r) { r.InitData(); },
      JsonValue::Parse(R"({"video_limit_info":"mov, avi","audio_limit_info":"mp3","video_limit_type":"mov,avi",
        "audio_limit_type":"mp3","file_size_limit":"4","batch_file_count_limit":100,"batch_file_total_limit":200,
        "file_duration_limit":28800000,"switch_lock":1,"switch_status":2})"));
  EXPECT_EQ(OnlyRequestTo(MeetlogLocalUploadLimitFilesInfoRequest::kPath).body, "");
  EXPECT_EQ(limits.data.video_limit_type, "mov,avi");
  EXPECT_EQ(limits.data.file_size_limit, "4");
  EXPECT_EQ(limits.data.batch_file_total_limit, 200);
  EXPECT_EQ(limits.data.file_duration_limit, 28800000);
  EXPECT_EQ(limits.data.switch_status, 2);

  const auto verdicts = RunOnce<MeetlogLocalBatchSensorInfoRequest>(
      MeetlogLocalBatchSensorInfoRequest::kPath,
      [](auto& r) {
        r.InitData({{"f1", "talk.mp4"}, {"f2", "bad.mp4"}});
      },
      JsonValue::Parse(R"({"files":[{"file_id":"f1","file_name":"talk.mp4","status":0,"is_pass":true,"tips":""},
                                    {"file_id":"f2","file_name":"bad.mp4","status":2,"is_pass":false,"tips":"no"}]})"));
  EXPECT_EQ(OnlyBodyTo(MeetlogLocalBatchSensorInfoRequest::kPath),
            JsonValue::Parse(R"({"files":[{"file_id":"f1","file_name":"talk.mp4"},
                                          {"file_id":"f2","file_name":"bad.mp4"}]})"));
  ASSERT_EQ(verdicts.data.size(), 2u);
  EXPECT_TRUE(verdicts.data[0].is_pass);
  EXPECT_EQ(verdicts.data[1].status, 2);
  EXPECT_EQ(verdicts.data[1].tips, "no");

  RunOnce<MeetLogBatchCompleteRequest>(MeetLogBatchCompleteRequest::kPath, [](auto& r) { r.InitData("b1"); });
  EXPECT_EQ(OnlyBodyTo(MeetLogBatchCompleteRequest::kPath), JsonValue::Parse(R"({"batch_id":"b1"})"));
  EXPECT_TRUE(log_.Contains("file batch complete response: biz_code=0"));
}

// ---- Every parser against malformed answers ----


// Every key any answer of the module has, so that one malformed "data" hits every parser. Not
// "has_more": it takes any non-zero integer as true, so a huge integer is a value there (its own
// cases are in the parser's test).
const char* const kAllKeys[] = {"video_cos_key",
                                "record_id",
                                "bucket_name",
                                "cover_default_cos_key_v1",
                                "jump_url",
                                "jump_url_short",
                                "video_session_token",
                                "cover_session_token",
                                "cover_feature_id",
                                "title",
                                "segment_size",
                                "video_auth_info",
                                "cover_default_auth_info",
                                "total_capacity",
                                "usedspace",
                                "meetlog_used_capacity",
                                "cloud_record_used_capacity",
                                "capacity_limit_switch",
                                "meetlog_count",
                                "cloud_record_count",
                                "personal_record_count",
                                "personal_used_space",
                                "records",
                                "record",
                                "page_info",
                                "last_index",
                                "fire_id",
                                "biz_id",
                                "resource_id",
                                "resource_part_id",
                                "version",
                                "status",
                                "tips",
                                "is_show",
                                "type",
                                "count",
                                "notices",
                                "msg",
                                "is_success",
                                "record_type",
                                "switch_cfg",
                                "ui_visible_cfg",
                                "share_cfg",
                                "permission_point_cfg",
                                "permission_group_cfg",
                                "user_share_set",
                                "out_tip",
                                "is_gray",
                                "assign_user_num",
                                "grant_permisson_cfg",
                                "role_type",
                                "member_count",
                                "next_cursor",
                                "last_item_info",
                                "data_version",
                                "selected_list",
                                "creator",
                                "granted_cnt",
                                "is_large_meeting",
                                "is_large_all_selected",
                                "blacklist_size",
                                "next_page",
                                "list",
                                "cnt",
                                "unique_id",
                                "video_limit_info",
                                "audio_limit_info",
                                "video_limit_type",
                                "audio_limit_type",
                                "file_size_limit",
                                "batch_file_count_limit",
                                "batch_file_total_limit",
                                "file_duration_limit",
                                "switch_lock",
                                "switch_status",
                                "files"};

// A data object whose every member is `value`.
std::string DataWithEveryKey(const std::string& value) {
  std::string data = "{";
  for (const char* key : kAllKeys) data += std::string(data.size() > 1 ? "," : "") + "\"" + key + "\":" + value;
  return data + "}";
}

struct MalformedAnswer {
  std::string name;
  std::string body;
  int status = 200;
};

std::vector<MalformedAnswer> MalformedAnswers() {
  std::vector<MalformedAnswer> answers = {
      {"no data", R"({"code":0,"msg":"ok"})"},
      {"null data", R"({"code":0,"msg":"ok","data":null})"},
      {"array data", R"({"code":0,"msg":"ok","data":[{"record_id":"1"}]})"},
      {"text data", R"({"code":0,"msg":"ok","data":"record"})"},
      {"number nonce", R"({"code":0,"msg":"ok","nonce":5,"data":{}})"},
      {"unparsable", R"({"code":0,"msg":"ok","data":{"record_id":)"},
      {"text code", R"({"code":"0","msg":"ok","data":{}})"},
      {"not json", "<html>busy</html>"},
      {"empty body", ""},
      {"server error", R"({"code":0,"msg":"ok","data":{}})", 500},
      {"refused with data", R"({"code":40000,"msg":"bad","data":{"record_id":"1","cnt":3,"status":true}})"},
      {"huge code", R"({"code":99999999999999999999,"msg":"bad"})"},
  };
  // Wrong types, arrays where objects belong, and numbers no field can hold.
  for (const char* value :
       {"null", "[]", "[1,\"x\",null,[2]]", "\"\"", "1e300", "2.5", "18446744073709551615", "-9223372036854775809"}) {
    answers.push_back(
        {std::string("every member ") + value, R"({"code":0,"msg":"ok","data":)" + DataWithEveryKey(value) + "}"});
  }
  return answers;
}

TEST_F(ServiceRequestsTest, EveryParserKeepsDefaultsForMalformedAnswersAndCallsBackOnce) {
  for (const ParserCase& parser : AllParsers()) {
    for (const MalformedAnswer& answer : MalformedAnswers()) {
      fake_->AnswerJson(parser.path, answer.body, answer.status);
      std::vector<std::string> digests;
      parser.send(&digests);
      env_.RunUntilIdle();
      ASSERT_EQ(digests.size(), 1u) << parser.name << " / " << answer.name;
      EXPECT_EQ(digests[0], parser.default_digest) << parser.name << " / " << answer.name;
    }
  }
}

TEST_F(ServiceRequestsTest, AnAnswerWithoutAClosureIsLoggedAndDropped) {
  fake_->AnswerEnvelope(QuickRecordSpaceRequest::kPath, 0, "ok");
  auto request = std::make_shared<QuickRecordSpaceRequest>();
  request->InitData();
  request->Run(nullptr);
  env_.RunUntilIdle();
  const auto records = log_.sink().Records();
  const bool logged = std::any_of(records.begin(), records.end(), [](const auto& record) {
    return record.level == 1 && record.message == "not set callback";
  });
  EXPECT_TRUE(logged);
}

TEST_F(ServiceRequestsTest, TheEnvelopeAndNonceReachTheResult) {
  fake_->AnswerEnvelope(QuickRecordMsgCleanRequest::kPath, 40300, "not yours");
  std::vector<QuickRecordResultEnvelope> results;
  auto request = Send<QuickRecordMsgCleanRequest>([](auto& r) { r.InitData("p"); }, &results);
  env_.RunUntilIdle();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].status_code, 200);
  EXPECT_EQ(results[0].biz_code, 40300);
  EXPECT_EQ(results[0].msg, "not yours");
  EXPECT_EQ(results[0].nonce, request->nonce());
  EXPECT_FALSE(results[0].IsSucceeded());
  EXPECT_TRUE(log_.Contains("request failed:,code: 40300,msg :not yours"));
}

}  // namespace
}  // namespace quick_record
