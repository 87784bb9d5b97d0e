#pragma once

#include <memory>
#include <string>
#include <vector>

namespace host::app {

// A module shared library loaded with dlopen and entered through its two exported functions.
class ModuleLibrary {
 public:
  // Null with `*error` set to one line when the file is missing, is not a loadable library, or
  // lacks Activate/Deactivate.
  static std::unique_ptr<ModuleLibrary> Load(const std::string& path, std::string* error);
  // Deactivates if needed, releases what the module left with the host, lets the host's loopers
  // run the work the module queued (so no task runs code of an unloaded library) and unloads the
  // library. On the main thread (the main looper's).
  ~ModuleLibrary();

  void Activate();
  void Deactivate();
  bool active() const { return active_; }
  const std::string& path() const { return path_; }

 private:
  using EntryFunction = int (*)();
  using ExitFunction = void (*)();
  ModuleLibrary(std::string path, void* handle, EntryFunction activate, ExitFunction deactivate);

  std::string path_;
  void* handle_;
  EntryFunction activate_;
  ExitFunction deactivate_;
  bool active_ = false;
  std::vector<std::string> plugin_modules_before_;
};

}  // namespace host::app
