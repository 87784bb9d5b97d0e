// The object store port of qr-backend: authorisation, ETags, ranges and multipart uploads.

#include "backend_fixture.h"
#include "common/crypto.h"
#include "common/url_codec.h"
#include "objects/object_store.h"

namespace qr_backend::testing {
namespace {

class BackendObjectStoreHttpTest : public BackendVideoObjectTest {
 protected:
  std::string Initiate() {
    const auto answer = Call("POST", path_ + "?uploads", "post");
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.Json().value("upload_id", "");
  }

  std::string PartTarget(const std::string& upload_id, int number) {
    return path_ + "?partNumber=" + std::to_string(number) + "&uploadId=" + upload_id;
  }
};

TEST_F(BackendObjectStoreHttpTest, BucketHostRefusesStrangersWithItsServerHeader) {
  for (const char* method : {"GET", "HEAD"}) {
    const auto answer = Objects().Request(method, "/", {});
    EXPECT_EQ(answer.status, 403) << method;
    EXPECT_EQ(answer.Header("Server"), "halvard-cos") << method;
  }
  const auto listing = Objects().Request("GET", "/qr-records/", {});
  EXPECT_EQ(listing.status, 403);
  const auto anonymous = Objects().Request("PUT", path_, {}, "data");
  EXPECT_EQ(anonymous.status, 403);
  EXPECT_EQ(anonymous.Header("X-QR-Error"), "AccessDenied");
  EXPECT_EQ(anonymous.Header("Server"), "halvard-cos");
}

TEST_F(BackendObjectStoreHttpTest, PutThenGetAndHeadWithTheMd5Etag) {
  const std::string content = "fragmented mp4 bytes";
  const auto put = Call("PUT", path_, "put", content);
  ASSERT_EQ(put.status, 200) << put.body;
  EXPECT_EQ(put.Header("ETag"), "\"" + Md5Hex(content) + "\"");
  const auto get = Call("GET", path_, "get");
  EXPECT_EQ(get.status, 200);
  EXPECT_EQ(get.body, content);
  EXPECT_EQ(get.Header("Content-Type"), "video/mp4");
  const auto head = Call("HEAD", path_, "head");
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(content.size()));
  EXPECT_EQ(head.Header("ETag"), put.Header("ETag"));
  EXPECT_EQ(head.Header("Server"), "halvard-cos");
}

TEST_F(BackendObjectStoreHttpTest, EachVerbNeedsItsOwnAuthorisationForItsOwnObject) {
  ASSERT_EQ(Call("PUT", path_, "put", "x").status, 200);
  EXPECT_EQ(Call("PUT", path_, "get", "x").status, 403);
  EXPECT_EQ(Call("GET", path_, "put").status, 403);
  EXPECT_EQ(Call("HEAD", path_, "get").status, 403);
  // The cover's authorisation does not open the video.
  EXPECT_EQ(Objects().Request("GET", path_, ObjectClient::Auth(start_, "get", "cover")).status,
            403);
  // Without the session token the authorisation is not enough.
  EXPECT_EQ(Objects()
                .Request("GET", path_,
                         {{"Authorization", start_["video_auth_info"]["get"].get<std::string>()}})
                .status,
            403);
  // Query parameters serve clients that cannot set headers.
  const std::string query = BuildQuery({{"auth", start_["video_auth_info"]["get"]},
                                        {"session_token", start_["video_session_token"]}});
  const auto by_query = Objects().Request("GET", path_ + "?" + query, {});
  EXPECT_EQ(by_query.status, 200);
  EXPECT_EQ(by_query.body, "x");
}

TEST_F(BackendObjectStoreHttpTest, ContentMd5MustMatchTheBody) {
  const std::string digest = Md5Hex("right");
  std::string raw;
  for (size_t i = 0; i < digest.size(); i += 2) {
    raw.push_back(static_cast<char>(std::stoi(digest.substr(i, 2), nullptr, 16)));
  }
  const auto wrong = Call("PUT", path_, "put", "wrong", {{"Content-MD5", Base64Encode(raw)}});
  EXPECT_EQ(wrong.status, 400);
  EXPECT_EQ(wrong.Header("X-QR-Error"), "BadDigest");
  EXPECT_EQ(Call("HEAD", path_, "head").status, 404);
  EXPECT_EQ(Call("PUT", path_, "put", "right", {{"Content-MD5", "%%%"}}).status, 400);
  EXPECT_EQ(Call("PUT", path_, "put", "right", {{"Content-MD5", Base64Encode(raw)}}).status, 200);
}

TEST_F(BackendObjectStoreHttpTest, RangeRequestsReturnTheAskedBytes) {
  ASSERT_EQ(Call("PUT", path_, "put", "0123456789").status, 200);
  const auto middle = Call("GET", path_, "get", "", {{"Range", "bytes=2-5"}});
  EXPECT_EQ(middle.status, 206);
  EXPECT_EQ(middle.body, "2345");
  EXPECT_EQ(middle.Header("Content-Range"), "bytes 2-5/10");
  EXPECT_EQ(Call("GET", path_, "get", "", {{"Range", "bytes=7-"}}).body, "789");
  EXPECT_EQ(Call("GET", path_, "get", "", {{"Range", "bytes=-3"}}).body, "789");
  const auto clipped = Call("GET", path_, "get", "", {{"Range", "bytes=8-100"}});
  EXPECT_EQ(clipped.status, 206);
  EXPECT_EQ(clipped.body, "89");
  EXPECT_EQ(clipped.Header("Content-Range"), "bytes 8-9/10");
  const auto outside = Call("GET", path_, "get", "", {{"Range", "bytes=10-"}});
  EXPECT_EQ(outside.status, 416);
  EXPECT_EQ(outside.Header("Content-Range"), "bytes */10");
  // A refused ranged request still says why.
  const auto refused = Objects().Request("GET", path_, {{"Range", "bytes=0-1"}});
  EXPECT_EQ(refused.status, 403);
  EXPECT_EQ(refused.Header("X-QR-Error"), "AccessDenied");
}

TEST_F(BackendObjectStoreHttpTest, MissingObjectIsNotFound) {
  const auto get = Call("GET", path_, "get");
  EXPECT_EQ(get.status, 404);
  EXPECT_EQ(get.Json()["error"], "NoSuchKey");
  EXPECT_EQ(Call("HEAD", path_, "head").status, 404);
}

TEST_F(BackendObjectStoreHttpTest, MultipartPartsOutOfOrderCompleteInNumberOrder) {
  const std::string upload_id = Initiate();
  ASSERT_FALSE(upload_id.empty());
  const auto second = Call("PUT", PartTarget(upload_id, 2), "put", "world");
  const auto first = Call("PUT", PartTarget(upload_id, 1), "put", "hello ");
  ASSERT_EQ(second.status, 200) << second.body;
  ASSERT_EQ(first.status, 200) << first.body;
  EXPECT_EQ(first.Header("ETag"), "\"" + Md5Hex("hello ") + "\"");

  const auto listed = Call("GET", path_ + "?uploadId=" + upload_id, "get");
  ASSERT_EQ(listed.status, 200);
  const auto parts = listed.Json()["parts"];
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0]["part_number"], 1);
  EXPECT_EQ(parts[0]["size"], 6);
  EXPECT_EQ(parts[1]["etag"], second.Header("ETag"));

  const nlohmann::json body = {{"parts",
                                {{{"part_number", 1}, {"etag", first.Header("ETag")}},
                                 {{"part_number", 2}, {"etag", second.Header("ETag")}}}}};
  const auto done = Call("POST", path_ + "?uploadId=" + upload_id, "post", body.dump());
  ASSERT_EQ(done.status, 200) << done.body;
  EXPECT_EQ(done.Json()["size"], 11);
  EXPECT_EQ(done.Header("ETag"), "\"" + CompositeEtag({Md5Hex("hello "), Md5Hex("world")}) + "\"");
  EXPECT_EQ(Call("GET", path_, "get").body, "hello world");
  EXPECT_EQ(Complete(alice_, start_, 11)["code"], 0);
}

TEST_F(BackendObjectStoreHttpTest, CompletionWithAWrongEtagOrOrderIsRefused) {
  const std::string upload_id = Initiate();
  const auto first = Call("PUT", PartTarget(upload_id, 1), "put", "a");
  const auto second = Call("PUT", PartTarget(upload_id, 2), "put", "b");
  const std::string target = path_ + "?uploadId=" + upload_id;
  const nlohmann::json wrong_etag = {{"parts",
                                      {{{"part_number", 1}, {"etag", first.Header("ETag")}},
                                       {{"part_number", 2}, {"etag", first.Header("ETag")}}}}};
  const auto refused = Call("POST", target, "post", wrong_etag.dump());
  EXPECT_EQ(refused.status, 400);
  EXPECT_EQ(refused.Json()["error"], "InvalidPart");
  const nlohmann::json reversed = {{"parts",
                                    {{{"part_number", 2}, {"etag", second.Header("ETag")}},
                                     {{"part_number", 1}, {"etag", first.Header("ETag")}}}}};
  EXPECT_EQ(Call("POST", target, "post", reversed.dump()).Json()["error"], "InvalidPartOrder");
  EXPECT_EQ(Call("POST", target, "post", "{\"parts\": 3}").status, 400);
  EXPECT_EQ(Call("HEAD", path_, "head").status, 404);
  EXPECT_EQ(Call("PUT", path_ + "?partNumber=0&uploadId=" + upload_id, "put", "z").status, 400);
  EXPECT_EQ(Call("PUT", path_ + "?partNumber=1", "put", "z").status, 400);
}

TEST_F(BackendObjectStoreHttpTest, AbortEndsTheUpload) {
  const std::string upload_id = Initiate();
  ASSERT_EQ(Call("PUT", PartTarget(upload_id, 1), "put", "a").status, 200);
  EXPECT_EQ(Call("DELETE", path_ + "?uploadId=" + upload_id, "post").status, 204);
  const auto listed = Call("GET", path_ + "?uploadId=" + upload_id, "get");
  EXPECT_EQ(listed.status, 404);
  EXPECT_EQ(listed.Json()["error"], "NoSuchUpload");
  EXPECT_EQ(Call("PUT", PartTarget(upload_id, 2), "put", "b").status, 404);
  EXPECT_EQ(Call("DELETE", path_ + "?uploadId=" + upload_id, "post").status, 404);
}

TEST_F(BackendObjectStoreHttpTest, PartsSurviveARestartAndTheUploadCanFinish) {
  const std::string upload_id = Initiate();
  const auto first = Call("PUT", PartTarget(upload_id, 1), "put", "before ");
  ASSERT_EQ(first.status, 200);
  Restart();
  const auto listed = Call("GET", path_ + "?uploadId=" + upload_id, "get");
  ASSERT_EQ(listed.status, 200) << listed.body;
  ASSERT_EQ(listed.Json()["parts"].size(), 1u);
  EXPECT_EQ(listed.Json()["parts"][0]["etag"], first.Header("ETag"));
  const auto second = Call("PUT", PartTarget(upload_id, 2), "put", "after");
  const nlohmann::json body = {{"parts",
                                {{{"part_number", 1}, {"etag", first.Header("ETag")}},
                                 {{"part_number", 2}, {"etag", second.Header("ETag")}}}}};
  ASSERT_EQ(Call("POST", path_ + "?uploadId=" + upload_id, "post", body.dump()).status, 200);
  EXPECT_EQ(Call("GET", path_, "get").body, "before after");
}

}  // namespace
}  // namespace qr_backend::testing
