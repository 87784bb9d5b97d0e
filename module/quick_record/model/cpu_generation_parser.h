#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// Reads the vendor generation out of a CPU model name, as the media configuration grades
// machines by it: "Intel(R) Core(TM) i7-10750H" is generation 10, "11th Gen Intel(R) Core(TM)
// i5-1135G7" 11, "AMD Ryzen 7 5800X" 5. Pure functions; false (and a log line) when the name does
// not have the vendor's form.
class CpuGenerationParser {
 public:
  // The model names are cut to this many bytes, like the kernel's.
  static constexpr size_t kMaxModelNameBytes = 128;

  static bool ParseCpuInfoForIntel(const std::string& model_name, uint32_t* generation);
  static bool ParseCpuInfoForAmd(const std::string& model_name, uint32_t* generation);
  // Either vendor; 0 when neither form matches.
  static uint32_t Parse(const std::string& model_name);
};

}  // namespace quick_record
