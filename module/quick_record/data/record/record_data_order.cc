#include "module/quick_record/data/record/record_data_order.h"

#include <algorithm>

namespace quick_record {

uint64_t RecordDataOrder::SortTime(const tagRecordDataItem& item, int32_t table_type) {
  switch (table_type) {
    case kRecordTableAll:
      return item.update_record_time;
    case kRecordTableRecent:
      return item.last_visited_time;
    default:
      return item.record_start_time;
  }
}

void RecordDataOrder::SortNewestFirst(std::vector<tagRecordDataItem>* items, int32_t table_type) {
  std::stable_sort(items->begin(), items->end(), [table_type](const tagRecordDataItem& a, const tagRecordDataItem& b) {
    return SortTime(a, table_type) > SortTime(b, table_type);
  });
}

}  // namespace quick_record
