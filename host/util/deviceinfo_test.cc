#include "host/util/deviceinfo.h"

#include <gtest/gtest.h>

#include "host/util/scoped_temp_dir.h"

namespace util::deviceinfo {
namespace {

// Two sockets, two cores each, two threads per core: 8 logical, 4 physical.
constexpr char kTwoSockets[] = R"(processor	: 0
model name	: Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz
physical id	: 0
core id		: 0

processor	: 1
model name	: Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz
physical id	: 0
core id		: 1

processor	: 2
physical id	: 1
core id		: 0

processor	: 3
physical id	: 1
core id		: 1

processor	: 4
physical id	: 0
core id		: 0

processor	: 5
physical id	: 0
core id		: 1

processor	: 6
physical id	: 1
core id		: 0

processor	: 7
physical id	: 1
core id		: 1
)";

TEST(DeviceInfoTest, CountsLogicalAndPhysicalProcessors) {
  const CpuInfo info = ParseCpuInfo(kTwoSockets);
  EXPECT_EQ(info.model_name, "Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz");
  EXPECT_EQ(info.logical_count, 8);
  EXPECT_EQ(info.physical_count, 4);
}

TEST(DeviceInfoTest, WithoutTopologyThePhysicalCountIsTheLogicalOne) {
  // Some virtual machines and ARM kernels list neither physical nor core ids, nor a model name.
  const CpuInfo info = ParseCpuInfo("processor : 0\nBogoMIPS : 50.00\n\nprocessor : 1\nBogoMIPS : 50.00\n");
  EXPECT_EQ(info.model_name, "");
  EXPECT_EQ(info.logical_count, 2);
  EXPECT_EQ(info.physical_count, 2);
  EXPECT_EQ(ParseCpuInfo("").logical_count, 0);
}

TEST(DeviceInfoTest, ThisMachineHasProcessorsAndDisk) {
  EXPECT_GE(GetLogicalCpuCount(), 1);
  EXPECT_GE(GetLogicalCpuCount(), GetPhysicalCpuCount());
  util::file::ScopedTempDir dir;
  EXPECT_GT(GetDiskSpace(dir.path()), 0);
  EXPECT_EQ(GetDiskSpace(dir.Child("does/not/exist")), -1);
  EXPECT_EQ(GetDiskSpace(""), -1);
}

TEST(DeviceInfoTest, ParsesProcStatAndProcSelfStat) {
  const std::string stat = "cpu  100 5 50 800 40 3 2 0 0 0\ncpu0 50 2 25 400 20 1 1 0 0 0\n";
  // The command name holds blanks and a ')' to make sure fields count from the last one.
  const std::string self = "4242 (qr host) x) S 1 4242 4242 0 -1 4194560 100 0 0 0 17 4 0 0 20 0 5 0 100 0 0";
  CpuTimes times;
  ASSERT_TRUE(ParseCpuTimes(stat, self, &times));
  EXPECT_EQ(times.process, 21u);
  EXPECT_EQ(times.total, 1000u);
  EXPECT_EQ(times.busy, 160u);
  EXPECT_FALSE(ParseCpuTimes("intr 1 2 3", self, &times));
  EXPECT_FALSE(ParseCpuTimes(stat, "no parenthesis", &times));
}

TEST(DeviceInfoTest, RatesAreShareOfTheWholeMachineBetweenReadings) {
  double app = -1;
  double system = -1;
  ASSERT_TRUE(ComputeCpuRates({10, 200, 1000}, {35, 450, 1500}, &app, &system));
  EXPECT_DOUBLE_EQ(app, 5.0);
  EXPECT_DOUBLE_EQ(system, 50.0);
  EXPECT_FALSE(ComputeCpuRates({10, 200, 1000}, {10, 200, 1000}, &app, &system));
  // Counters that went backwards (another process's view, a wrap) do not give negative rates.
  ASSERT_TRUE(ComputeCpuRates({50, 900, 1000}, {40, 800, 1100}, &app, &system));
  EXPECT_DOUBLE_EQ(app, 0.0);
  EXPECT_DOUBLE_EQ(system, 0.0);
}

TEST(DeviceInfoTest, ThisMachinesCountersAreReadable) {
  CpuTimes times;
  ASSERT_TRUE(ReadCpuTimes(&times));
  EXPECT_GT(times.total, 0u);
  EXPECT_LE(times.busy, times.total);
}

}  // namespace
}  // namespace util::deviceinfo
