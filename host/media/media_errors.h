#pragma once

#include <cstdint>

// Result codes of the media engine: 0 is success, every failure is one of the negative codes
// below (docs/media-engine.md lists when each is returned). They live in their own range so that
// callers can tell them apart from their own codes.
namespace kvp::av {

enum MediaResult : int32_t {
  kOk = 0,
  // A parameter is missing or out of range (mode, size, frame rate, empty file list).
  kErrInvalidArgument = -201,
  // The call does not fit the current state (finalise while recording, files of another recording
  // still open, pause while not recording).
  kErrInvalidState = -202,
  // The mode needs a source that is not configured or cannot be captured.
  kErrNoSource = -203,
  // An encoder (libx264, AAC, JPEG) cannot be opened with the given settings.
  kErrEncoderOpen = -204,
  // An output file cannot be created, opened or truncated.
  kErrFileOpen = -205,
  // Existing files to append to belong to another kind of stream.
  kErrFileFormat = -206,
  // The screen or window of the screen slot cannot be captured (no display connection, no such
  // window).
  kErrCaptureOpen = -207,
  // Called on an engine thread where waiting for that thread would deadlock.
  kErrWrongThread = -208,
  // An encoder failed in the middle of a stream.
  kErrEncode = -209,
  // The switch, source kind or operation is not known to this engine.
  kErrNotSupported = -210,
  // A write found no room: the file system is full, a quota or a file size limit was reached.
  kErrNoSpace = -211,
  // A write failed for another reason (I/O error, file removed underneath).
  kErrWriteFailed = -212,
  // There is no frame to take a cover from, or the cover cannot be written.
  kErrNoFrame = -213,
};

}  // namespace kvp::av
