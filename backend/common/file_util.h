#pragma once

#include <string>

namespace qr_backend {

// Writes a whole file so that a crash leaves either the old or the new content: write to a
// temporary file beside it, fsync, rename over the target, fsync the directory.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error);

// Makes a rename or unlink in the directory durable.
bool SyncDirectory(const std::string& directory);

}  // namespace qr_backend
