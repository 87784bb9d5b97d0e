#pragma once

#include <cstdint>

// Wall-clock readings of the host clock (base::clock), so tests under mock time see mock time.
namespace util::time {

// Seconds since the Unix epoch.
int64_t GetTimestamp();
// Milliseconds since the Unix epoch.
int64_t GetTimestampMsec();
// The back end's time in milliseconds since the epoch: our wall clock plus the offset the
// request channel learned from the back end's answers (0 until one was learned).
int64_t GetServerTimestampMsec();

}  // namespace util::time
