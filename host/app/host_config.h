#pragma once

#include <string>

#include "host/base/variant/variant.h"

namespace host::app {

// The signed-in user as the back end knows them.
struct Account {
  std::string app_id;
  std::string app_uid;
  std::string nick_name;
  std::string avatar;
  std::string token;
  std::string secret;  // the key requests are signed with
  bool signed_in() const { return !app_uid.empty() && !token.empty(); }
};

// The host's configuration file (JSON), documented in docs/host-configuration.md:
//   {"backend_url": "http://127.0.0.1:8080", "web_host": "https://...", "save_dir": "...",
//    "in_meeting": false,
//    "account": {"app_id", "app_uid", "nick_name", "avatar", "token", "secret"},
//    "realtime": {"http_quic_enable": false, ...},
//    "ability": {"quick_record_ability": {...}, "record-transcode": {...}, ...},
//    "shortcuts": {"start_stop_record": "Ctrl+Alt+R", "pause_resume_record": "Ctrl+Alt+P"}}
struct HostConfig {
  std::string backend_url;
  std::string web_host;
  std::string save_dir;
  // Whether the user is in a meeting (kovani_common::utils::inmeeting::IsInMeeting). This host
  // joins no meetings itself; the configuration (or qrhost --in-meeting) says so.
  bool in_meeting = false;
  Account account;
  // Whether per-user state (the user configuration) is kept on disk, under
  // kovani_common::utils::GetUserDataPath(). Loaded configurations are; in-memory ones (tests) not.
  bool persistent = false;
  // The file this configuration came from, for a reload; empty when it came from elsewhere.
  std::string source_path;
  // Configuration model sections: every "ability" section, plus "realtime", "web" and "shortcuts".
  base::variant::Variant sections = base::variant::Variant::MakeMap();

  // $QUICKREC_CONFIG, else $XDG_CONFIG_HOME/quickrec/config.json (~/.config/... without it).
  static std::string DefaultPath();
  // Defaults for a missing file; false with `*error` for a file that exists but is not valid.
  static bool Load(const std::string& path, HostConfig* config, std::string* error);
  static HostConfig FromVariant(const base::variant::Variant& document);
  base::variant::Variant ToVariant() const;
};

}  // namespace host::app
