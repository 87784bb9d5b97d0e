// Failures a recording must survive: the process killed at any moment, and a disk that fills up.

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>
#include <thread>

#include "host/base/threading/clock.h"
#include "recording_fixture.h"

namespace quickrec::testing {
namespace {

using namespace kvp::av;

const std::string kTool = QUICKREC_BIN_DIR "/qr-media-record";

// A child process running the record tool, with its standard output read line by line.
class ToolProcess {
 public:
  explicit ToolProcess(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(kTool.c_str()));
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(kTool.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    output_ = fdopen(out[0], "r");
  }
  ~ToolProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (output_) fclose(output_);
  }
  // The next line of output; empty at the end.
  std::string ReadLine() {
    char line[512];
    return output_ && fgets(line, sizeof(line), output_) ? std::string(line) : std::string();
  }
  void Kill() { kill(pid_, SIGKILL); }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
};

// Every indexed frame of a stream decodes: the frames the index lists, copied into a plain file,
// all come out of ffprobe.
void ExpectIndexedFramesDecode(const std::string& path, bool video, const std::string& scratch) {
  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(path));
  ASSERT_FALSE(reader.records().empty()) << path;
  ASSERT_TRUE(ExtractIndexedFrames(path, scratch));
  const ProbeResult probe = video ? ProbeH264(scratch) : ProbeAdts(scratch);
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(static_cast<int64_t>(reader.records().size()), probe.count) << path;
}

class MediaFailureTest : public RecordingFixture {};

TEST_F(MediaFailureTest, RecorderKilledMidRecordingLeavesDecodableFilesMissingAtMostASecond) {
  // Headless, so the child records the synthetic screen and camera.
  unsetenv("DISPLAY");
  std::mt19937 random(static_cast<unsigned>(base::clock::SteadyMs()));
  const int kill_after_ms = 2000 + static_cast<int>(random() % 1500);
  ToolProcess tool({"--out", base_, "--seconds", "60", "--mode", "3", "--width", "1280", "--height", "720"});
  const std::string started = tool.ReadLine();
  ASSERT_EQ(0u, started.rfind("started ", 0)) << started;
  const int64_t started_ms = std::atoll(started.c_str() + 8);
  std::this_thread::sleep_for(std::chrono::milliseconds(kill_after_ms));
  const int64_t killed_ms = base::clock::SteadyMs();
  tool.Kill();
  tool.Wait();

  ExpectIndexedFramesDecode(files()[0], true, dir_.Child("video.h264"));
  ExpectIndexedFramesDecode(files()[1], false, dir_.Child("audio.aac"));
  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  EXPECT_GE(video.EndUs() / 1000, killed_ms - started_ms - 1000) << "lost more than the last second";
  RawStreamReader audio;
  ASSERT_TRUE(audio.Open(files()[1]));
  EXPECT_GE(audio.EndUs() / 1000, killed_ms - started_ms - 1000) << "lost more than the last second";
}

TEST_F(MediaFailureTest, FileSizeLimitInTheMiddleOfARecordingIsNoSpace) {
  unsetenv("DISPLAY");
  ToolProcess tool({"--out", base_, "--seconds", "30", "--mode", "1", "--file-size-limit", "300000"});
  std::vector<std::string> lines;
  for (std::string line = tool.ReadLine(); !line.empty(); line = tool.ReadLine()) lines.push_back(line);
  const int status = tool.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "exception -211\n"));
  ExpectIndexedFramesDecode(files()[0], true, dir_.Child("video.h264"));
}

TEST_F(MediaFailureTest, FullFileSystemYieldsNoSpaceAndKeepsWhatWasWritten) {
  // A small tmpfs in a mount namespace of this test process; needs the right to mount.
  const std::string mount_point = dir_.Child("small");
  ASSERT_EQ(0, mkdir(mount_point.c_str(), 0700));
  if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here";
  }
  StartEngine(true);
  engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kScreen, "", 0});
  base_ = mount_point + "/rec";
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  ASSERT_TRUE(observer_.WaitFor([](const EngineObserver& o) { return !o.exceptions().empty(); }, 60000));
  EXPECT_EQ(kErrNoSpace, observer_.exceptions().front());
  // The recorder reacts as it would: off and finalise, from the exception's thread or any other.
  EXPECT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  recorder()->Finalize();
  EXPECT_EQ(1u, observer_.exceptions().size());
  const std::string scratch = dir_.Child("video.h264");
  ExpectIndexedFramesDecode(files()[0], true, scratch);
  engine_.reset();
  umount(mount_point.c_str());
}

}  // namespace
}  // namespace quickrec::testing
