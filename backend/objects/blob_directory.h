#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "objects/blob_writer.h"

namespace qr_backend {

// The files that hold the content of objects and uploaded parts, "blobs/xx/<name>" under the
// root, and "tmp/" for bodies being received. A name never comes back once removed. A file
// that is removed while pinned (an open reader, a digest in progress) is unlinked when its
// last pin goes, so a reader keeps seeing the content it opened. Unlinking a large file takes
// long on a busy disk, so it happens on a thread of its own, never in a request; a file whose
// unlink a crash prevented is unreferenced and goes with the next Sweep().
class BlobDirectory {
 public:
  // Keeps files from being unlinked for as long as it lives; may outlive the directory.
  class Pin {
   public:
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

   private:
    friend class BlobDirectory;
    struct Registry;
    Pin(std::shared_ptr<Registry> registry, std::vector<std::string> paths);

    std::shared_ptr<Registry> registry_;
    std::vector<std::string> paths_;
  };

  explicit BlobDirectory(std::string root);
  // Unlinks what is still queued; pinned files go when their pins do.
  ~BlobDirectory();
  BlobDirectory(const BlobDirectory&) = delete;
  BlobDirectory& operator=(const BlobDirectory&) = delete;

  // Creates the directories and empties "tmp/".
  bool Prepare(std::string* error);
  // Unlinks every blob whose name is not in `keep` (left by a crash); returns how many.
  size_t Sweep(const std::set<std::string>& keep);

  std::string PathOf(const std::string& name) const;
  // A writer for a new body under "tmp/"; nullptr when no file can be created.
  std::unique_ptr<BlobWriter> NewWriter();
  // Finishes the writer and renames its file into "blobs/" under a new name, durably.
  std::optional<std::string> Publish(BlobWriter& writer);

  std::shared_ptr<const Pin> PinFiles(const std::vector<std::string>& names);
  void Remove(const std::vector<std::string>& names);
  // Returns once every file removed so far and no longer pinned is unlinked.
  void WaitForRemovals();

 private:
  std::string root_;
  std::shared_ptr<Pin::Registry> registry_;
};

}  // namespace qr_backend
