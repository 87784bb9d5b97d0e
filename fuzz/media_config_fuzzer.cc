// The media configuration as the host's dynamic resource delivers it: any file either parses into
// presets and CPU-power entries that the queries answer from, or leaves the built-in profiles in
// force; a preset item's value always has the type the item names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_temp_dir.h"
#include "module/quick_record/model/quick_record_media_config.h"

namespace {

using quick_record::QuickRecordMediaConfig;

const FuzzTempDir& Dir() {
  static const FuzzTempDir dir("media-config");
  return dir;
}

void CheckItems(const std::vector<quick_record::MediaPresetItem>& items) {
  for (const auto& item : items) {
    const bool typed = (item.type == "string" && item.value.IsString()) ||
                       (item.type == "int" && item.value.IsInteger()) ||
                       (item.type == "double" && item.value.IsNumber());
    if (!typed) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzFile(Dir().File("media_config.json"), data, size);
  // "win" is the architecture whose presets and ultrafast rule differ from the default ones.
  for (const char* arch : {"", "win"}) {
    QuickRecordMediaConfig config(arch);
    config.SetLocation(Dir().File(""), "media_config.json");
    const bool parsed = config.CheckParseConfigIfNeed();
    if (config.CheckParseConfigIfNeed() != parsed) std::abort();
    for (const int32_t height : {0, 360, 720, 1080, 1440, 2160, -1}) {
      for (const int32_t fps : {0, 15, 30, 60}) {
        const std::string name = config.PresetName(height, fps);
        CheckItems(config.QueryPreset(height, fps));
        const auto power = config.FindCpuPower(height, fps);
        if (power && (static_cast<int32_t>(power->hd) != height || static_cast<int32_t>(power->fps) != fps)) {
          std::abort();
        }
        if (!parsed && name != QuickRecordMediaConfig::BuiltInProfileName(height, fps)) std::abort();
      }
    }
    config.ShouldShowResolution2K("Intel(R) Core(TM) i7-10750H CPU @ 2.60GHz", 10);
    config.ShouldShowResolution2K("", 0);
  }
  return 0;
}
