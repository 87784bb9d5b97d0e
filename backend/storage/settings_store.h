#pragma once

#include <optional>
#include <string>

namespace qr_backend {

class Database;

// Named values that must outlive a restart: the server key and what the admin API changed.
class SettingsStore {
 public:
  explicit SettingsStore(Database& db) : db_(db) {}

  std::optional<std::string> Get(const std::string& name) const;
  bool Set(const std::string& name, const std::string& value);
  // Returns the stored value, or stores and returns the one `make` gives when there is none.
  std::optional<std::string> GetOrCreate(const std::string& name, std::string (*make)());

 private:
  Database& db_;
};

}  // namespace qr_backend
