#include "host/app/host_config.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace host::app {

using base::variant::Variant;

std::string HostConfig::DefaultPath() {
  if (const char* path = std::getenv("QUICKREC_CONFIG"); path && *path) return path;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/quickrec/config.json";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.config/quickrec/config.json";
}

bool HostConfig::Load(const std::string& path, HostConfig* config, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *config = FromVariant(Variant::MakeMap());
    config->persistent = true;
    config->source_path = path;
    return true;
  }
  std::stringstream text;
  text << in.rdbuf();
  bool ok = false;
  Variant document = Variant::FromJson(text.str(), &ok);
  if (!ok || !document.IsMap()) {
    if (error) *error = "configuration " + path + " is not a JSON object";
    return false;
  }
  *config = FromVariant(document);
  config->persistent = true;
  config->source_path = path;
  return true;
}

HostConfig HostConfig::FromVariant(const Variant& document) {
  HostConfig config;
  config.backend_url = document.GetString("backend_url");
  config.web_host = document.GetString("web_host");
  config.save_dir = document.GetString("save_dir");
  config.in_meeting = document.GetBool("in_meeting");
  const Variant& account = document.Get("account");
  config.account = Account{account.GetString("app_id"), account.GetString("app_uid"), account.GetString("nick_name"),
                           account.GetString("avatar"),  account.GetString("token"),   account.GetString("secret")};
  for (const auto& [section, values] : document.Get("ability").AsMap()) config.sections.Set(section, values);
  config.sections.Set("realtime", document.Get("realtime").IsMap() ? document.Get("realtime") : Variant::MakeMap());
  Variant web = Variant::MakeMap();
  if (!config.web_host.empty()) web.Set("host", config.web_host);
  config.sections.Set("web", web);
  config.sections.Set("shortcuts", document.Get("shortcuts").IsMap() ? document.Get("shortcuts") : Variant::MakeMap());
  return config;
}

Variant HostConfig::ToVariant() const {
  Variant document = Variant::MakeMap();
  document.Set("backend_url", backend_url);
  document.Set("web_host", web_host);
  document.Set("save_dir", save_dir);
  document.Set("in_meeting", in_meeting);
  Variant a = Variant::MakeMap();
  a.Set("app_id", account.app_id);
  a.Set("app_uid", account.app_uid);
  a.Set("nick_name", account.nick_name);
  a.Set("avatar", account.avatar);
  a.Set("token", account.token);
  a.Set("secret", account.secret);
  document.Set("account", a);
  Variant ability = Variant::MakeMap();
  for (const auto& [section, values] : sections.AsMap()) {
    if (section != "realtime" && section != "web" && section != "shortcuts") ability.Set(section, values);
  }
  document.Set("ability", ability);
  document.Set("realtime", sections.Get("realtime"));
  if (sections.Has("shortcuts")) document.Set("shortcuts", sections.Get("shortcuts"));
  return document;
}

}  // namespace host::app
