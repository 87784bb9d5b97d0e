#include "module/quick_record/data/service/local_record_file_utils.h"

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/media/stream/muxer_media_info.h"
#include "host/util/crypto.h"
#include "module/quick_record/data/record/cloud_record_item_converter.h"

namespace quick_record {
namespace {

constexpr char kConvertedPrefix[] = "meeting_";
constexpr char kRawPrefix[] = "double_click_to_convert_";
constexpr const char* kRawStreamEndings[] = {".kovtv", ".kovtc", ".kovta", ".kovtvidx", ".kovtaidx"};

// The path without the extension of its file name.
std::string Stem(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

// `stem` with the first `from` in its file name replaced by `to`.
std::string ReplaceInFileName(const std::string& stem, const std::string& from, const std::string& to) {
  const size_t slash = stem.rfind('/');
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  const size_t at = stem.find(from, name_start);
  if (at == std::string::npos) return stem;
  return stem.substr(0, at) + to + stem.substr(at + from.size());
}

void AddRawStreams(const std::string& stem, std::vector<std::string>* files) {
  for (const char* ending : kRawStreamEndings) files->push_back(stem + ending);
}

}  // namespace

int32_t LocalRecordFileUtils::GetVideoInfoDuration(const std::string& path) { return GetVideoInfo(path).duration; }

LocalRecordFileUtils::VideoInfo LocalRecordFileUtils::GetVideoInfo(const std::string& path) {
  VideoInfo info;
  muxer_param* param = muxer_media_info(path.c_str());
  if (!param) return info;
  info.duration = muxer_param_get_int32(param, "duration", 0);
  const muxer_param* video = muxer_param_dict_get(param, "video");
  info.width = muxer_param_get_int32(video, "width", 0);
  info.height = muxer_param_get_int32(video, "height", 0);
  muxer_param_free(param);
  return info;
}

std::map<std::string, int64_t> LocalRecordFileUtils::AnalysisRecordLengthAndRatio(const std::string& path) {
  const VideoInfo info = GetVideoInfo(path);
  return {{"width", info.width}, {"height", info.height}, {"duration_ms", info.duration}};
}

std::vector<std::string> LocalRecordFileUtils::GetAllRecordFilePath(const std::string& path) {
  std::vector<std::string> files;
  if (path.empty()) {
    KLOG(3) << "path is empty";
    return files;
  }
  const std::string stem = Stem(path);
  if (path.find(".mp4") != std::string::npos) {
    files.push_back(path);
    AddRawStreams(ReplaceInFileName(stem, kConvertedPrefix, kRawPrefix), &files);
  } else if (path.find("double_click_to_convert") != std::string::npos) {
    AddRawStreams(stem, &files);
    files.push_back(ReplaceInFileName(stem, kRawPrefix, kConvertedPrefix) + ".mp4.tmp");
  } else {
    KLOG(3) << "path is invalid " << path;
  }
  return files;
}

std::vector<LocalRecordDataInfo> LocalRecordFileUtils::ConvertPluginHistoryLocalRecordInfo(
    const PluginHistoryLocalRecordInfo& meeting) {
  std::vector<LocalRecordDataInfo> records;
  const auto files = base::json::JsonValue::Parse(meeting.meeting_screen_record_files);
  files.ForEachMember([&](const std::string& file_path, const base::json::JsonValue& time) {
    KLOG(6) << "meeting_screen_record_file_name:" << file_path << ", meeting_screen_record_time:" << time.AsString();
    LocalRecordDataInfo record;
    record.app_id = meeting.app_id;
    record.app_uid = meeting.app_uid;
    record.instance_id = util::crypto::Md5(file_path);
    record.meeting_id = meeting.meeting_id;
    record.period_id = meeting.period_id;
    record.meeting_code = meeting.meeting_code;
    record.record_title = meeting.meeting_subject;
    record.local_file_path = file_path;
    record.cover_path = Stem(file_path) + ".jpg";
    record.start_record_time = static_cast<int64_t>(CloudRecordItemConverter::ParseUnsignedDecimal(time.AsString()));
    record.data_type = kLocalDataTypeMeetingRecord;
    record.is_record_complete = true;
    records.push_back(std::move(record));
  });
  return records;
}

}  // namespace quick_record
