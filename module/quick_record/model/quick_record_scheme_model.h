#pragma once

#include <string>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// The module's small link broker: the address of the page that explains how to grant the
// screen-capture permission, and a relay of one request between view models.
class QuickRecordSchemeModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kInvokeCallFuncGetAccessPermissionHelpUrl = 0x0690b452;
  static constexpr int32_t kInvokeRelay = 0x43209aba;
  static constexpr int32_t kEventRelayed = 1089693386;
  static constexpr char kDefaultHelpPath[] = "/v2/screen-permission-solution";

  QuickRecordSchemeModel();
  ~QuickRecordSchemeModel() override;

  void Init() override;
  void UnInit() override;

 private:
  void OnEventUiControlConfigChanged();
  std::string HelpUrl() const;

  std::string help_url_;
  framework::SubscriberId subscriber_id_;
  std::weak_ptr<framework::ModelImpl> config_model_;
};

}  // namespace quick_record
