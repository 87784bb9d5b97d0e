#pragma once

#include "host/framework/extension/extension_impl.h"

namespace quick_record {

class QuickRecordExtensionProvider : public framework::extension::ExtensionProviderBase {
 protected:
  std::shared_ptr<framework::extension::ExtensionImpl> CreateExtension(
      const framework::ExtensionBuilderParam& param) override;
};

}  // namespace quick_record
