#pragma once

#include <memory>
#include <vector>

#include "host/base/variant/variant.h"
#include "module/quick_record/data/record/record_data_item.h"
#include "module/quick_record/data/record/record_data_item_changed.h"
#include "module/quick_record/data/record/record_data_requests.h"

namespace quick_record {

// The variant-map forms of records, list requests and answers and change notifications. Writing
// sets exactly the listed keys; reading takes every key with a default (0, false, empty text), so
// a partial map, a value of another type or a value out of range never fails a read: the field
// keeps its default. All functions are pure and thread-safe.
class RecordDataConvertUtils {
 public:
  using Variant = base::variant::Variant;

  static Variant ItemToVariant(const tagRecordDataItem& item);
  static tagRecordDataItem ItemFromVariant(const Variant& value);
  static Variant ItemsToVariant(const std::vector<tagRecordDataItem>& items);
  // Elements that are not maps are skipped.
  static std::vector<tagRecordDataItem> ItemsFromVariant(const Variant& array);

  static Variant NormalRequestToVariant(const tagRecordDataNormalRequest& request);
  static tagRecordDataNormalRequest NormalRequestFromVariant(const Variant& value);
  static Variant ListResponseToVariant(const tagRecordDataListResponse& response);
  static tagRecordDataListResponse ListResponseFromVariant(const Variant& value);

  static Variant SingleRequestToVariant(const tagSingleRecordDataRequest& request);
  // False ("item_var is invalid") when `value` is not a map.
  static bool SingleRequestFromVariant(const Variant& value, tagSingleRecordDataRequest* request);
  static Variant SingleMeetingRequestToVariant(const tagSingleMeetingRecordDataRequest& request);
  static bool SingleMeetingRequestFromVariant(const Variant& value, tagSingleMeetingRecordDataRequest* request);
  static Variant SingleResponseToVariant(const tagSingleRecordDataResponse& response);
  static tagSingleRecordDataResponse SingleResponseFromVariant(const Variant& value);

  static Variant UpdateRequestToVariant(const tagUpdateRecordDataRequest& request);
  static tagUpdateRecordDataRequest UpdateRequestFromVariant(const Variant& value);
  static Variant DeleteRequestToVariant(const tagDeleteRecordDataRequest& request);
  static tagDeleteRecordDataRequest DeleteRequestFromVariant(const Variant& value);
  static Variant BatchDeleteRequestToVariant(const tagBatchDeleteRecordDataRequest& request);
  static tagBatchDeleteRecordDataRequest BatchDeleteRequestFromVariant(const Variant& value);
  static Variant BatchDeleteResponseToVariant(const tagBatchDeleteRecordDataResponse& response);
  static tagBatchDeleteRecordDataResponse BatchDeleteResponseFromVariant(const Variant& value);

  // Reason 2 is never made: "Not implement." is logged and the answer is null.
  static Variant ChangedToVariant(const tagRecordDataItemChanged& changed);
  // The specialisation of the map's "changed_reason"; null for reason 2 and unknown reasons.
  static std::shared_ptr<tagRecordDataItemChanged> ChangedFromVariant(const Variant& value);
};

}  // namespace quick_record
