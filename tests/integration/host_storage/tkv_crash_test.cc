// The key-value store under kill -9: child processes write and are killed at random moments, and
// the value read afterwards must always be a whole value that was written — the last one the
// child saw committed, or the one it was writing — never a torn mixture.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "host/base/logging/logger.h"
#include "host/base/tkv/tkv.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "killed_child.h"

namespace {

using base::tkv::TKV;
constexpr auto kConfig = TKV::VersionConfig::KeepOldVersionAndUseLatestVersionForNewFile;

// Value number i: 1 KiB to about 2 MiB, every byte derived from i, so any mix of two values shows.
std::string MakeValue(uint32_t i) {
  const size_t size = 1024 + (static_cast<size_t>(i) * 7919) % (2 * 1024 * 1024);
  std::string value = "v" + std::to_string(i) + ":";
  value.reserve(size);
  for (size_t j = value.size(); j < size; ++j) value.push_back(static_cast<char>('a' + (i + j) % 26));
  return value;
}

// The number of a well-formed value, or -1 when the value is not exactly MakeValue(n).
int64_t ValueNumber(const std::string& value) {
  if (value.size() < 3 || value[0] != 'v') return -1;
  const size_t colon = value.find(':');
  if (colon == std::string::npos) return -1;
  const uint32_t n = static_cast<uint32_t>(std::stoul(value.substr(1, colon - 1)));
  return MakeValue(n) == value ? n : -1;
}

// Runs in the child: sets "k" to value after value, reporting each committed number on `fd`.
[[noreturn]] void WriteForever(const std::string& dir, uint32_t first, int fd) {
  auto store = TKV::CreateInDirectory(dir, "crash", kConfig);
  if (!store) _exit(3);
  for (uint32_t i = first;; ++i) {
    if (!store->SetString("k", MakeValue(i))) _exit(4);
    if (::write(fd, &i, sizeof i) != sizeof i) _exit(5);
  }
}

TEST(TkvCrashTest, KilledWritersLeaveTheOldOrTheNewValueNeverATornOne) {
  util::file::ScopedTempDir dir;
  base::logging::ScopedLogCapture logs;
  {
    auto store = TKV::CreateInDirectory(dir.path(), "crash", kConfig);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->SetString("anchor", "written once, before any kill"));
    ASSERT_TRUE(store->SetString("k", MakeValue(0)));
  }
  std::mt19937 random(20240501);
  uint32_t on_disk = 0;     // the number "k" holds now
  uint32_t next_first = 1;  // numbers never repeat across rounds
  int new_value_kept = 0;
  constexpr int kRounds = 120;
  for (int round = 0; round < kRounds; ++round) {
    const uint32_t first = next_first;
    KilledChild child([&](int fd) { WriteForever(dir.path(), first, fd); });
    ASSERT_TRUE(child.started());
    // Let the child commit a few values, then kill it a random moment later.
    const int commits_before_kill = static_cast<int>(random() % 4);
    uint32_t committed = on_disk;
    bool have_commit = false;
    for (int i = 0; i < commits_before_kill; ++i) {
      uint32_t n;
      if (!child.ReadNumber(&n)) break;
      committed = n;
      have_commit = true;
    }
    if (round % 2 == 0) {
      // At a random moment: most of a write's time goes to fsync, so this mostly hits there.
      const auto spin_until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 4000);
      while (std::chrono::steady_clock::now() < spin_until) {
      }
    } else {
      // As soon as the log grows: the child is copying a record into the file right now.
      const std::string log = dir.Child("crash.tkvv");
      const int64_t size = util::file::GetFileLength(log);
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (util::file::GetFileLength(log) == size && std::chrono::steady_clock::now() < give_up) {
      }
    }
    ASSERT_TRUE(child.Kill());
    uint32_t n;
    while (child.ReadNumber(&n)) {
      committed = n;
      have_commit = true;
    }

    auto store = TKV::CreateInDirectory(dir.path(), "crash", kConfig);
    ASSERT_TRUE(store) << "round " << round;
    std::string value;
    ASSERT_TRUE(store->GetString("k", &value)) << "round " << round;
    const int64_t number = ValueNumber(value);
    ASSERT_GE(number, 0) << "round " << round << ": torn value of " << value.size() << " bytes";
    // The child was writing `committed + 1` (or `first` before its first commit) when it died.
    const uint32_t old_value = committed;
    const uint32_t in_flight = have_commit ? committed + 1 : first;
    ASSERT_TRUE(number == old_value || number == in_flight)
        << "round " << round << ": read " << number << ", committed " << old_value << ", in flight " << in_flight;
    new_value_kept += number == in_flight ? 1 : 0;
    EXPECT_EQ(store->GetString("anchor", "?"), "written once, before any kill");
    on_disk = static_cast<uint32_t>(number);
    next_first = std::max(on_disk, in_flight) + 1;
  }
  const size_t torn = logs.Count("bytes of an unfinished write");
  std::printf("%d kills: %zu left a torn record that was cut off, %d kept the value being written\n", kRounds, torn,
              new_value_kept);
  // The test proves something only if kills really landed in the middle of writes.
  EXPECT_GT(torn, 0u);
}

TEST(TkvCrashTest, AStoreOpenInAnotherProcessIsRefused) {
  util::file::ScopedTempDir dir;
  KilledChild holder([&](int fd) {
    auto store = TKV::CreateInDirectory(dir.path(), "held", kConfig);
    const uint32_t opened = store ? 1 : 0;
    if (::write(fd, &opened, sizeof opened) != sizeof opened) _exit(1);
    ::pause();
    _exit(0);
  });
  ASSERT_TRUE(holder.started());
  uint32_t opened = 0;
  ASSERT_TRUE(holder.ReadNumber(&opened));
  ASSERT_EQ(opened, 1u);
  EXPECT_EQ(TKV::CreateInDirectory(dir.path(), "held", kConfig), nullptr);
  ASSERT_TRUE(holder.Kill());
  EXPECT_NE(TKV::CreateInDirectory(dir.path(), "held", kConfig), nullptr);
}

}  // namespace
