#pragma once

#include "host/framework/module/providers.h"

namespace quick_record {

// The module offers no services by id: its services are plug-in interfaces.
class QuickRecordServiceProvider : public framework::ServiceProviderBaseImpl {
 protected:
  std::shared_ptr<framework::Service> CreateService(int32_t) override { return nullptr; }
};

}  // namespace quick_record
