#include "module/quick_record/upload/quick_record_uploading_item_dao.h"

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/utils/user_config.h"

namespace quick_record {

using base::variant::Variant;

namespace {

LocalRecordOwner Owner() {
  LocalRecordOwner owner;
  kovani_common::utils::GetPersonalAppIdAndAppUid(&owner.app_id, &owner.app_uid);
  return owner;
}

SaveOrUpdateLocalDataColumnReqInfo ColumnsOf(const UploadingItem& item) {
  SaveOrUpdateLocalDataColumnReqInfo request;
  static_cast<LocalRecordOwner&>(request) = Owner();
  request.instance_id = item.instance_id;
  PluginSaveOrUpdateLocalDataReqInfo row = item.ToLocalRecordData();
  VisitLocalRecordColumns(row, [&](const char* column, const auto& value) {
    const std::string name = column;
    // The owner and key columns identify the row; they never change.
    if (name == "app_id" || name == "app_uid" || name == "instance_id") return;
    request.columns[name] = Variant(value);
  });
  return request;
}

}  // namespace

QuickRecordUploadingItemDao::QuickRecordUploadingItemDao(
    std::function<std::shared_ptr<LocalRecordDataService>()> data_service_of)
    : data_service_of_(std::move(data_service_of)) {}

std::shared_ptr<LocalRecordDataService> QuickRecordUploadingItemDao::DataService() {
  if (!data_service_) data_service_ = data_service_of_();
  return data_service_;
}

bool QuickRecordUploadingItemDao::BelongsToUser(const UploadingItem& item) const {
  if (item.app_uid == kovani_common::utils::GetSelfAppUid()) return true;
  KLOG(4) << "app_uid not match. ignore: " << item.instance_id;
  return false;
}

void QuickRecordUploadingItemDao::Load(std::function<void(const std::vector<UploadingItem>&)> done) {
  MoveOldDataToDBIfNeed([this, done = std::move(done)] {
    PluginGetLocalRecordDataListReq request;
    static_cast<LocalRecordOwner&>(request) = Owner();
    request.data_type = kLocalDataTypeQuickRecord;
    request.page_size = 0;
    request.is_newer = true;  // every start time
    request.time = -1;
    DataService()->GetDBLocalRecordListDataByStartTime(
        request, [this, done](bool success, std::vector<LocalRecordDataInfo> rows) {
          // Items made while the rows were read (a recording started at once) stay.
          std::vector<UploadingItem> made = std::move(items_);
          items_.clear();
          if (!success) KLOG(1) << "read uploading items failed";
          // Oldest first, so the queue follows the order the recordings were made.
          std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return a.start_record_time < b.start_record_time;
          });
          for (const auto& row : rows) {
            if (row.upload_status < kUploadStatusUploading || row.upload_status > kUploadStatusFailed) continue;
            UploadingItem item = UploadingItem::FromLocalRecordData(row);
            if (BelongsToUser(item) && !GetUploadingItemById(item.instance_id)) items_.push_back(item);
          }
          for (auto& item : made) {
            if (!GetUploadingItemById(item.instance_id)) items_.push_back(std::move(item));
          }
          done(items_);
        });
  });
}

void QuickRecordUploadingItemDao::Clear() { items_.clear(); }

void QuickRecordUploadingItemDao::InsertUploadingItem(const UploadingItem& item) {
  if (!BelongsToUser(item)) return;
  items_.push_back(item);
  DataService()->SaveOrUpdateLocalDatas({item.ToLocalRecordData()}, [id = item.instance_id](PluginSaveOrUpdateLocalDataListResp resp) {
    if (!resp.success) KLOG(1) << "insert uploading item failed: " << id;
  });
}

void QuickRecordUploadingItemDao::UpdateUploadingItem(const UploadingItem& item) {
  UploadingItem* stored = GetUploadingItemById(item.instance_id);
  if (!stored) {
    KLOG(3) << "update unknown uploading item: " << item.instance_id;
    return;
  }
  if (stored != &item) *stored = item;
  DataService()->UpdateColumnData(ColumnsOf(item), [id = item.instance_id](PluginSaveOrUpdateLocalDataListResp resp) {
    if (!resp.success) KLOG(1) << "update uploading item failed: " << id;
  });
}

void QuickRecordUploadingItemDao::UpdateUploadingItemList(const std::vector<UploadingItem>& items) {
  for (const auto& item : items) UpdateUploadingItem(item);
}

void QuickRecordUploadingItemDao::DeleteUploadingItem(const std::string& instance_id) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const UploadingItem& item) { return item.instance_id == instance_id; }),
               items_.end());
  PluginDeleteLocalDataReq request;
  static_cast<LocalRecordOwner&>(request) = Owner();
  request.key_kind = kLocalRecordKeyInstanceId;
  request.instance_id = instance_id;
  DataService()->DeleteLocalDataByKeyId(request, [instance_id](bool success) {
    if (!success) KLOG(1) << "delete uploading item failed: " << instance_id;
  });
}

UploadingItem* QuickRecordUploadingItemDao::GetUploadingItemById(const std::string& instance_id) {
  for (auto& item : items_) {
    if (item.instance_id == instance_id) return &item;
  }
  return nullptr;
}

void QuickRecordUploadingItemDao::MoveOldDataToDBIfNeed(std::function<void()> done) {
  const std::string text = kovanisdk::utils::user_config::GetString(kOldItemListKey);
  if (text.empty()) {
    done();
    return;
  }
  bool ok = false;
  const Variant list = Variant::FromJson(text, &ok);
  // Moved or not, the old list is never read again: a text that is not JSON cannot get better.
  kovanisdk::utils::user_config::SetValue(kOldItemListKey, "");
  if (!ok || !list.IsArray()) {
    KLOG(1) << "parse json fail!";
    done();
    return;
  }
  const LocalRecordOwner owner = Owner();
  std::vector<PluginSaveOrUpdateLocalDataReqInfo> rows;
  for (size_t i = 0; i < list.Size(); ++i) {
    UploadingItem item = UploadingItem::FromVariant(list[i]);
    if (item.instance_id.empty()) continue;
    item.app_id = owner.app_id;
    item.app_uid = owner.app_uid;
    rows.push_back(item.ToLocalRecordData());
  }
  KLOG(6) << "move old uploading items to db: " << rows.size();
  DataService()->SaveOrUpdateLocalDatas(rows, [done = std::move(done)](PluginSaveOrUpdateLocalDataListResp resp) {
    if (!resp.success) KLOG(1) << "move old uploading items failed";
    done();
  });
}

}  // namespace quick_record
