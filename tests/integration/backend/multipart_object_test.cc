// Objects made of uploaded parts: served across part boundaries, replaced and deleted with all
// their files, kept over restarts, and completed atomically even when the server is killed.

#include <filesystem>
#include <thread>

#include "backend_fixture.h"
#include "common/crypto.h"
#include "objects/object_store.h"

namespace qr_backend::testing {
namespace {

namespace fs = std::filesystem;

// Incompressible, position-dependent bytes: a misplaced range cannot read back right.
std::string Content(size_t size, uint64_t seed) {
  std::string out(size, '\0');
  uint64_t state = 0x9e3779b97f4a7c15ull ^ seed;
  for (char& c : out) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    c = static_cast<char>(state);
  }
  return out;
}

// The ETag an object of these parts gets, quoted: the composite of the parts' MD5s.
std::string CompositeOf(const std::vector<std::string>& parts) {
  std::vector<std::string> md5s;
  for (const auto& part : parts) md5s.push_back(Md5Hex(part));
  return "\"" + CompositeEtag(md5s) + "\"";
}

class BackendMultipartObjectTest : public BackendVideoObjectTest {
 protected:
  // Initiates an upload and sends `parts` under the given numbers; returns the upload id and
  // the completion body listing them.
  std::pair<std::string, std::string> UploadParts(const std::vector<std::string>& parts,
                                                  const std::vector<int>& numbers) {
    const auto initiated = Call("POST", path_ + "?uploads", "post");
    EXPECT_EQ(initiated.status, 200) << initiated.body;
    const std::string upload_id = initiated.Json().value("upload_id", "");
    nlohmann::json listed = nlohmann::json::array();
    for (size_t i = 0; i < parts.size(); ++i) {
      const auto part = Call("PUT",
                             path_ + "?partNumber=" + std::to_string(numbers[i]) +
                                 "&uploadId=" + upload_id,
                             "put", parts[i]);
      EXPECT_EQ(part.status, 200) << part.body;
      listed.push_back({{"part_number", numbers[i]}, {"etag", part.Header("ETag")}});
    }
    return {upload_id, nlohmann::json{{"parts", listed}}.dump()};
  }

  // Uploads `parts` as 1, 2, ... and completes; returns the whole content. The object's ETag
  // is kept in etag_.
  std::string MultipartObject(const std::vector<std::string>& parts) {
    std::vector<int> numbers;
    std::string whole;
    for (const auto& part : parts) {
      numbers.push_back(static_cast<int>(numbers.size()) + 1);
      whole += part;
    }
    const auto [upload_id, body] = UploadParts(parts, numbers);
    const auto done = Call("POST", path_ + "?uploadId=" + upload_id, "post", body);
    EXPECT_EQ(done.status, 200) << done.body;
    etag_ = CompositeOf(parts);
    EXPECT_EQ(done.Header("ETag"), etag_);
    return whole;
  }

  // How many content files the server keeps once it has unlinked what it dropped (in the
  // background); waits at most 10 s for `expected`.
  size_t StoredFiles(size_t expected) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      size_t count = 0;
      for (const auto& entry :
           fs::recursive_directory_iterator(backend_->data_dir() + "/objects/blobs")) {
        count += entry.is_regular_file();
      }
      if (count == expected || std::chrono::steady_clock::now() > deadline) return count;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  std::string etag_;

  std::string UsedSpace() {
    return Api(alice_).Post("/v2/meetlog/query/record-capacity", {})["data"].value("usedspace",
                                                                                     "?");
  }

  // The whole object and ranges across its part boundaries read back as `whole`, with the
  // ETag etag_.
  void ExpectServed(const std::string& whole, const std::vector<size_t>& boundaries) {
    const auto get = Call("GET", path_, "get");
    ASSERT_EQ(get.status, 200) << get.body;
    EXPECT_TRUE(get.body == whole) << "the body differs, " << get.body.size() << " bytes";
    EXPECT_EQ(get.Header("ETag"), etag_);
    const auto head = Call("HEAD", path_, "head");
    EXPECT_EQ(head.Header("Content-Length"), std::to_string(whole.size()));
    for (size_t boundary : boundaries) {
      const size_t first = boundary - 7;
      const size_t last = boundary + 6;
      const auto range = Call("GET", path_, "get", "",
                              {{"Range", "bytes=" + std::to_string(first) + "-" +
                                             std::to_string(last)}});
      EXPECT_EQ(range.status, 206);
      EXPECT_TRUE(range.body == whole.substr(first, last - first + 1)) << "at " << boundary;
      EXPECT_EQ(range.Header("Content-Range"), "bytes " + std::to_string(first) + "-" +
                                                   std::to_string(last) + "/" +
                                                   std::to_string(whole.size()));
    }
  }
};

TEST_F(BackendMultipartObjectTest, RangesAcrossPartBoundariesReadTheJoinedParts) {
  const std::vector<std::string> parts = {Content(100000, 1), Content(70001, 2),
                                          Content(1, 3), Content(50000, 4)};
  const std::string whole = MultipartObject(parts);
  ExpectServed(whole, {100000, 170001, 170002});
  // A range over every part, a suffix over the last two, and several ranges at once.
  const auto all = Call("GET", path_, "get", "", {{"Range", "bytes=99990-170010"}});
  EXPECT_TRUE(all.body == whole.substr(99990, 70021));
  const auto suffix = Call("GET", path_, "get", "", {{"Range", "bytes=-50002"}});
  EXPECT_TRUE(suffix.body == whole.substr(whole.size() - 50002));
  const auto several = Call("GET", path_, "get", "", {{"Range", "bytes=99999-100000,170001-170002"}});
  EXPECT_EQ(several.status, 206);
  EXPECT_NE(several.Header("Content-Type").find("multipart/byteranges"), std::string::npos);
  EXPECT_NE(several.body.find(whole.substr(99999, 2)), std::string::npos);
  EXPECT_NE(several.body.find(whole.substr(170001, 2)), std::string::npos);
  // The parts are the object: no copy was made, and the quota counts the object once.
  EXPECT_EQ(StoredFiles(parts.size()), parts.size());
  EXPECT_EQ(UsedSpace(), std::to_string(whole.size()));
}

TEST_F(BackendMultipartObjectTest, OverwriteAndDeleteRemoveEveryPart) {
  MultipartObject({Content(4096, 1), Content(4096, 2), Content(10, 3)});
  ASSERT_EQ(StoredFiles(3u), 3u);
  const std::string replacement = MultipartObject({Content(5000, 4), Content(5000, 5)});
  EXPECT_EQ(StoredFiles(2u), 2u);
  ExpectServed(replacement, {5000});
  ASSERT_EQ(Call("PUT", path_, "put", "single body").status, 200);
  EXPECT_EQ(StoredFiles(1u), 1u);
  EXPECT_EQ(Call("GET", path_, "get").body, "single body");

  const std::string again = MultipartObject({Content(3000, 6), Content(3000, 7)});
  EXPECT_EQ(UsedSpace(), std::to_string(again.size()));
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/delete", {{"record_id", start_["record_id"]}})["code"],
            0);
  EXPECT_EQ(StoredFiles(0u), 0u);
  EXPECT_EQ(UsedSpace(), "0");
}

TEST_F(BackendMultipartObjectTest, RestartAndKillKeepTheObjectReadable) {
  const std::string whole = MultipartObject({Content(65536, 1), Content(65536, 2), Content(99, 3)});
  EXPECT_EQ(Complete(alice_, start_, static_cast<int64_t>(whole.size()))["code"], 0);
  Restart();
  ExpectServed(whole, {65536, 131072});
  backend_->Kill();
  ASSERT_TRUE(backend_->Start()) << backend_->log();
  ExpectServed(whole, {65536, 131072});
  EXPECT_EQ(StoredFiles(3u), 3u);
}

TEST_F(BackendMultipartObjectTest, KillDuringCompletionLeavesNothingOrTheWholeObject) {
  // Part numbers with gaps, as a client may send them.
  std::vector<std::string> parts;
  std::vector<int> numbers;
  std::string whole;
  for (int i = 0; i < 12; ++i) {
    parts.push_back(Content(1 << 20, 100 + i));
    numbers.push_back(1 + 2 * i);
    whole += parts.back();
  }
  etag_ = CompositeOf(parts);
  int completed = 0;
  int interrupted = 0;
  for (int delay_ms : {0, 10, 20, 35, 50, 80, 160}) {
    SCOPED_TRACE("killed " + std::to_string(delay_ms) + " ms into the completion");
    // The object a completion replaces; an interrupted one must leave it as it was.
    ASSERT_EQ(Call("PUT", path_, "put", "placeholder").status, 200);
    const auto [upload_id, body] = UploadParts(parts, numbers);
    std::thread completion([&, upload_id = upload_id, body = body] {
      Call("POST", path_ + "?uploadId=" + upload_id, "post", body);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    backend_->Kill();
    completion.join();
    ASSERT_TRUE(backend_->Start()) << backend_->log();

    const auto head = Call("HEAD", path_, "head");
    const auto listed = Call("GET", path_ + "?uploadId=" + upload_id, "get");
    if (head.status == 200 && head.Header("ETag") == etag_) {
      ++completed;
      EXPECT_EQ(head.Header("Content-Length"), std::to_string(whole.size()));
      EXPECT_EQ(listed.status, 404);
      ExpectServed(whole, {1 << 20, 6 << 20});
    } else {
      // Not completed: the old object is untouched, the upload is whole and can still finish.
      ++interrupted;
      EXPECT_EQ(head.Header("ETag"), "\"" + Md5Hex("placeholder") + "\"");
      ASSERT_EQ(listed.status, 200) << listed.body;
      EXPECT_EQ(listed.Json()["parts"].size(), parts.size());
      ASSERT_EQ(Call("POST", path_ + "?uploadId=" + upload_id, "post", body).status, 200);
      ExpectServed(whole, {1 << 20, 6 << 20});
    }
    // Nothing is left over either way: the object's parts and nothing else.
    EXPECT_EQ(StoredFiles(parts.size()), parts.size());
  }
  std::printf("completion killed: %d times before it committed, %d after\n", interrupted,
              completed);
}

}  // namespace
}  // namespace qr_backend::testing
