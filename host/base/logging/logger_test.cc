#include "host/base/logging/logger.h"

#include <gtest/gtest.h>

namespace base::logging {
namespace {

int Expensive(int* calls) {
  ++*calls;
  return 1;
}

TEST(LoggerTest, DisabledLevelDoesNotEvaluateItsArguments) {
  ScopedLogCapture capture;
  SetLevel(3);
  int calls = 0;
  KLOG(6) << "routine " << Expensive(&calls);
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(capture.Contains("routine"));
  KLOG(3) << "warning " << Expensive(&calls);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(capture.Contains("warning 1"));
}

TEST(LoggerTest, LinesCarryFileBaseNameLineAndFunction) {
  ScopedLogCapture capture;
  KLOG(1) << "failure " << 42;
  const auto records = capture.sink().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].level, 1);
  EXPECT_EQ(records[0].file, "logger_test.cc");
  EXPECT_GT(records[0].line, 0);
  EXPECT_EQ(records[0].function, "TestBody");
  EXPECT_EQ(records[0].message, "failure 42");
  const std::string line = FormatRecord(records[0]);
  EXPECT_NE(line.find("logger_test.cc:"), std::string::npos);
  EXPECT_NE(line.find("[1]"), std::string::npos);
}

TEST(LoggerTest, CaptureRestoresTheLevel) {
  SetLevel(4);
  { ScopedLogCapture capture; }
  EXPECT_EQ(CurrentLevel(), 4);
  SetLevel(3);
}

}  // namespace
}  // namespace base::logging
