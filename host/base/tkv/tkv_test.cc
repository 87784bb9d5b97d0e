#include "host/base/tkv/tkv.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace base::tkv {
namespace {

constexpr auto kConfig = TKV::VersionConfig::KeepOldVersionAndUseLatestVersionForNewFile;

class TKVTest : public ::testing::Test {
 protected:
  std::shared_ptr<TKV> Open(const std::string& name = "store") { return TKV::CreateInDirectory(dir_.path(), name, kConfig); }

  std::string ReadFile(const std::string& path) {
    std::string contents;
    EXPECT_TRUE(util::file::ReadFileToString(path, &contents));
    return contents;
  }

  util::file::ScopedTempDir dir_;
};

TEST_F(TKVTest, ValuesSurviveReopening) {
  {
    auto store = Open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->GetKeyFilePath(), dir_.Child("store.tkvk"));
    EXPECT_EQ(store->GetValueFilePath(), dir_.Child("store.tkvv"));
    EXPECT_EQ(store->format_version(), format::kLatestVersion);
    ASSERT_TRUE(store->SetString("a", "1"));
    ASSERT_TRUE(store->SetString("b", std::string("two\0bytes", 9)));
    ASSERT_TRUE(store->SetString("a", "one"));
    ASSERT_TRUE(store->SetString("empty", ""));
  }
  auto store = Open();
  ASSERT_TRUE(store);
  EXPECT_EQ(store->GetString("a", "?"), "one");
  EXPECT_EQ(store->GetString("b", "?"), std::string("two\0bytes", 9));
  std::string value = "untouched";
  EXPECT_TRUE(store->GetString("empty", &value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(store->GetString("missing", &value));
  EXPECT_EQ(store->GetString("missing", "default"), "default");
  EXPECT_EQ(store->GetAllKeys(), (std::vector<std::string>{"a", "b", "empty"}));
}

TEST_F(TKVTest, RemoveAndClearPersist) {
  {
    auto store = Open();
    for (const char* key : {"x", "y", "z"}) ASSERT_TRUE(store->SetString(key, key));
    ASSERT_TRUE(store->Remove("y"));
    EXPECT_TRUE(store->Remove("never-there"));
    EXPECT_FALSE(store->Contains("y"));
  }
  {
    auto store = Open();
    EXPECT_EQ(store->GetAllKeys(), (std::vector<std::string>{"x", "z"}));
    ASSERT_TRUE(store->Clear());
    EXPECT_TRUE(store->GetAllKeys().empty());
    ASSERT_TRUE(store->SetString("after", "clear"));
  }
  auto store = Open();
  EXPECT_EQ(store->GetAllKeys(), (std::vector<std::string>{"after"}));
}

TEST_F(TKVTest, OneObjectPerStoreInAProcess) {
  auto first = Open("shared");
  auto second = Open("shared");
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, Open("other"));
  first.reset();
  second.reset();
  // Released stores can be opened again at once.
  EXPECT_TRUE(Open("shared"));
}

TEST_F(TKVTest, NamesMustBePlainFileNames) {
  for (const char* name : {"", "a/b", "..", "."}) EXPECT_EQ(Open(name), nullptr) << name;
  EXPECT_TRUE(Open("meetlog.local_upload.tasks_tkv_name"));
}

TEST_F(TKVTest, TornLastRecordIsCutAndTheOldValueStays) {
  {
    auto store = Open();
    ASSERT_TRUE(store->SetString("k", "old value"));
  }
  const int64_t committed = util::file::GetFileLength(dir_.Child("store.tkvv"));
  {
    auto store = Open();
    ASSERT_TRUE(store->SetString("k", std::string(1000, 'n')));
  }
  // A writer killed part-way through its record: only some of the bytes reached the file.
  for (int64_t keep : {int64_t{1}, int64_t{12}, int64_t{500}, int64_t{1016}}) {
    SCOPED_TRACE(keep);
    ASSERT_EQ(::truncate(dir_.Child("store.tkvv").c_str(), committed + keep), 0);
    auto store = Open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->GetString("k", "?"), "old value");
    EXPECT_EQ(util::file::GetFileLength(dir_.Child("store.tkvv")), committed);
  }
  auto store = Open();
  ASSERT_TRUE(store->SetString("k", "new value"));
  store.reset();
  EXPECT_EQ(Open()->GetString("k", "?"), "new value");
}

TEST_F(TKVTest, ACorruptRecordIsNotBelieved) {
  {
    auto store = Open();
    ASSERT_TRUE(store->SetString("k", "first"));
    ASSERT_TRUE(store->SetString("k", "second"));
  }
  // The index would point at the damaged value; without it the log is replayed and checked.
  util::file::Remove(dir_.Child("store.tkvk"));
  std::string log = ReadFile(dir_.Child("store.tkvv"));
  log[log.size() - 6] ^= 0x40;  // inside "second"
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("store.tkvv"), log));
  EXPECT_EQ(Open()->GetString("k", "?"), "first");
}

TEST_F(TKVTest, LostOrForeignIndexIsRebuiltFromTheLog) {
  {
    auto store = Open();
    ASSERT_TRUE(store->SetString("a", "1"));
    ASSERT_TRUE(store->SetString("b", "2"));
  }
  const std::string old_index = ReadFile(dir_.Child("store.tkvk"));
  util::file::Remove(dir_.Child("store.tkvk"));
  {
    auto store = Open();
    EXPECT_EQ(store->GetAllKeys(), (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(store->Clear());
    ASSERT_TRUE(store->SetString("c", "3"));
  }
  // An index of the log before Clear describes another generation and must be ignored.
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("store.tkvk"), old_index));
  auto store = Open();
  EXPECT_EQ(store->GetAllKeys(), (std::vector<std::string>{"c"}));
  EXPECT_EQ(store->GetString("c", "?"), "3");
}

TEST_F(TKVTest, ManyAppendsAreFoundWithAnIndexThatLagsBehind) {
  {
    auto store = Open();
    for (int i = 0; i < 150; ++i) ASSERT_TRUE(store->SetString("key" + std::to_string(i % 40), std::to_string(i)));
    // Keep a copy of the files as they are now, as a killed process would leave them.
    ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("copy.tkvv"), ReadFile(store->GetValueFilePath())));
    ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("copy.tkvk"), ReadFile(store->GetKeyFilePath())));
  }
  auto copy = Open("copy");
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetAllKeys().size(), 40u);
  for (int k = 0; k < 40; ++k) {
    const int last = k + 120 < 150 ? k + 120 : k + 80;
    EXPECT_EQ(copy->GetString("key" + std::to_string(k), "?"), std::to_string(last)) << k;
  }
}

TEST_F(TKVTest, RewritingOneKeyKeepsTheLogSmall) {
  const std::string big(64 * 1024, 'v');
  {
    auto store = Open();
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(store->SetString("k", big + std::to_string(i)));
    ASSERT_TRUE(store->SetString("small", "s"));
  }
  EXPECT_LT(util::file::GetFileLength(dir_.Child("store.tkvv")), 1024 * 1024);
  auto store = Open();
  EXPECT_EQ(store->GetString("k", "?"), big + "199");
  EXPECT_EQ(store->GetString("small", "?"), "s");
}

TEST_F(TKVTest, FilesItCannotReadAreLeftAlone) {
  std::string header = format::EncodeValueHeader(format::ValueHeader{format::kLatestVersion + 1, 5});
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("newer.tkvv"), header));
  EXPECT_EQ(Open("newer"), nullptr);
  EXPECT_EQ(ReadFile(dir_.Child("newer.tkvv")), header);

  const std::string text = "this is somebody's notes file, long enough to have a header";
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("notes.tkvv"), text));
  EXPECT_EQ(Open("notes"), nullptr);
  EXPECT_EQ(ReadFile(dir_.Child("notes.tkvv")), text);
}

TEST_F(TKVTest, LeftoversOfKilledWritersAreRemoved) {
  { ASSERT_TRUE(Open()->SetString("k", "v")); }
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("store.tkvk.tmp-99999-0"), "half an index"));
  ASSERT_TRUE(util::file::WriteFileAtomically(dir_.Child("store.tkvv.compact"), "half a log"));
  auto store = Open();
  EXPECT_EQ(store->GetString("k", "?"), "v");
  EXPECT_FALSE(util::file::IsFileExist(dir_.Child("store.tkvk.tmp-99999-0")));
  EXPECT_FALSE(util::file::IsFileExist(dir_.Child("store.tkvv.compact")));
}

}  // namespace
}  // namespace base::tkv
