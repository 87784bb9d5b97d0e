#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "module/quick_record/data/db/local_record_data_types.h"

namespace quick_record {

// The files of local recordings: their video properties, read through the host's media-file
// reader, the files one recording consists of on disk, and the records of a history meeting's
// files. Thread-safe; reading a video may take a while, so keep it off busy loopers.
class LocalRecordFileUtils {
 public:
  struct VideoInfo {
    int32_t duration = 0;  // milliseconds
    int32_t width = 0;
    int32_t height = 0;
  };

  // The container's "duration"; 0 when the file cannot be read.
  static int32_t GetVideoInfoDuration(const std::string& path);
  // Duration, width and height; 0 for what the file does not have.
  static VideoInfo GetVideoInfo(const std::string& path);
  // {"width", "height", "duration_ms"}.
  static std::map<std::string, int64_t> AnalysisRecordLengthAndRatio(const std::string& path);

  // The files of one local meeting recording, which exists either as a converted
  // "meeting_<x>.mp4" or as the raw streams "double_click_to_convert_<x>.*" (converted on demand):
  // for an .mp4 the file and the raw streams it came from; for a raw stream the five stream files
  // and the unfinished conversion "meeting_<x>.mp4.tmp". Empty for an empty or any other path.
  static std::vector<std::string> GetAllRecordFilePath(const std::string& path);

  // One record per file listed in the meeting's record files (a JSON object: file path → start
  // time as decimal text), as a local meeting recording of the meeting's owner. The instance id
  // is the MD5 of the file path, so converting the same meeting again gives the same records.
  static std::vector<LocalRecordDataInfo> ConvertPluginHistoryLocalRecordInfo(const PluginHistoryLocalRecordInfo& info);
};

}  // namespace quick_record
