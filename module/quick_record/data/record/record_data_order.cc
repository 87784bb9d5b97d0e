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
  // A record is large: sort (time, position) pairs and move each record once.
  std::vector<std::pair<uint64_t, size_t>> order;
  order.reserve(items->size());
  for (size_t i = 0; i < items->size(); ++i) order.emplace_back(SortTime((*items)[i], table_type), i);
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  std::vector<tagRecordDataItem> sorted;
  sorted.reserve(items->size());
  for (const auto& entry : order) sorted.push_back(std::move((*items)[entry.second]));
  items->swap(sorted);
}

}  // namespace quick_record
