#include "module/quick_record/model/cpu_generation_parser.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"

namespace quick_record {
namespace {

uint32_t Intel(const std::string& name) {
  uint32_t generation = 0;
  return CpuGenerationParser::ParseCpuInfoForIntel(name, &generation) ? generation : 0;
}

uint32_t Amd(const std::string& name) {
  uint32_t generation = 0;
  return CpuGenerationParser::ParseCpuInfoForAmd(name, &generation) ? generation : 0;
}

TEST(CpuGenerationParserTest, IntelGenerationsComeFromTheOrdinalOrTheModelNumber) {
  EXPECT_EQ(Intel("Intel(R) Core(TM) i7-10750H CPU @ 2.60GHz"), 10u);
  EXPECT_EQ(Intel("11th Gen Intel(R) Core(TM) i5-1135G7 @ 2.40GHz"), 11u);
  EXPECT_EQ(Intel("12th Gen Intel(R) Core(TM) i7-1260P"), 12u);
  EXPECT_EQ(Intel("Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"), 8u);
  EXPECT_EQ(Intel("Intel(R) Core(TM) i7-1165G7"), 11u);
  EXPECT_EQ(Intel("Intel(R) Core(TM) i9-12900K"), 12u);
}

TEST(CpuGenerationParserTest, IntelNamesOfAnotherFormAreNotFound) {
  base::logging::ScopedLogCapture log;
  // An ordinal below 11 or a name too short does not count; then the "Intel Core" form decides.
  EXPECT_EQ(Intel("10th Gen Intel(R) Core(TM) i5"), 0u);
  EXPECT_EQ(Intel("11th Gen Intel(R) Core(TM)"), 0u);
  EXPECT_EQ(Intel("Intel(R) Xeon(R) CPU E5-2680 v4"), 0u);
  EXPECT_EQ(Intel("Intel(R) Core(TM) i7 CPU"), 0u);
  EXPECT_EQ(Intel("Intel(R) Core(TM) m3-Y30"), 0u);
  EXPECT_EQ(Intel(""), 0u);
  EXPECT_TRUE(log.Contains("not found model name=Intel(R) Xeon(R) CPU E5-2680 v4"));
}

TEST(CpuGenerationParserTest, AmdGenerationIsTheModelNumbersFirstDigit) {
  EXPECT_EQ(Amd("AMD Ryzen 7 5800X 8-Core Processor"), 5u);
  EXPECT_EQ(Amd("AMD Ryzen 5 3600 6-Core Processor"), 3u);
  EXPECT_EQ(Amd("AMD Ryzen 9 PRO 7940HS"), 7u);
  EXPECT_EQ(Amd("AMD Ryzen Threadripper PRO 3995WX 64-Cores"), 3u);
}

TEST(CpuGenerationParserTest, AmdSeriesOutsideThreeFiveSevenNineIsRefused) {
  base::logging::ScopedLogCapture log;
  EXPECT_EQ(Amd("AMD Ryzen 4 5800X"), 0u);
  EXPECT_TRUE(log.Contains("assert "));
  EXPECT_EQ(Amd("AMD EPYC 7763 64-Core Processor"), 0u);
  EXPECT_EQ(Amd("AMD Ryzen 7"), 0u);
}

TEST(CpuGenerationParserTest, ParseChoosesTheVendorByTheName) {
  EXPECT_EQ(CpuGenerationParser::Parse("AMD Ryzen 7 5800X"), 5u);
  EXPECT_EQ(CpuGenerationParser::Parse("Intel(R) Core(TM) i7-10750H"), 10u);
  EXPECT_EQ(CpuGenerationParser::Parse("QEMU Virtual CPU version 2.5+"), 0u);
  // Only the first 128 bytes of a name are read.
  EXPECT_EQ(CpuGenerationParser::Parse(std::string(130, 'x') + " 11th Gen Intel(R) Core(TM) i5-1135G7"), 0u);
}

}  // namespace
}  // namespace quick_record
