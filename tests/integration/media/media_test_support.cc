#include "media_test_support.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

namespace quickrec::testing {

namespace {

// "key=value" lines of ffprobe's default writer without section wrappers.
std::string Field(const std::string& output, const std::string& key) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "";
}

int64_t Number(const std::string& text) { return text.empty() ? -1 : std::atoll(text.c_str()); }

}  // namespace

std::string RunCommand(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  if (!pipe) return output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof(buffer), pipe.get())) output.append(buffer, n);
  return output;
}

ProbeResult ProbeH264(const std::string& path) {
  const std::string output =
      RunCommand("ffprobe -v error -f h264 -count_frames -select_streams v:0 -show_entries "
                 "stream=nb_read_frames,width,height -of default=nw=1 '" + path + "' 2>/dev/null");
  ProbeResult result;
  result.count = Number(Field(output, "nb_read_frames"));
  result.width = static_cast<int>(Number(Field(output, "width")));
  result.height = static_cast<int>(Number(Field(output, "height")));
  result.ok = result.count >= 0;
  return result;
}

ProbeResult ProbeAdts(const std::string& path) {
  const std::string output =
      RunCommand("ffprobe -v error -f aac -count_packets -select_streams a:0 -show_entries "
                 "stream=nb_read_packets,sample_rate -of default=nw=1 '" + path + "' 2>/dev/null");
  ProbeResult result;
  result.count = Number(Field(output, "nb_read_packets"));
  result.sample_rate = static_cast<int>(Number(Field(output, "sample_rate")));
  result.ok = result.count >= 0;
  return result;
}

bool ExtractIndexedFrames(const std::string& data_path, const std::string& out_path) {
  kvp::av::RawStreamReader reader;
  if (!reader.Open(data_path)) return false;
  std::ofstream out(out_path, std::ios::binary);
  std::vector<uint8_t> frame;
  for (size_t i = 0; i < reader.records().size(); ++i) {
    if (!reader.ReadFrame(i, &frame)) return false;
    out.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
  }
  return static_cast<bool>(out);
}

bool TimestampsContinuous(const std::vector<kvp::av::RawIndexRecord>& records) {
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].pts_us != records[i - 1].end_us()) return false;
  }
  return true;
}

bool TimestampsOrdered(const std::vector<kvp::av::RawIndexRecord>& records) {
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].pts_us < records[i - 1].end_us()) return false;
  }
  return true;
}

std::vector<std::string> PictureHashes(const std::string& h264_path) {
  std::istringstream lines(RunCommand("ffmpeg -v error -f h264 -i '" + h264_path + "' -f framemd5 - 2>/dev/null"));
  std::vector<std::string> hashes;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') hashes.push_back(line.substr(line.rfind(',') + 1));
  }
  return hashes;
}

int64_t DistinctPictures(const std::string& h264_path) {
  const std::vector<std::string> hashes = PictureHashes(h264_path);
  return static_cast<int64_t>(std::set<std::string>(hashes.begin(), hashes.end()).size());
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void EngineObserver::OnVideoFrame(const kvp::av::VideoFrameInfo& frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  frames_.push_back(frame);
  frames_.back().image = nullptr;
}

void EngineObserver::OnMediaException(int32_t code, const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  exceptions_.push_back(code);
}

void EngineObserver::OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  device_events_.push_back(event);
}

void EngineObserver::OnMicrophoneVolume(int32_t volume) {
  std::lock_guard<std::mutex> lock(mutex_);
  volumes_.push_back(volume);
}

std::vector<kvp::av::VideoFrameInfo> EngineObserver::frames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

std::vector<int32_t> EngineObserver::exceptions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return exceptions_;
}

std::vector<kvp::av::VideoDeviceEvent> EngineObserver::device_events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return device_events_;
}

std::vector<int32_t> EngineObserver::volumes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return volumes_;
}

}  // namespace quickrec::testing
