// The player page behind "jump_url" and its short link.

#include <regex>

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

using BackendPlayerPageTest = BackendTest;

TEST_F(BackendPlayerPageTest, TheOwnerGetsAVideoThatPlaysFromTheStore) {
  const auto start = StartRecord(alice_, "Demo <day>");
  ASSERT_EQ(PutVideo(start, "mp4 content").status, 200);
  ASSERT_EQ(Complete(alice_, start, 11)["code"], 0);

  const auto page = Browse(start["jump_url"]);
  ASSERT_EQ(page.status, 200) << page.body;
  EXPECT_NE(page.Header("Content-Type").find("text/html"), std::string::npos);
  EXPECT_NE(page.body.find("Demo &lt;day&gt;"), std::string::npos);
  const std::string video_url = FindInPage(page.body, R"re(<video[^>]* src="([^"]+)")re");
  ASSERT_FALSE(video_url.empty()) << page.body;
  EXPECT_EQ(video_url.rfind(start["video_cos_key"].get<std::string>() + "?", 0), 0u);
  // The player streams ranges; the whole object comes only through the download link.
  const auto played =
      Objects().Request("GET", ObjectClient::PathOf(video_url), {{"Range", "bytes=0-"}});
  EXPECT_EQ(played.status, 206);
  EXPECT_EQ(played.body, "mp4 content");
  EXPECT_EQ(Objects().Request("GET", ObjectClient::PathOf(video_url), {}).status, 403);
  const std::string download = FindInPage(page.body, R"re(id="download"[^>]* href="([^"]+)")re");
  ASSERT_FALSE(download.empty()) << page.body;
  const auto downloaded = Objects().Request("GET", ObjectClient::PathOf(download), {});
  EXPECT_EQ(downloaded.status, 200);
  EXPECT_EQ(downloaded.body, "mp4 content");
  // The page's authorisations are for reading only.
  EXPECT_EQ(Objects().Request("PUT", ObjectClient::PathOf(video_url), {}, "x").status, 403);
}

TEST_F(BackendPlayerPageTest, ShortLinkRedirectsToATicketedPage) {
  const auto start = StartRecord(alice_);
  httplib::Client client("127.0.0.1", backend_->api_port());
  const auto result = client.Get(ObjectClient::PathOf(start["jump_url_short"]));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 302);
  const std::string location = result->get_header_value("Location");
  EXPECT_EQ(location.rfind("/play/" + start["uni_record_id"].get<std::string>() + "?", 0), 0u);
  const auto page = Browse(location);
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("still being uploaded"), std::string::npos);
  EXPECT_EQ(Browse("/s/0123456789ab").status, 404);
}

TEST_F(BackendPlayerPageTest, ATicketIsBoundToItsViewerAndRecord) {
  const auto start = StartRecord(alice_);
  const std::string url = start["jump_url"];
  EXPECT_EQ(Browse(std::regex_replace(url, std::regex("viewer=alice"), "viewer=bob")).status, 403);
  EXPECT_EQ(Browse(url.substr(0, url.size() - 1) + (url.back() == '0' ? "1" : "0")).status, 403);
  EXPECT_EQ(Browse(url.substr(0, url.find('?'))).status, 403);
  const auto other = StartRecord(alice_);
  const std::string moved =
      std::regex_replace(url, std::regex(start["uni_record_id"].get<std::string>()),
                         other["uni_record_id"].get<std::string>());
  EXPECT_EQ(Browse(moved).status, 403);
}

TEST_F(BackendPlayerPageTest, ADeletedRecordIsNotFound) {
  const auto start = StartRecord(alice_);
  ASSERT_EQ(
      Api(alice_).Post("/v2/record/control/delete", {{"record_id", start["record_id"]}})["code"],
      0);
  EXPECT_EQ(Browse(start["jump_url"]).status, 404);
}

}  // namespace
}  // namespace qr_backend::testing
