#pragma once

#include <cstdint>

namespace qr_transcoder {

// "result" of "quick_record:transcode_finish". The module turns -2 and -6 into one "bad input"
// code, -11 into "no room", -16 into "muxer failure" and -21 into "stopped"
// (docs/transcoder.md).
enum TranscodeResult : int32_t {
  kTranscodeOk = 0,
  kTranscodeOther = -1,
  kTranscodeInputMissing = -2,   // a stream file named in the task cannot be opened
  kTranscodeInputBroken = -6,    // no frames, no key frame first, unreadable codec data
  kTranscodeOutputFailed = -11,  // the MP4 (or M4A) could not be written: disk full, size limit
  kTranscodeMuxerFailed = -16,   // libavformat refused the header or a packet
  kTranscodeStopped = -21,       // "quick_record:stop_transcode" ended the task first
};

}  // namespace qr_transcoder
