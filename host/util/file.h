#pragma once

#include <cstdint>
#include <string>

// Files and directories. Every operation answers its outcome; none throws.
namespace util::file {

bool IsFileExist(const std::string& path);
// Bytes in a regular file; -1 when it does not exist or is not a regular file.
int64_t GetFileLength(const std::string& path);
// Creates one directory; true when it exists afterwards.
bool MakeDirectory(const std::string& path);
// Creates a directory and every missing parent ("mkdir -p"); true when it exists afterwards.
bool MakePath(const std::string& path);
// Removes a file or an empty directory; true when nothing is left at the path.
bool Remove(const std::string& path);

bool ReadFileToString(const std::string& path, std::string* contents);
// Replaces the file so that a crash at any moment leaves either the old or the new contents:
// writes a temporary file beside it, flushes it to disk, renames it over the old one and flushes
// the directory.
bool WriteFileAtomically(const std::string& path, const std::string& contents);
// Flushes a directory's entries (after a rename or a create) to disk.
bool SyncDirectory(const std::string& directory);

// The directory part of a path ("." when there is none) and the last component.
std::string DirName(const std::string& path);
std::string BaseName(const std::string& path);

// The per-user data directory of the host, with a trailing '/':
// $XDG_DATA_HOME/quickrec/, or ~/.local/share/quickrec/ when XDG_DATA_HOME is unset or not absolute.
std::string GetUserDataDirectory();

}  // namespace util::file
