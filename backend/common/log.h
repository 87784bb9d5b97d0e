#pragma once

#include <string_view>

namespace qr_backend {

// One line per event on stderr; stdout carries only the start-up JSON line that fixtures read.
void LogInfo(std::string_view message);
void LogWarning(std::string_view message);
void SetQuietLogging(bool quiet);  // drops info lines; warnings always pass

}  // namespace qr_backend
