#include "apps/qrhost/record_options.h"

namespace qrhost {

bool ParseRecordOptions(const std::vector<std::string>& args, RecordOptions* options, std::ostream& err) {
  int sources = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    try {
      if (arg == "--screen" && has_value) {
        options->monitor_id = args[++i];
        options->mode = 2;
        ++sources;
      } else if (arg == "--window" && has_value) {
        options->window_id = std::stoull(args[++i], nullptr, 0);
        options->mode = 2;
        ++sources;
      } else if (arg == "--camera") {
        options->mode = 3;
        ++sources;
      } else if (arg == "--screen-and-camera") {
        options->mode = 1;
        ++sources;
      } else if (arg == "--title" && has_value) {
        options->title = args[++i];
      } else if (arg == "--seconds" && has_value) {
        options->seconds = std::stod(args[++i]);
        if (options->seconds <= 0) {
          err << "qrhost: --seconds must be positive\n";
          return false;
        }
      } else if (arg == "--no-mic") {
        options->mic = false;
      } else if (arg == "--json") {
        options->json = true;
      } else {
        err << "qrhost: unknown option " << arg << "\n";
        return false;
      }
    } catch (...) {
      err << "qrhost: bad value for " << arg << "\n";
      return false;
    }
  }
  if (sources > 1) {
    err << "qrhost: choose one of --screen, --window, --camera and --screen-and-camera\n";
    return false;
  }
  return true;
}

}  // namespace qrhost
