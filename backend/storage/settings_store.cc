#include "storage/settings_store.h"

#include "common/database.h"

namespace qr_backend {

std::optional<std::string> SettingsStore::Get(const std::string& name) const {
  auto rows = db_.Query("SELECT value FROM settings WHERE name = ?", {name});
  if (!rows || rows->empty()) return std::nullopt;
  return rows->front().Text(0);
}

bool SettingsStore::Set(const std::string& name, const std::string& value) {
  return db_
      .Exec(
          "INSERT INTO settings(name, value) VALUES(?, ?) "
          "ON CONFLICT(name) DO UPDATE SET value = excluded.value",
          {name, value})
      .ok;
}

std::optional<std::string> SettingsStore::GetOrCreate(const std::string& name,
                                                      std::string (*make)()) {
  std::optional<std::string> value;
  const bool ok = db_.Transaction([&] {
    value = Get(name);
    if (value) return true;
    value = make();
    return Set(name, *value);
  });
  return ok ? value : std::nullopt;
}

}  // namespace qr_backend
