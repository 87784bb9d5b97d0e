#include "host/util/time.h"

#include "host/base/threading/clock.h"

namespace util::time {

int64_t GetTimestamp() { return base::clock::WallSeconds(); }

int64_t GetTimestampMsec() { return base::clock::WallMs(); }

int64_t GetServerTimestampMsec() { return base::clock::ServerMs(); }

}  // namespace util::time
