#pragma once

#include <cstdint>
#include <vector>

#include "module/quick_record/data/record/record_data_item.h"

namespace quick_record {

// The time a list of a table type is ordered and paged by: the update time for all records, the
// last visit for recent records, the start time for every other list.
class RecordDataOrder {
 public:
  static uint64_t SortTime(const tagRecordDataItem& item, int32_t table_type);
  // Newest first; records with the same time keep their order.
  static void SortNewestFirst(std::vector<tagRecordDataItem>* items, int32_t table_type);
  // The positions of `times` newest first, equal times in their order: records are large, so
  // callers order positions and move each record once.
  static std::vector<size_t> NewestFirstPositions(const std::vector<uint64_t>& times);
};

}  // namespace quick_record
