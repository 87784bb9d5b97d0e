// A whole key-value store opened on any key and value files another run left behind: the open
// replays the log and repairs what it must, every key it lists can be read, and a change made
// afterwards survives the next open together with everything else.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "fuzz/fuzz_temp_dir.h"
#include "host/base/tkv/tkv.h"

namespace {

using base::tkv::TKV;

const FuzzTempDir& Dir() {
  static const FuzzTempDir dir("tkv-store");
  return dir;
}

std::shared_ptr<TKV> OpenStore() {
  return TKV::CreateInDirectory(Dir().File(""), "store", TKV::VersionConfig::KeepOldVersionAndUseLatestVersionForNewFile);
}

std::map<std::string, std::string> ReadAll(const TKV& store) {
  std::map<std::string, std::string> all;
  for (const std::string& key : store.GetAllKeys()) {
    if (!store.GetString(key, &all[key])) std::abort();
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout: u16 LE key-file size, key-file bytes, value-file bytes. Size 0 leaves no key file.
  if (size < 2) return 0;
  const size_t key_size = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  const std::string key_path = Dir().File("store.tkvk");
  const std::string value_path = Dir().File("store.tkvv");
  std::remove(key_path.c_str());
  if (key_size > 0) WriteFuzzFile(key_path, data + 2, key_size);
  WriteFuzzFile(value_path, data + 2 + key_size, size - 2 - key_size);

  std::map<std::string, std::string> expected;
  {
    const auto store = OpenStore();
    if (!store) return 0;  // refused, e.g. a format version this build does not know
    expected = ReadAll(*store);
    if (!expected.empty()) {
      const std::string dropped = expected.begin()->first;
      if (!store->Remove(dropped) || store->Contains(dropped)) std::abort();
      expected.erase(dropped);
    }
    if (!store->SetString("fuzz:probe", "value")) std::abort();
    expected["fuzz:probe"] = "value";
  }
  const auto reopened = OpenStore();
  if (!reopened || ReadAll(*reopened) != expected) std::abort();
  return 0;
}
