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

std::vector<size_t> RecordDataOrder::NewestFirstPositions(const std::vector<uint64_t>& times) {
  std::vector<size_t> positions(times.size());
  for (size_t i = 0; i < positions.size(); ++i) positions[i] = i;
  std::stable_sort(positions.begin(), positions.end(), [&times](size_t a, size_t b) { return times[a] > times[b]; });
  return positions;
}

void RecordDataOrder::SortNewestFirst(std::vector<tagRecordDataItem>* items, int32_t table_type) {
  std::vector<uint64_t> times;
  times.reserve(items->size());
  for (const auto& item : *items) times.push_back(SortTime(item, table_type));
  std::vector<tagRecordDataItem> sorted;
  sorted.reserve(items->size());
  for (size_t position : NewestFirstPositions(times)) sorted.push_back(std::move((*items)[position]));
  items->swap(sorted);
}

}  // namespace quick_record
