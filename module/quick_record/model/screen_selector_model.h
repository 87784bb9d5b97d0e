#pragma once

#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// What a quick recording captures: one screen (by monitor id) or one application window (by a
// window-information map). Keeps the machine's screens, refreshed when the host reports a change.
class ScreenSelectorModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kInvokeSelectScreen = 0x2b9b8ad7;
  static constexpr int32_t kInvokeSelectScreenById = 0x3eed3385;
  static constexpr int32_t kInvokeSelectAppWindow = 0x31f325f9;
  static constexpr int32_t kInvokeRestoreSelection = 0x05a7e8ca;
  static constexpr int32_t kInvokeGetSelectedScreenNumber = 0x01b75ae9;
  static constexpr int32_t kInvokeSetText = 0x13a4e268;
  static constexpr int32_t kInvokeGetText = 0x2c6bb9f4;
  static constexpr int32_t kEventScreenSelected = 1190132440;
  static constexpr int32_t kEventWindowSelected = 564336068;

  ScreenSelectorModel();
  ~ScreenSelectorModel() override;

  void Init() override;
  void UnInit() override;

  const base::variant::Variant& screens() const { return screens_; }
  const std::string& selected_monitor_id() const { return selected_monitor_id_; }
  const base::variant::Variant& selected_window() const { return selected_window_; }

 private:
  void RefreshScreenListCache();
  int32_t FindScreen(const std::string& monitor_id) const;
  bool InvokeSelectScreen(const base::variant::Variant& args);
  bool InvokeSelectAppWindow(const base::variant::Variant& window);
  void RestoreSelection();

  base::variant::Variant screens_ = base::variant::Variant::MakeArray();
  std::string selected_monitor_id_;
  base::variant::Variant selected_window_ = base::variant::Variant::MakeMap();
  int32_t selected_screen_number_ = 0;
  std::string text_;
  framework::SubscriberId subscriber_id_;
  std::weak_ptr<framework::ModelImpl> device_model_;
};

}  // namespace quick_record
