#pragma once

#include <cstddef>
#include <cstdint>

// Whole-buffer positional reads and writes over file descriptors, as the raw streams and the
// cover use them.
namespace kvp::av {

// Returns 0, or the errno of the failure (EIO for a write that made no progress).
int PwriteAll(int fd, const uint8_t* data, size_t size, uint64_t offset);
// False on an error or when the file ends before `size` bytes.
bool PreadAll(int fd, void* buffer, size_t size, uint64_t offset);
// The media error code of a failed write: kErrNoSpace when there was no room (full file system,
// quota, file size limit), else kErrWriteFailed.
int32_t WriteErrorCode(int error);

}  // namespace kvp::av
