// qrhost record-raw as a user runs it: the module's recorder writes real files.

#include <gtest/gtest.h>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "qrhost_process.h"

namespace {

TEST(QrhostRecordRawTest, RecordsTheTestScreenWithoutADisplay) {
  util::file::ScopedTempDir dir;
  // Long enough for the cover, which comes from the first frame 1.5 s into the recording.
  const ProcessRun run = RunQrhost("--config /nonexistent/config.json record-raw --seconds 2 --out " + dir.path(),
                                   /*headless=*/true);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const std::string base = dir.path() + "/double_click_to_convert_quick_record";
  EXPECT_GT(util::file::GetFileLength(base + ".kovtv"), 0) << run.output;
  EXPECT_GT(util::file::GetFileLength(base + ".kovta"), 0) << run.output;
  EXPECT_GT(util::file::GetFileLength(base + ".kovtc"), 0) << run.output;
  EXPECT_NE(run.output.find("ffplay"), std::string::npos) << run.output;
}

TEST(QrhostRecordRawTest, BadOptionsAreRefusedBeforeAnythingStarts) {
  for (const char* args : {"record-raw --seconds 0", "record-raw --seconds x", "record-raw --bogus", "nonsense",
                           "record --seconds 0", "record --screen 1 --camera", "record --title", "record --bogus",
                           "backend restart"}) {
    const ProcessRun run = RunQrhost(std::string("--config /nonexistent/config.json ") + args, true);
    EXPECT_EQ(run.exit_code, 2) << args << "\n" << run.output;
  }
}

}  // namespace
