#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/cloud/cloud_record_item_resp.h"
#include "module/quick_record/data/record/record_data_item.h"

namespace quick_record {

// Makes the shared record of a back-end list item. Thread-safe; the list form reads the host's
// web host once for all items.
class CloudRecordItemConverter {
 public:
  // `web_host` is the host's GetWebHost(): "https://host[:port]".
  static tagRecordDataItem Convert(const CloudRecordItemResp& item, const std::string& web_host);
  static std::vector<tagRecordDataItem> ConvertAll(const std::vector<CloudRecordItemResp>& items);
  // The same records newest first by the time the table type orders by (RecordDataOrder), items
  // of the same time in their order. Ordered before converting, so no record is moved twice.
  static std::vector<tagRecordDataItem> ConvertAllNewestFirst(const std::vector<CloudRecordItemResp>& items,
                                                              int32_t table_type);

  // A decimal text as an unsigned 64-bit number: the leading digits count; a text that does not
  // start with a digit, or whose digits do not fit, gives 0.
  static uint64_t ParseUnsignedDecimal(const std::string& text);

 private:
  // Converts into a record that is already in place: a list is filled without moving records.
  static void Fill(const CloudRecordItemResp& item, const std::string& web_host, tagRecordDataItem* record);
};

}  // namespace quick_record
