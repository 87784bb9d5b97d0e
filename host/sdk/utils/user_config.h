#pragma once

#include <string>

#include "host/base/variant/variant.h"

// The signed-in user's settings (host model 517) by key, for modules that only read and write
// values. Without a host application reads answer the default and writes are dropped.
namespace kovanisdk::utils::user_config {

base::variant::Variant GetValue(const std::string& key, const base::variant::Variant& def = {});
std::string GetString(const std::string& key, const std::string& def = {});
// False when there is no settings store to write to.
bool SetValue(const std::string& key, const base::variant::Variant& value);

}  // namespace kovanisdk::utils::user_config
