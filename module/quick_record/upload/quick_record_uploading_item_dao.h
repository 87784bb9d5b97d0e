#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "module/quick_record/data/service/local_record_data_service.h"
#include "module/quick_record/upload/uploading_item.h"

namespace quick_record {

// The uploading items of the signed-in user: kept in memory, in the order they were made, and
// written through to the local record database. Main looper only.
class QuickRecordUploadingItemDao {
 public:
  static constexpr char kOldItemListKey[] = "quick_record.uploading_item_list";

  // The data service is asked for on first use: making it opens the database, which a host that
  // only activates the module for a moment should not pay for.
  explicit QuickRecordUploadingItemDao(std::function<std::shared_ptr<LocalRecordDataService>()> data_service_of);
  std::shared_ptr<LocalRecordDataService> DataService();

  // Reads the user's quick recordings that have an upload status (older versions' list is moved
  // in first); `done` gets the items once they are in memory.
  void Load(std::function<void(const std::vector<UploadingItem>&)> done);
  // Forgets the items in memory (sign-out or another user).
  void Clear();

  void InsertUploadingItem(const UploadingItem& item);
  // Writes the item's columns to its row and replaces the item in memory.
  void UpdateUploadingItem(const UploadingItem& item);
  void UpdateUploadingItemList(const std::vector<UploadingItem>& items);
  // Removes the item from memory and its row from the database.
  void DeleteUploadingItem(const std::string& instance_id);
  // Null when unknown. The pointer stays valid until the list changes.
  UploadingItem* GetUploadingItemById(const std::string& instance_id);
  std::vector<UploadingItem>& items() { return items_; }

  // Moves an older version's JSON list (user configuration key above) into the database once;
  // `done` runs when the rows are written (or at once when there is nothing to move).
  void MoveOldDataToDBIfNeed(std::function<void()> done);

 private:
  bool BelongsToUser(const UploadingItem& item) const;

  std::function<std::shared_ptr<LocalRecordDataService>()> data_service_of_;
  std::shared_ptr<LocalRecordDataService> data_service_;
  std::vector<UploadingItem> items_;
};

}  // namespace quick_record
