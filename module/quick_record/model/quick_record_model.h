#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"
#include "module/quick_record/cloud/i_quick_record_delegate.h"

namespace quick_record {

class QuickRecordServicePlugin;

// The recording session: the cloud record id of the recording being made, the record mode, the
// device choices and the count-down state. It is the cloud service's delegate, turns recorder
// errors into error descriptions for the pages, and relays many page requests as events.
//
// Main thread only, except the recorder's state and error events, which it handles on the thread
// the recorder reports them on (see QuickRecordRecorderModel).
class QuickRecordModel : public framework::ModelImpl, public IQuickRecordDelegate {
 public:
  // Named methods.
  static constexpr int32_t kInvokeStartQuickRecord = 0x3aaa871a;  // {"is_new", "record_start_time", "subject"}
  static constexpr int32_t kInvokeQuickRecordComplete = 0x281c29f0;
  static constexpr int32_t kInvokeCancelQuickRecord = 0x2177c2c8;  // the record id (text)
  static constexpr int32_t kInvokePrepare = 0x3797e614;
  static constexpr int32_t kInvokeGetQuickRecordState = 0x3f13733e;
  static constexpr int32_t kInvokeGetQuickRecordConfigInfo = 0x0c854542;
  static constexpr int32_t kInvokeChangeModeType = 0x365d2e14;  // {"mode_type"} or {"select_mode"}
  static constexpr int32_t kInvokeEnableMicDevice = 0x2f75d8bb;  // {"enable"}
  static constexpr int32_t kInvokeChangeMicDevice = 0x05424900;  // {"device_id"}
  static constexpr int32_t kInvokeEnableCameraDevice = 0x27b8b09a;  // {"enable"}
  static constexpr int32_t kInvokeChangeCameraDevice = 0x1d05a9df;  // {"device_id"}
  static constexpr int32_t kInvokeGetPreviewCameraDevice = 0x1e1cdd18;
  static constexpr int32_t kInvokeGetQuickRecordWebUrl = 0x235658c3;
  static constexpr int32_t kInvokeUpdateLastMicDevice = 0x2c51cc7c;  // {"device_id"}
  static constexpr int32_t kInvokeUpdateLastCameraDevice = 0x35f0127f;  // {"device_id"}
  static constexpr int32_t kInvokeMicDeviceConnectChanged = 0x10c98ad5;
  static constexpr int32_t kInvokeCameraDeviceConnectChanged = 0x016de5a6;
  static constexpr int32_t kInvokeGetSelectScreenInfo = 0x18cee87c;
  static constexpr int32_t kInvokeRecoverUploadFileInfo = 0x21e18027;
  static constexpr int32_t kInvokeSetCountDownState = 0x2bf9406f;  // bool
  static constexpr int32_t kInvokeGetCountDownState = 0x40c22aae;
  static constexpr int32_t kInvokeOpenScreenCapture = 0x056d1a77;
  static constexpr int32_t kInvokeUpdateCamareResolutionView = 0x046631aa;  // {"hd_level"}
  static constexpr int32_t kInvokeCheckSetCamareResolutionView = 0x114d5bea;  // {"hd_level"} -> bool
  static constexpr int32_t kInvokeGetSelectCameraHd = 0x1074ad3b;
  static constexpr int32_t kInvokeUpdateMicOldState = 0x3f31d410;  // bool
  static constexpr int32_t kInvokeSetSelectHDLevel = 0x3f1b97fb;  // {"hd_level"}
  static constexpr int32_t kInvokeGoToScreenOrWindowView = 0x39f168b1;  // the selected screen or window
  static constexpr int32_t kInvokeHandleKeyPressed = 0x2aef36fc;  // {"key"}
  // Whether the settings panel is shown (bool): the panel writes it on attach and detach, and the
  // new-recording page shows the panels of the mode only beside it.
  static constexpr int32_t kInvokeSetSettingPanelShown = 0x0c71a5e1;
  static constexpr int32_t kInvokeGetSettingPanelShown = 0x0c71a5e2;  // -> bool
  // The recorder refused the start announced by kInvokeStartQuickRecord ({"reason"}): the record
  // the back end made for it is cancelled, now or when its id arrives, and the session is idle.
  static constexpr int32_t kInvokeStartRefused = 0x0c71a5e3;

  // Events.
  static constexpr int32_t kEventStartRequested = 103617433;  // {} then {"record_id"}
  static constexpr int32_t kEventRecordComplete = 831762048;
  static constexpr int32_t kEventRecordCancelled = 259914784;  // {"record_id"}
  static constexpr int32_t kEventRecordingChanged = 1161507728;  // bool
  static constexpr int32_t kEventCloudRequestCompleted = 91415316;  // {"type", "record_id", "success", ...}
  static constexpr int32_t kEventSessionNotice = 446010766;  // {"reason"}: sign-out, unauthorised, a relay
  static constexpr int32_t kEventDeviceState = 198797387;
  static constexpr int32_t kEventSelectedScreenUpdated = 386932369;
  static constexpr int32_t kEventRecordError = 803779024;  // see RecordErrorTranslator
  static constexpr int32_t kEventRecordModeChanged = 794557020;  // {"select_mode"}
  static constexpr int32_t kEventChangeMicState = 665006275;  // {"enable"}
  static constexpr int32_t kEventChangeCameraState = 504471904;  // {"enable"}
  static constexpr int32_t kEventSettingPanelShownChanged = 1093115236;  // {"show"}, on a change only

  // Relays: method -> event, and whether the event carries the call's argument.
  struct Relay {
    int32_t method_id;
    int32_t event_id;
    bool with_argument;
  };
  static constexpr Relay kRelays[] = {
      {0x0df8bafd, 955051348, false}, {0x16346efd, 43234115, false},  {0x37b42c7c, 1170579597, true},
      {0x0379a95f, 289723693, true}, {0x0198f601, 539133529, false}, {0x3e3a8686, 311992604, false},
      {0x361e3db1, 561108843, false}, {0x398bca9b, 142545216, false}, {0x1c18f372, 495123050, false},
      {0x298dea8a, 273948527, false}, {0x2d9ca18b, 716344134, true},  {0x245fdb46, 779639744, true},
  };

  // Readers of the session fields the pages need (entries of kFieldAccess).
  static constexpr int32_t kReadRecordMode = 0x01578447;
  static constexpr int32_t kReadMicEnabled = 0x0602111d;
  static constexpr int32_t kReadMicOldStateForNoDefaultMic = 0x0b0349f7;
  static constexpr int32_t kReadNeedEnableMicAfterDefaultMic = 0x0e6bf4d3;
  static constexpr int32_t kReadRecordId = 0x3d29c89a;

  // Single-field readers and writers: method -> session field.
  struct FieldAccess {
    int32_t method_id;
    const char* field;
    bool write;
  };
  static constexpr FieldAccess kFieldAccess[] = {
      {kReadRecordMode, "record_mode", false},
      {0x02a8a3b1, "record_mode", true},
      {0x03876ec1, "is_recording", false},
      {0x042ce7e1, "is_recording", true},
      {kReadMicEnabled, "mic_enabled", false},
      {0x0610f01c, "mic_enabled", true},
      {0x07139433, "camera_enabled", false},
      {0x096cdbb8, "camera_enabled", true},
      {kReadMicOldStateForNoDefaultMic, "enable_mic_old_state_for_no_default_mic", false},
      {0x0bb3ff86, "enable_mic_old_state_for_no_default_mic", true},
      {kReadNeedEnableMicAfterDefaultMic, "need_enable_mic_after_has_default_mic", false},
      {0x0ee35e2d, "need_enable_mic_after_has_default_mic", true},
      {0x1090604b, "enable_share_audio", false},
      {0x1b26c72e, "enable_share_audio", true},
      {0x24a4e701, "is_count_downing", false},
      {0x2ccee3c5, "is_count_downing", true},
      {0x335a052d, "mic_old_state", false},
      {0x39d2a4d2, "mic_old_state", true},
      {0x3adbdbc7, "is_canceled", false},
      {0x3b377aad, "record_start_time", false},
      {kReadRecordId, "record_id", false},
  };

  static constexpr char kRecordModeKey[] = "quick_record.record.mode.user_select";
  static constexpr char kTranscodeInfoKey[] = "quick_record.transcode.info";

  // `recorder_model` and `cloud_service` for tests; by default the module's own.
  explicit QuickRecordModel(std::shared_ptr<framework::ModelImpl> recorder_model = nullptr,
                            std::shared_ptr<QuickRecordServicePlugin> cloud_service = nullptr);
  ~QuickRecordModel() override;

  void Init() override;
  void UnInit() override;

  // IQuickRecordDelegate.
  void OnSigRefresh(const std::string& signature) override;
  void OnStartQuickRecordAuthResponse(const std::shared_ptr<QuickRecordStartRecordResult>& result) override;
  void OnRequestError(int32_t type, int64_t error_code, const std::string& message,
                      const std::string& record_id) override;
  void OnRequestComplete(int32_t type, const std::string& record_id) override;

  const std::string& record_id() const { return record_id_; }
  bool is_recording() const { return is_recording_; }

 private:
  void BindSessionMethods();
  void BindDeviceMethods();
  void BindFieldMethods();
  bool InvokeStartQuickRecord(const base::variant::Variant& args);
  void InvokeQuickRecordComplete();
  // Ends the recording on this machine and tells the host; the back end's copy is the upload
  // model's to delete (QuickRecordUploadModel::kInvokeRequestServerCancelRecord).
  bool InvokeCancelQuickRecord(const base::variant::Variant& args);
  void InvokeStartRefused(const base::variant::Variant& args);
  // Asks the upload model, which made the record on the back end, to delete it there.
  void CancelRefusedRecord(const std::string& record_id);
  void HandleRecordState(const base::variant::Variant& payload);
  void HandleRecordError(const base::variant::Variant& payload);
  // Merges `values` into the JSON object stored under "quick_record.transcode.info".
  void SaveTranscodeInfo(const base::variant::Variant& values);
  base::variant::Variant Field(const std::string& name) const;
  void SetField(const std::string& name, base::variant::Variant value);
  void FireDeviceState();
  void NotifyHostOfCancel(const std::string& record_id);

  const framework::SubscriberId subscriber_id_;
  std::shared_ptr<framework::ModelImpl> recorder_model_;
  std::shared_ptr<QuickRecordServicePlugin> cloud_service_;
  std::weak_ptr<framework::ModelImpl> auth_model_;

  std::string record_id_;
  std::string record_start_time_;
  bool is_canceled_ = false;
  // A refused start whose record id is still on its way: the answer cancels instead of starting.
  bool cancel_on_auth_ = false;
  // Written from the recorder's state event, which an engine error raises on the engine's thread.
  std::atomic<bool> is_recording_{false};
  bool is_count_downing_ = false;
  int32_t record_mode_ = 0;
  // The start authorisation of the recording being made; replaced by each new start.
  std::shared_ptr<QuickRecordStartRecordResult> auth_;
  std::string signature_;
  // Device choices and the smaller switches, by the names of kFieldAccess and the config info.
  std::map<std::string, base::variant::Variant> fields_;
};

}  // namespace quick_record
