#pragma once

#include "host/app/signed_in_config.h"

namespace quick_record::testing {

using host::app::testing::SignedInConfig;

}  // namespace quick_record::testing
