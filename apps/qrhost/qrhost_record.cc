#include "apps/qrhost/qrhost_record.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "apps/qrhost/record_page_host.h"
#include "apps/qrhost/terminal.h"
#include "host/app/host_app_model.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani/alert.h"

namespace qrhost {
namespace {

using base::variant::Variant;
using Clock = std::chrono::steady_clock;

constexpr char kModuleName[] = "quick_record";

// The module's pages by the ids and names under which the framework knows them.
namespace main_page {
constexpr char kName[] = "new_recording";
constexpr int32_t kViewModelId = 0x13b621ac;
constexpr int kActionStart = 0x54956;
constexpr int kActionCheckSpace = 0x65bf0;
constexpr int kActionSetDefaultScreen = 0x281fe;
constexpr int kActionSelectWindow = 0xc33ba;
constexpr int32_t kPropertyMeetingState = 435051;
constexpr int32_t kPropertyUploadState = 978340;
constexpr int32_t kPropertyStartResult = 384564;
constexpr char kRecordEnable[] = "QuickRecordUpdateQuickRecordStateFields_kBooleanRecordEnable";
constexpr char kCheckScene[] = "QuickRecordNoticeSpaceInfoDataFields_kIntegerCheckScene";
constexpr char kNoticeShown[] = "QuickRecordNoticeSpaceInfoDataFields_kBooleanShouldShow";
constexpr char kNoticeStartEnable[] = "QuickRecordNoticeSpaceInfoDataFields_kBooleanStartRecordEnable";
}  // namespace main_page

namespace settings_page {
constexpr char kName[] = "select_setting";
constexpr int32_t kViewModelId = 0x2830d646;
constexpr int kActionSelectMode = 0x31bd2;
constexpr int kActionEnableMic = 0xde64e;
}  // namespace settings_page

namespace count_down_page {
constexpr int32_t kPropertyViewData = 1;
constexpr int32_t kPropertyResult = 2;
}  // namespace count_down_page

namespace bar_page {
constexpr int kActionButton = 0x98298;
constexpr int32_t kPropertyDuration = 446425;
constexpr int32_t kPropertyPaused = 751408;
constexpr int32_t kPropertyTip = 361182;
constexpr int32_t kPropertyCamera = 935747;
constexpr int32_t kPropertySystemSound = 181419;
constexpr int32_t kPropertyVolume = 604968;
constexpr int32_t kPropertyMicrophone = 676688;
// "opt_type" of the buttons.
constexpr int kOpenMic = 0, kCloseMic = 1, kOpenCamera = 2, kCloseCamera = 3, kResume = 4, kCancel = 5,
              kFinish = 7, kPause = 8, kOpenSound = 9, kCloseSound = 10;
}  // namespace bar_page

namespace ending_page {
constexpr int32_t kPropertyRecord = 1;
constexpr int64_t kUploaded = 2;
constexpr int64_t kFailed = 3;
}  // namespace ending_page

constexpr auto kCountDownWait = std::chrono::seconds(20);
constexpr auto kBarWait = std::chrono::seconds(15);
constexpr auto kEndingWait = std::chrono::seconds(2);
constexpr auto kLinkWait = std::chrono::seconds(180);
constexpr auto kCoverWait = std::chrono::seconds(10);
constexpr int64_t kSliceMs = 50;

std::string Bar(double fraction, int width) {
  const int filled = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * width));
  return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

std::string Megabytes(int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// The upload's share of the bytes the transcoder has muxed: while the recording runs the total
// grows, so the share falls between parts and rises as each is acknowledged; after the finish the
// same share of the final file goes on to 100%. The size makes a falling share read as it is.
std::string UploadShare(int64_t uploaded, int64_t total) {
  const double fraction = total > 0 ? static_cast<double>(uploaded) / static_cast<double>(total) : 0;
  return std::to_string(std::lround(std::clamp(fraction, 0.0, 1.0) * 100)) + "% of " + Megabytes(total);
}

// A published switch state: a bool, or a map with one of the usual keys.
bool SwitchOn(const Variant& state, bool def) {
  if (state.IsNull()) return def;
  if (state.IsMap()) {
    for (const char* key : {"is_on", "open", "state", "enable"}) {
      if (state.Has(key)) return state.Get(key).AsBool(def);
    }
    return def;
  }
  return state.AsBool(def);
}

// One run of `qrhost record`: what the terminal shows and sends, phase by phase. It also
// presents the host's alerts and toasts: a question is answered with y (its second button, e.g.
// discard the recording) or n (its first, e.g. continue recording).
class RecordRun : public kovani::AlertPresenter {
 public:
  RecordRun(HostSession& session, const RecordOptions& options, std::ostream& out, std::ostream& err)
      : session_(session), options_(options), out_(out), err_(err), terminal_(options.json ? stderr : stdout) {
    framework::GetNavigatorService().SetPageHost(&pages_);
    kovani::SetAlertPresenter(this);
  }
  ~RecordRun() override {
    kovani::SetAlertPresenter(nullptr);
    pages_.CloseOwnPages();
    framework::GetNavigatorService().SetPageHost(nullptr);
  }

  // kovani::AlertPresenter
  void OnAlertOpened(int32_t alert_id, const kovani::AlertInfo& info) override {
    if (info.buttons.size() >= 2) {
      question_ = alert_id;
      question_text_ = info.content.empty() ? info.title : info.content;
      return;
    }
    // A notice: shown as a line of its own, and dismissed.
    terminal_.EndLine();
    err_ << "qrhost: " << info.title << (info.content.empty() ? "" : ": " + info.content) << "\n";
    kovani::AnswerAlert(alert_id, 0);
  }
  void OnAlertClosed(int32_t alert_id) override {
    if (alert_id == question_) question_ = 0;
  }
  void OnToast(const kovani::Toast& toast) override {
    toast_ = toast.text;
    toast_until_ = Clock::now() + std::chrono::milliseconds(toast.duration_ms > 0 ? toast.duration_ms : 2000);
  }

  int Run() {
    // The module's user-interface hook registers its pages with the navigator.
    framework::module::GetModuleService().RunLoaderSetup(Variant::MakeMap());
    EnableGlobalShortcuts();
    if (!pages_.OpenOwnPage(main_page::kName, kModuleName, main_page::kViewModelId)) {
      return Fail("the module has no new-recording page");
    }
    if (!Check()) return 1;
    if (!Choose()) return 1;
    terminal_.Draw("starting...");
    Variant start = Variant::MakeMap();
    if (!options_.title.empty()) start.Set("subject", options_.title);
    start.Set("from_space_dialog", few_space_);  // the user was told, and records anyway
    pages_.Dispatch(main_page::kName, main_page::kActionStart, start);
    const Variant result = pages_.Property(main_page::kName, main_page::kPropertyStartResult);
    if (result.IsMap() && !result.GetBool("success")) return Fail(StartRefusal(result.GetString("message")));
    if (!CountDown()) return 1;
    if (!Record()) return 1;
    return Upload();
  }

 private:
  // The new-recording page's checks: meeting, machine, cloud space.
  bool Check() {
    terminal_.Draw("checking the meeting state, the machine and the cloud space...");
    Variant scene = Variant::MakeMap();
    scene.Set(main_page::kCheckScene, 0);
    pages_.Dispatch(main_page::kName, main_page::kActionCheckSpace, scene);
    Pump(200);
    if (pages_.Property(main_page::kName, main_page::kPropertyMeetingState).GetBool("is_in_meeting")) {
      return Refuse(StartRefusal("in_meeting"));
    }
    if (!pages_.Field(main_page::kName, main_page::kRecordEnable).AsBool(true)) return Refuse(StartRefusal("disabled"));
    if (pages_.Field(main_page::kName, main_page::kNoticeShown).AsBool(false)) {
      if (!pages_.Field(main_page::kName, main_page::kNoticeStartEnable).AsBool(true)) {
        return Refuse(StartRefusal("no_space"));
      }
      few_space_ = true;
      terminal_.EndLine();
      err_ << "qrhost: less than 100 MB of cloud space is left\n";
    }
    return true;
  }

  // The start result's reason in words.
  static std::string StartRefusal(const std::string& reason) {
    if (reason == "in_meeting") return "you are in a meeting; quick recording is not available during a meeting";
    if (reason == "disabled") return "recording is not enabled on this machine";
    if (reason == "no_space") return "no cloud space is left for a recording";
    if (reason == "no_screen") return "there is no screen or window to record";
    if (reason == "recording") return "a recording is running already";
    return "the recording did not start (" + reason + ")";
  }

  // The settings panel's choices (mode, microphone) and the page's screen or window.
  bool Choose() {
    const bool needs_settings = options_.mode != 2 || !options_.mic;
    if (needs_settings && !pages_.OpenOwnPage(settings_page::kName, kModuleName, settings_page::kViewModelId)) {
      return Refuse("this module has no settings panel: only the screen with the microphone can be recorded");
    }
    if (needs_settings) {
      Variant mode = Variant::MakeMap();
      mode.Set("select_mode", options_.mode);
      pages_.Dispatch(settings_page::kName, settings_page::kActionSelectMode, mode);
      Variant mic = Variant::MakeMap();
      mic.Set("enable", options_.mic);
      pages_.Dispatch(settings_page::kName, settings_page::kActionEnableMic, mic);
    }
    if (!options_.monitor_id.empty()) {
      Variant screen = Variant::MakeMap();
      screen.Set("default_monitor_uuid", options_.monitor_id);
      pages_.Dispatch(main_page::kName, main_page::kActionSetDefaultScreen, screen);
    }
    if (options_.window_id != 0) {
      Variant window = Variant::MakeMap();
      window.Set("window_id", options_.window_id);
      pages_.Dispatch(main_page::kName, main_page::kActionSelectWindow, window);
    }
    mic_on_ = options_.mic;
    camera_on_ = options_.mode != 2;
    Pump(0);
    return true;
  }

  // 3-2-1 on the count-down page; true once the control bar is open.
  bool CountDown() {
    if (!PumpUntil([&] { return pages_.IsOpen(RecordPageHost::kCountDown) || pages_.IsOpen(RecordPageHost::kBottomBar); },
                   kCountDownWait)) {
      return Refuse("the recording did not start");
    }
    const bool opened = PumpUntil(
        [&] {
          const Variant data = pages_.Property(RecordPageHost::kCountDown, count_down_page::kPropertyViewData);
          const int32_t number = data.GetInt32("count_down_number");
          if (number > 0) terminal_.Draw("recording starts in " + std::to_string(number) + "...");
          const Variant result = pages_.Property(RecordPageHost::kCountDown, count_down_page::kPropertyResult);
          if (result.IsMap() && !result.GetBool("finished")) cancelled_in_count_down_ = true;
          return pages_.IsOpen(RecordPageHost::kBottomBar) || cancelled_in_count_down_;
        },
        kCountDownWait + kBarWait);
    if (cancelled_in_count_down_) return Refuse("the count-down was cancelled");
    if (!opened) return Refuse("the control bar did not open");
    return true;
  }

  // The control bar until the recording is finished (true) or cancelled.
  bool Record() {
    const auto started = Clock::now();
    const double seconds =
        options_.seconds > 0 ? options_.seconds : (terminal_.interactive() ? 0 : RecordOptions::kDefaultSeconds);
    const auto until = started + std::chrono::milliseconds(static_cast<int64_t>(std::llround(seconds * 1000)));
    while (pages_.IsOpen(RecordPageHost::kBottomBar)) {
      if (seconds > 0 && Clock::now() >= until && question_ == 0) {
        Finish();
        break;
      }
      if (!HandleKey(terminal_.ReadKey())) break;
      DrawBar();
      Pump(kSliceMs);
    }
    terminal_.EndLine();
    if (!finished_) {
      // The bar closed without a finish: the recording was cancelled or ended by the host.
      return Refuse(pages_.IsOpen(RecordPageHost::kEnding) ? "the recording ended" : "the recording was cancelled");
    }
    return true;
  }

  // False once the run is to leave the bar.
  bool HandleKey(int key) {
    if (key < 0) return true;
    if (question_ != 0) {
      if (key != 'y' && key != 'Y' && key != 'n' && key != 'N') return true;
      const bool yes = key == 'y' || key == 'Y';
      terminal_.EndLine();
      terminal_.Draw(yes ? "cancelling the recording" : "recording goes on");
      terminal_.EndLine();
      kovani::AnswerAlert(question_, yes ? 1 : 0);
      return true;
    }
    switch (key) {
      case ' ':
        Button(Paused() ? bar_page::kResume : bar_page::kPause);
        return true;
      case 'm':
        Button(MicOn() ? bar_page::kCloseMic : bar_page::kOpenMic);
        mic_on_ = !MicOn();
        return true;
      case 'c':
        Button(CameraOn() ? bar_page::kCloseCamera : bar_page::kOpenCamera);
        camera_on_ = !CameraOn();
        return true;
      case 's':
        Button(SoundOn() ? bar_page::kCloseSound : bar_page::kOpenSound);
        sound_on_ = !SoundOn();
        return true;
      case Terminal::kEnter:
        Finish();
        return false;
      case Terminal::kEscape:
        Button(bar_page::kCancel);  // the bar asks before it throws the recording away
        return true;
      default:
        return true;
    }
  }

  void Button(int opt_type) {
    Variant payload = Variant::MakeMap();
    payload.Set("opt_type", opt_type);
    pages_.Dispatch(RecordPageHost::kBottomBar, bar_page::kActionButton, payload);
  }

  void Finish() {
    finished_ = true;
    finish_time_ = Clock::now();
    Button(bar_page::kFinish);
  }

  bool MicOn() const {
    return SwitchOn(pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyMicrophone), mic_on_);
  }
  bool Paused() const { return pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyPaused).AsBool(false); }
  bool CameraOn() const {
    return SwitchOn(pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyCamera), camera_on_);
  }
  bool SoundOn() const {
    return SwitchOn(pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertySystemSound), sound_on_);
  }

  void DrawBar() {
    if (question_ != 0) {
      terminal_.Draw(question_text_ + " [y/n]");
      return;
    }
    const Variant duration = pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyDuration);
    const std::string elapsed = duration.GetString("record_duration", "00:00");
    const double volume = pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyVolume).GetDouble("volume");
    const Variant upload = pages_.Property(main_page::kName, main_page::kPropertyUploadState);
    std::string line = (Paused() ? "PAUSED " : "REC ") + elapsed + "  mic " + (MicOn() ? "on " : "off") + " " +
                       Bar(volume / 100.0, 5) + "  camera " + (CameraOn() ? "on " : "off") + "  sound " +
                       (SoundOn() ? "on " : "off") + "  upload " +
                       UploadShare(upload.GetInt64("uploaded_size"), upload.GetInt64("total_size"));
    if (terminal_.interactive()) line += "   [space] pause  m c s  [Enter] finish  [Esc] cancel";
    std::string tip = pages_.Property(RecordPageHost::kBottomBar, bar_page::kPropertyTip).AsString();
    if (Clock::now() < toast_until_) tip = toast_;
    if (!tip.empty()) line += "  (" + tip + ")";
    // Plain lines: one a second at most, not one per level sample.
    const auto now = Clock::now();
    if (!terminal_.interactive() && now < next_plain_line_) return;
    next_plain_line_ = now + std::chrono::seconds(1);
    terminal_.Draw(line);
  }

  // The upload after the finish, until the record's link.
  int Upload() {
    // The bar opens the ending page as it closes; a host shows it itself when the bar did not.
    if (!PumpUntil([&] { return pages_.IsOpen(RecordPageHost::kEnding); }, kEndingWait)) {
      framework::GetNavigatorService().Open(RecordPageHost::kEnding, Variant::MakeMap().Set("show", true));
    }
    Variant record;
    const bool linked = PumpUntil(
        [&] {
          record = pages_.Property(RecordPageHost::kEnding, ending_page::kPropertyRecord);
          const int64_t total = record.GetInt64("total_size");
          const int64_t uploaded = record.GetInt64("uploaded_size");
          const double fraction = total > 0 ? static_cast<double>(uploaded) / static_cast<double>(total) : 0;
          terminal_.Draw("uploading " + Bar(fraction, 30) + " " + UploadShare(uploaded, total));
          const int64_t status = record.GetInt64("upload_status");
          return status == ending_page::kFailed ||
                 (status == ending_page::kUploaded && !record.GetString("jump_url").empty());
        },
        kLinkWait);
    terminal_.EndLine();
    if (!linked) return Fail("no link within " + std::to_string(kLinkWait.count()) + " s of the finish");
    if (record.GetInt64("upload_status") == ending_page::kFailed) {
      return Fail("the upload failed (reason " + std::to_string(record.GetInt64("fail_reason")) + ")");
    }
    const int64_t finish_to_link =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - finish_time_).count();
    const std::string link = record.GetString("jump_url");
    if (options_.json) {
      Variant result = Variant::MakeMap();
      result.Set("record_id", record.GetString("record_id"));
      result.Set("link", link);
      result.Set("duration_ms", record.GetInt64("duration_ms"));
      result.Set("size", record.GetInt64("total_size"));
      result.Set("finish_to_link_ms", finish_to_link);
      out_ << result.ToJson() << "\n";
    } else {
      out_ << "record " << record.GetString("record_id") << ": " << record.GetInt64("duration_ms") / 1000.0 << " s, "
           << Megabytes(record.GetInt64("total_size")) << "\n"
           << "link: " << link << "\n"
           << "finish to link: " << finish_to_link << " ms\n";
    }
    out_.flush();
    // The cover goes up just after the video; leaving now would take the transcoder with it.
    const bool covered = PumpUntil(
        [&] { return pages_.Property(RecordPageHost::kEnding, ending_page::kPropertyRecord).GetBool("cover_uploaded"); },
        kCoverWait);
    if (!covered) err_ << "qrhost: the record's cover was not uploaded within " << kCoverWait.count() << " s\n";
    return 0;
  }

  void EnableGlobalShortcuts() {
    // Without an X display there is nothing to grab; the keys of the terminal still work.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return;
    auto* runtime = session_.app().runtime();
    auto model = std::dynamic_pointer_cast<host::app::HostAppModel>(
        runtime->GetModelProvider()->ModelOf(host::app::kHostAppModelId));
    if (model) model->EnableGlobalShortcuts();
  }

  void Pump(int64_t ms) {
    session_.loopers().RunMainLoopUntil([] { return false; }, ms);
  }
  bool PumpUntil(const std::function<bool()>& done, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
      if (Clock::now() > deadline) return false;
      Pump(kSliceMs);
    }
    return true;
  }

  // One line on stderr; the exit code of a failed run.
  int Fail(const std::string& message) {
    terminal_.EndLine();
    err_ << "qrhost: " << message << "\n";
    return 1;
  }
  bool Refuse(const std::string& message) {
    Fail(message);
    return false;
  }

  HostSession& session_;
  const RecordOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  Terminal terminal_;
  RecordPageHost pages_;
  bool mic_on_ = true;
  bool camera_on_ = false;
  bool sound_on_ = false;
  int32_t question_ = 0;  // the open alert that asks the user, 0 when none
  std::string question_text_;
  std::string toast_;
  Clock::time_point toast_until_;
  Clock::time_point next_plain_line_;
  bool finished_ = false;
  bool cancelled_in_count_down_ = false;
  bool few_space_ = false;
  Clock::time_point finish_time_;
};

}  // namespace

int RunRecord(HostSession& session, const RecordOptions& options, std::ostream& out, std::ostream& err) {
  return RecordRun(session, options, out, err).Run();
}

}  // namespace qrhost
