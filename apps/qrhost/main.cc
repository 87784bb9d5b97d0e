// qrhost: a command-line host that loads the quick-record module and drives it like a user would.

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "apps/qrhost/embedded_backend.h"
#include "apps/qrhost/host_session.h"
#include "apps/qrhost/qrhost_backend.h"
#include "apps/qrhost/qrhost_info.h"
#include "apps/qrhost/qrhost_meeting_history.h"
#include "apps/qrhost/qrhost_record.h"
#include "apps/qrhost/qrhost_record_raw.h"
#include "apps/qrhost/record_options.h"
#include "host/app/host_config.h"
#include "host/base/logging/logger.h"
#include "host/sdk/kovani_common/account.h"

namespace {

constexpr char kModuleName[] = "quick_record";

void PrintUsage(std::ostream& out) {
  out << "usage: qrhost [--module PATH] [--config FILE] [--log-level N] [--in-meeting] <command> [options]\n"
         "  --in-meeting  act as if the user were in a meeting (overrides \"in_meeting\" of the config)\n"
         "commands:\n"
         "  info         load and activate the module, print what it contributed, deactivate\n"
         "  record       record, upload and print the link (the back end is the configured one, else\n"
         "               the embedded one): [--screen ID | --window ID | --camera | --screen-and-camera]\n"
         "               [--title TEXT] [--seconds N] [--no-mic] [--json]\n"
         "               keys: space pause/resume, m mic, c camera, s system sound, Enter finish, Esc cancel\n"
         "  record-raw   record with the module's recorder (no cloud) and print the files:\n"
         "               [--seconds N] [--screen ID | --window ID] [--camera] [--out DIR]\n"
         "  demo         the main job: record --seconds 5\n"
         "  add-meeting-recording  put local meeting recordings into the user's meeting history:\n"
         "               --file PATH [--file PATH]... [--meeting-id ID] [--period-id ID]\n"
         "               [--meeting-code CODE] [--subject TEXT] [--time WALL_SECONDS]\n"
         "  backend status|start|stop  the embedded back end, which qrhost starts when the\n"
         "               configuration names none (see docs/embedded-backend.md)\n";
}

// The directory this binary is in ("" when unknown).
std::string BinDirectory() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  const std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

// libquick_record_module.so in the lib directory beside the binary's bin directory.
std::string DefaultModulePath() {
  const std::string bin = BinDirectory();
  if (bin.empty()) return "libquick_record_module.so";
  return bin.substr(0, bin.rfind('/')) + "/lib/libquick_record_module.so";
}

qrhost::EmbeddedBackend MakeEmbeddedBackend() {
  return qrhost::EmbeddedBackend(BinDirectory() + "/qr-backend", qrhost::EmbeddedBackendPaths::FromEnvironment());
}

// Parses the options of record-raw; false (with a message) for anything it does not know.
bool ParseRecordRaw(const std::vector<std::string>& args, qrhost::RecordRawOptions* options) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    try {
      if (arg == "--seconds" && has_value) {
        options->seconds = std::stod(args[++i]);
      } else if (arg == "--screen" && has_value) {
        options->monitor_id = args[++i];
        options->screen = true;
      } else if (arg == "--window" && has_value) {
        options->window_id = std::stoull(args[++i], nullptr, 0);
        options->screen = true;
      } else if (arg == "--camera") {
        options->camera = true;
      } else if (arg == "--out" && has_value) {
        options->out_dir = args[++i];
      } else {
        std::cerr << "qrhost: unknown option " << arg << "\n";
        return false;
      }
    } catch (...) {
      std::cerr << "qrhost: bad value for " << arg << "\n";
      return false;
    }
  }
  if (options->seconds <= 0) {
    std::cerr << "qrhost: --seconds must be positive\n";
    return false;
  }
  return true;
}

// Parses the options of add-meeting-recording; false (with a message) for anything it does not know.
bool ParseAddMeetingRecording(const std::vector<std::string>& args, qrhost::AddMeetingRecordingOptions* options) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) {
      std::cerr << "qrhost: " << arg << " needs a value\n";
      return false;
    }
    const std::string& value = args[++i];
    if (arg == "--file") {
      options->files.push_back(value);
    } else if (arg == "--meeting-id") {
      options->meeting_id = value;
    } else if (arg == "--period-id") {
      options->period_id = value;
    } else if (arg == "--meeting-code") {
      options->meeting_code = value;
    } else if (arg == "--subject") {
      options->subject = value;
    } else if (arg == "--time") {
      try {
        options->time = std::stoll(value);
      } catch (...) {
        std::cerr << "qrhost: bad value for --time\n";
        return false;
      }
    } else {
      std::cerr << "qrhost: unknown option " << arg << "\n";
      return false;
    }
  }
  if (options->files.empty()) {
    std::cerr << "qrhost: add-meeting-recording needs at least one --file\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string module_path = DefaultModulePath();
  std::string config_path = host::app::HostConfig::DefaultPath();
  std::optional<bool> in_meeting;
  bool log_level_given = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--module" && i + 1 < argc) {
      module_path = argv[++i];
    } else if (arg == "--config" && i + 1 < argc) {
      config_path = argv[++i];
    } else if (arg == "--in-meeting") {
      in_meeting = true;
    } else if (arg == "--log-level" && i + 1 < argc) {
      base::logging::SetLevel(std::atoi(argv[++i]));
      log_level_given = true;
    } else if (arg == "-h" || arg == "--help") {
      PrintUsage(std::cout);
      return 0;
    } else {
      args.push_back(arg);
    }
  }
  const std::string command = args.empty() ? "info" : args.front();
  qrhost::RecordRawOptions record_options;
  if (command == "record-raw" && !ParseRecordRaw(args, &record_options)) return 2;
  qrhost::RecordOptions record;
  if (command == "demo") record.seconds = 5;
  if (command == "record" && !qrhost::ParseRecordOptions(args, &record, std::cerr)) return 2;
  qrhost::AddMeetingRecordingOptions meeting_options;
  if (command == "add-meeting-recording" && !ParseAddMeetingRecording(args, &meeting_options)) return 2;
  const bool backend_command =
      command == "backend" && args.size() == 2 && (args[1] == "status" || args[1] == "start" || args[1] == "stop");
  const bool records = command == "record" || command == "demo";
  // The recording view owns the terminal and says what went wrong in one line; host log lines
  // would tear its redrawn line apart. --log-level brings them back.
  if (records && !log_level_given) base::logging::SetLevel(0);
  if (command != "info" && command != "record-raw" && !records &&
      command != "add-meeting-recording" && !backend_command) {
    PrintUsage(std::cerr);
    return 2;
  }

  std::string error;
  host::app::HostConfig config;
  if (!host::app::HostConfig::Load(config_path, &config, &error)) {
    std::cerr << "qrhost: " << error << "\n";
    return 2;
  }
  if (in_meeting) config.in_meeting = *in_meeting;
  auto backend = MakeEmbeddedBackend();
  if (backend_command) return qrhost::RunBackendCommand(args[1], config, backend, std::cout, std::cerr);
  if (records && !qrhost::UseBackend(&config, backend, &error)) {
    std::cerr << "qrhost: " << error << "\n";
    return 1;
  }
  auto session = qrhost::HostSession::Open(module_path, std::move(config), &error);
  if (!session) {
    std::cerr << "qrhost: " << error << "\n";
    return 2;
  }
  if (command == "info") {
    qrhost::PrintModuleReport(kModuleName, std::cout);
    std::cout << "in meeting: " << (kovani_common::utils::inmeeting::IsInMeeting() ? "yes" : "no") << "\n";
    return 0;
  }
  if (command == "add-meeting-recording") {
    return qrhost::RunAddMeetingRecording(*session, meeting_options, std::cout, std::cerr);
  }
  if (records) return qrhost::RunRecord(*session, record, std::cout, std::cerr);
  return qrhost::RunRecordRaw(*session, record_options, std::cout, std::cerr);
}
