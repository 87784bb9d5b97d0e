#include "transcoder/message_fields.h"

#include <gtest/gtest.h>

#include "transcoder/record_task_params.h"

namespace qr_transcoder {
namespace {

using base::json::JsonValue;

TEST(MessageFieldsTest, FlagsAndNumbersComeInTheFormsSendersUse) {
  MessageFields fields(JsonValue::Parse(
      R"({"a": true, "b": 1, "c": "0", "d": "true", "n": 42, "m": "4194304", "r": 2.0})"));
  EXPECT_TRUE(fields.Flag("a"));
  EXPECT_TRUE(fields.Flag("b"));
  EXPECT_FALSE(fields.Flag("c", true));
  EXPECT_TRUE(fields.Flag("d"));
  EXPECT_TRUE(fields.Flag("absent", true));
  EXPECT_EQ(fields.Number("n"), 42);
  EXPECT_EQ(fields.Number("m"), 4194304);
  EXPECT_EQ(fields.Number("r"), 2);
  EXPECT_EQ(fields.Text("n"), "42");
  EXPECT_TRUE(fields.ok());
}

TEST(MessageFieldsTest, EveryBadFieldIsNamedOnce) {
  MessageFields fields(JsonValue::Parse(R"({"t": [1], "f": "maybe", "n": "12x", "o": "text"})"));
  fields.Text("t");
  fields.Text("missing");
  fields.Text("optional", false);
  fields.Flag("f");
  fields.Number("n");
  fields.Object("o");
  EXPECT_FALSE(fields.ok());
  EXPECT_EQ(fields.Problems(), "wrong type of t, missing missing, wrong type of f, wrong type of n, wrong type of o");
}

TEST(MessageFieldsTest, StartParamsNeedAnInstanceAndAnOutputAndDeriveTheRest) {
  std::string problems;
  EXPECT_FALSE(RecordTaskParams::Parse(JsonValue::Parse(R"({"instance_id": "i"})"), &problems));
  EXPECT_NE(problems.find("in_video_file"), std::string::npos);
  const auto params = RecordTaskParams::Parse(
      JsonValue::Parse(R"({"instance_id": "i", "in_video_file": "/r/a.kovtv", "output_file": "/r/a.mp4",
                           "in_audio_file": "/r/a.kovta", "transcoding_threshold": 0, "is_record_complete": 1})"),
      &problems);
  ASSERT_TRUE(params) << problems;
  EXPECT_EQ(params->in_video_index_file, "/r/a.kovtvidx");
  EXPECT_EQ(params->in_audio_index_file, "/r/a.kovtaidx");
  EXPECT_EQ(params->CoverPath(), "/r/a.kovtc");
  EXPECT_EQ(params->transcoding_threshold, 1);
  EXPECT_TRUE(params->is_record_complete);
  EXPECT_TRUE(params->need_upload_file);
}

TEST(MessageFieldsTest, WhatTheModuleWritesTheProcessReadsBackFieldForField) {
  kovanisdk::bridge::TranscodeTaskMessage sent;
  sent.instance_id = "i";
  sent.in_video_file = "/r/a.kovtv";
  sent.in_video_index_file = "/r/a.vidx";
  sent.in_audio_file = "/r/a.kovta";
  sent.in_audio_index_file = "/r/a.aidx";
  sent.output_file = "/r/a.mp4";
  sent.output_m4a_file = "/r/a.m4a";
  sent.is_record_complete = true;
  sent.transcoding_threshold = 77;
  sent.record_time_duration = 123456;
  sent.is_local_record = true;
  sent.need_upload_file = false;
  sent.upload_cover_file = false;
  sent.is_recovery_upload = true;
  std::string problems;
  // Through text, as the bridge carries it.
  const auto read = RecordTaskParams::Parse(JsonValue::Parse(sent.ToJson().ToCompactString()), &problems);
  ASSERT_TRUE(read) << problems;
  const kovanisdk::bridge::TranscodeTaskMessage& got = *read;
  EXPECT_EQ(got.instance_id, sent.instance_id);
  EXPECT_EQ(got.in_video_file, sent.in_video_file);
  EXPECT_EQ(got.in_video_index_file, sent.in_video_index_file);
  EXPECT_EQ(got.in_audio_file, sent.in_audio_file);
  EXPECT_EQ(got.in_audio_index_file, sent.in_audio_index_file);
  EXPECT_EQ(got.output_file, sent.output_file);
  EXPECT_EQ(got.output_m4a_file, sent.output_m4a_file);
  EXPECT_EQ(got.is_record_complete, sent.is_record_complete);
  EXPECT_EQ(got.transcoding_threshold, sent.transcoding_threshold);
  EXPECT_EQ(got.record_time_duration, sent.record_time_duration);
  EXPECT_EQ(got.is_local_record, sent.is_local_record);
  EXPECT_EQ(got.need_upload_file, sent.need_upload_file);
  EXPECT_EQ(got.upload_cover_file, sent.upload_cover_file);
  EXPECT_EQ(got.is_recovery_upload, sent.is_recovery_upload);
}

TEST(MessageFieldsTest, AuthNeedsTheVerbTextsOfTheVideo) {
  std::string problems;
  EXPECT_FALSE(UploadAuth::Parse(JsonValue::Parse(R"({"instance_id": "i", "cos_url": "http://h/b/k",
                                                      "video_session_token": "t"})"),
                                 &problems));
  EXPECT_EQ(problems, "missing video_auth_info");
  const auto auth = UploadAuth::Parse(
      JsonValue::Parse(R"({"instance_id": "i", "cos_url": "http://h/b/k", "video_session_token": "t",
                           "video_auth_info": {"put": "P", "post": "Q", "get": 3}})"),
      &problems);
  ASSERT_TRUE(auth);
  EXPECT_TRUE(auth->video.CanWrite());
  EXPECT_EQ(auth->video.auth.count("get"), 0u);  // not a text
  EXPECT_FALSE(auth->cover.CanWrite());
}

}  // namespace
}  // namespace qr_transcoder
