// The transcoder's upload-state file as a crash may leave it: any bytes either load as a state that
// saves and loads back to the same values, or are refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_temp_dir.h"
#include "transcoder/upload_state.h"

namespace {

using qr_transcoder::UploadState;
using qr_transcoder::UploadStateFile;

const FuzzTempDir& Dir() {
  static const FuzzTempDir dir("upload-state");
  return dir;
}

bool SameParts(const UploadState& a, const UploadState& b) {
  if (a.parts.size() != b.parts.size()) return false;
  for (size_t i = 0; i < a.parts.size(); ++i) {
    if (a.parts[i].number != b.parts[i].number || a.parts[i].etag != b.parts[i].etag ||
        a.parts[i].size != b.parts[i].size) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = UploadStateFile::PathFor(Dir().File("out.mp4"));
  WriteFuzzFile(path, data, size);
  const auto state = UploadStateFile::Load(path);
  if (!state) return 0;
  if (state->part_size == 0) std::abort();
  const std::string again_path = UploadStateFile::PathFor(Dir().File("again.mp4"));
  if (!UploadStateFile::Save(again_path, *state)) std::abort();
  const auto again = UploadStateFile::Load(again_path);
  if (!again || again->instance_id != state->instance_id || again->object_url != state->object_url ||
      again->upload_id != state->upload_id || again->part_size != state->part_size ||
      again->muxed_bytes != state->muxed_bytes || again->record_complete != state->record_complete ||
      again->upload_complete != state->upload_complete || !SameParts(*again, *state) ||
      again->task.ToStyledString() != state->task.ToStyledString()) {
    std::abort();
  }
  return 0;
}
