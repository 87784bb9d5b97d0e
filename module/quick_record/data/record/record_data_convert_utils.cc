#include "module/quick_record/data/record/record_data_convert_utils.h"

#include "host/base/logging/logger.h"

namespace quick_record {

using base::variant::Variant;

namespace {

void ReadField(const Variant& v, std::string* field) { *field = v.AsString(); }
void ReadField(const Variant& v, int32_t* field) { *field = v.AsInt32(); }
void ReadField(const Variant& v, uint64_t* field) { *field = v.AsUInt64(); }
void ReadField(const Variant& v, bool* field) { *field = v.AsBool(); }

// The map of the fields a Visit...Fields list names.
template <typename T, typename VisitFields>
Variant MapOf(const T& object, VisitFields visit_fields) {
  Variant out = Variant::MakeMap();
  visit_fields(object, [&out](const char* key, const auto& field) { out.Set(key, Variant(field)); });
  return out;
}

template <typename T, typename VisitFields>
void ReadAll(const Variant& in, VisitFields visit_fields, T* object) {
  visit_fields(*object, [&in](const char* key, auto& field) { ReadField(in.Get(key), &field); });
}

template <typename T, typename VisitFields>
T ObjectOf(const Variant& in, VisitFields visit_fields) {
  T object;
  ReadAll(in, visit_fields, &object);
  return object;
}

// A list as an array, and back; elements that are not maps are no entries.
template <typename T>
Variant ArrayOf(const std::vector<T>& list, Variant (*to_variant)(const T&)) {
  Variant array = Variant::MakeArray();
  for (const auto& element : list) array.Add(to_variant(element));
  return array;
}

template <typename T>
std::vector<T> ListOf(const Variant& array, T (*from_variant)(const Variant&)) {
  std::vector<T> list;
  list.reserve(array.Size());
  for (const auto& element : array.AsArray()) {
    if (element.IsMap()) list.push_back(from_variant(element));
  }
  return list;
}

// Adapters that make the visitor templates passable as values.
#define QR_FIELDS(visitor) [](auto& object, auto&& visit) { visitor(object, visit); }

Variant DeleteRequestsToVariant(const std::vector<tagDeleteRecordDataRequest>& requests) {
  return ArrayOf(requests, &RecordDataConvertUtils::DeleteRequestToVariant);
}

std::vector<tagDeleteRecordDataRequest> DeleteRequestsFromVariant(const Variant& array) {
  return ListOf(array, &RecordDataConvertUtils::DeleteRequestFromVariant);
}

}  // namespace

Variant RecordDataConvertUtils::ItemToVariant(const tagRecordDataItem& item) {
  return MapOf(item, QR_FIELDS(VisitRecordDataItemFields));
}

tagRecordDataItem RecordDataConvertUtils::ItemFromVariant(const Variant& value) {
  return ObjectOf<tagRecordDataItem>(value, QR_FIELDS(VisitRecordDataItemFields));
}

Variant RecordDataConvertUtils::ItemsToVariant(const std::vector<tagRecordDataItem>& items) {
  return ArrayOf(items, &ItemToVariant);
}

std::vector<tagRecordDataItem> RecordDataConvertUtils::ItemsFromVariant(const Variant& array) {
  return ListOf(array, &ItemFromVariant);
}

Variant RecordDataConvertUtils::NormalRequestToVariant(const tagRecordDataNormalRequest& request) {
  return MapOf(request, QR_FIELDS(VisitNormalRequestFields));
}

tagRecordDataNormalRequest RecordDataConvertUtils::NormalRequestFromVariant(const Variant& value) {
  return ObjectOf<tagRecordDataNormalRequest>(value, QR_FIELDS(VisitNormalRequestFields));
}

Variant RecordDataConvertUtils::ListResponseToVariant(const tagRecordDataListResponse& response) {
  Variant out = MapOf(response, QR_FIELDS(VisitListResponseFields));
  out.Set("record_items", ItemsToVariant(response.record_items));
  return out;
}

tagRecordDataListResponse RecordDataConvertUtils::ListResponseFromVariant(const Variant& value) {
  tagRecordDataListResponse response = ObjectOf<tagRecordDataListResponse>(value, QR_FIELDS(VisitListResponseFields));
  response.record_items = ItemsFromVariant(value.Get("record_items"));
  return response;
}

Variant RecordDataConvertUtils::SingleRequestToVariant(const tagSingleRecordDataRequest& request) {
  return MapOf(request, QR_FIELDS(VisitSingleRequestFields));
}

bool RecordDataConvertUtils::SingleRequestFromVariant(const Variant& value, tagSingleRecordDataRequest* request) {
  if (!value.IsMap()) {
    KLOG(1) << "item_var is invalid";
    return false;
  }
  *request = ObjectOf<tagSingleRecordDataRequest>(value, QR_FIELDS(VisitSingleRequestFields));
  return true;
}

Variant RecordDataConvertUtils::SingleMeetingRequestToVariant(const tagSingleMeetingRecordDataRequest& request) {
  return MapOf(request, QR_FIELDS(VisitSingleMeetingRequestFields));
}

bool RecordDataConvertUtils::SingleMeetingRequestFromVariant(const Variant& value,
                                                             tagSingleMeetingRecordDataRequest* request) {
  if (!value.IsMap()) {
    KLOG(1) << "item_var is invalid";
    return false;
  }
  *request = ObjectOf<tagSingleMeetingRecordDataRequest>(value, QR_FIELDS(VisitSingleMeetingRequestFields));
  return true;
}

Variant RecordDataConvertUtils::SingleResponseToVariant(const tagSingleRecordDataResponse& response) {
  Variant out = MapOf(response, QR_FIELDS(VisitSingleResponseFields));
  out.Set("record_items", ItemsToVariant(response.record_items));
  return out;
}

tagSingleRecordDataResponse RecordDataConvertUtils::SingleResponseFromVariant(const Variant& value) {
  tagSingleRecordDataResponse response =
      ObjectOf<tagSingleRecordDataResponse>(value, QR_FIELDS(VisitSingleResponseFields));
  response.record_items = ItemsFromVariant(value.Get("record_items"));
  return response;
}

Variant RecordDataConvertUtils::UpdateRequestToVariant(const tagUpdateRecordDataRequest& request) {
  Variant out = MapOf(request, QR_FIELDS(VisitUpdateRequestFields));
  out.Set("record_items", ItemsToVariant(request.record_items));
  return out;
}

tagUpdateRecordDataRequest RecordDataConvertUtils::UpdateRequestFromVariant(const Variant& value) {
  tagUpdateRecordDataRequest request = ObjectOf<tagUpdateRecordDataRequest>(value, QR_FIELDS(VisitUpdateRequestFields));
  request.record_items = ItemsFromVariant(value.Get("record_items"));
  return request;
}

Variant RecordDataConvertUtils::DeleteRequestToVariant(const tagDeleteRecordDataRequest& request) {
  return MapOf(request, QR_FIELDS(VisitDeleteRequestFields));
}

tagDeleteRecordDataRequest RecordDataConvertUtils::DeleteRequestFromVariant(const Variant& value) {
  return ObjectOf<tagDeleteRecordDataRequest>(value, QR_FIELDS(VisitDeleteRequestFields));
}

Variant RecordDataConvertUtils::BatchDeleteRequestToVariant(const tagBatchDeleteRecordDataRequest& request) {
  Variant out = Variant::MakeMap();
  out.Set("trace_id", request.trace_id);
  out.Set("delete_local_record_file", request.delete_local_record_file);
  out.Set("request_list", DeleteRequestsToVariant(request.request_list));
  return out;
}

tagBatchDeleteRecordDataRequest RecordDataConvertUtils::BatchDeleteRequestFromVariant(const Variant& value) {
  tagBatchDeleteRecordDataRequest request;
  request.trace_id = value.GetString("trace_id");
  request.delete_local_record_file = value.GetBool("delete_local_record_file");
  request.request_list = DeleteRequestsFromVariant(value.Get("request_list"));
  return request;
}

Variant RecordDataConvertUtils::BatchDeleteResponseToVariant(const tagBatchDeleteRecordDataResponse& response) {
  Variant out = Variant::MakeMap();
  out.Set("success", response.success);
  out.Set("suc_array", DeleteRequestsToVariant(response.suc_array));
  out.Set("fail_array", DeleteRequestsToVariant(response.fail_array));
  return out;
}

tagBatchDeleteRecordDataResponse RecordDataConvertUtils::BatchDeleteResponseFromVariant(const Variant& value) {
  tagBatchDeleteRecordDataResponse response;
  response.success = value.GetBool("success");
  response.suc_array = DeleteRequestsFromVariant(value.Get("suc_array"));
  response.fail_array = DeleteRequestsFromVariant(value.Get("fail_array"));
  return response;
}

namespace {

template <typename T, typename Visit>
void VisitChangedFields(T& c, Visit&& visit) {
  visit("trace_id", c.trace_id);
  visit("record_data_type", c.record_data_type);
  visit("instance_id", c.instance_id);
  visit("changed_reason", c.changed_reason);
  visit("apply_to_individual", c.apply_to_individual);
}

template <typename T, typename Visit>
void VisitRecordStatusFields(T& c, Visit&& visit) {
  visit("record_status", c.record_status);
  visit("total_progress", c.total_progress);
  visit("handled_progress", c.handled_progress);
  visit("record_end_time", c.record_end_time);
}

template <typename T, typename Visit>
void VisitPermissionTipsFields(T& c, Visit&& visit) {
  visit("permission_tips", c.permission_tips);
  visit("share_link", c.share_link);
}

// The extra keys of each reason, in both directions: `Io` writes or reads one field.
template <typename Changed, typename Io>
bool VisitReasonFields(Changed& changed, Io&& io) {
  using Base = std::remove_const_t<Changed>;
  static_assert(std::is_same_v<Base, tagRecordDataItemChanged>);
  constexpr bool kConst = std::is_const_v<Changed>;
  auto as = [&changed](auto* type_tag) {
    using T = std::remove_pointer_t<decltype(type_tag)>;
    using Target = std::conditional_t<kConst, const T, T>;
    return dynamic_cast<Target*>(&changed);
  };
  switch (changed.changed_reason) {
    case kRecordChangedAdded:
    case kRecordChangedRemoved:
      return true;
    case kRecordChangedRecordStatus:
      if (auto* c = as(static_cast<tagRecordDataItemRecordStatusChanged*>(nullptr))) {
        VisitRecordStatusFields(*c, io);
        return true;
      }
      return false;
    case kRecordChangedCover:
      if (auto* c = as(static_cast<tagRecordDataItemCoverChanged*>(nullptr))) {
        io("cover_path", c->cover_path);
        return true;
      }
      return false;
    case kRecordChangedTotalTime:
      if (auto* c = as(static_cast<tagRecordDataItemTotalTimeChanged*>(nullptr))) {
        io("record_total_time", c->record_total_time);
        return true;
      }
      return false;
    case kRecordChangedPermissionTips:
      if (auto* c = as(static_cast<tagRecordDataItemPermissionTipsChanged*>(nullptr))) {
        VisitPermissionTipsFields(*c, io);
        return true;
      }
      return false;
    case kRecordChangedRecordFilePath:
      if (auto* c = as(static_cast<tagRecordDataItemRecordFilePathChanged*>(nullptr))) {
        io("record_file_path_map", c->record_file_path_map);
        return true;
      }
      return false;
    case kRecordChangedRedDotStatus:
      if (auto* c = as(static_cast<tagRecordDataItemRedDotStatusChanged*>(nullptr))) {
        io("is_show_red_dot", c->is_show_red_dot);
        return true;
      }
      return false;
    default:
      return false;
  }
}

void ReadField(const Variant& v, std::map<std::string, std::string>* field) {
  field->clear();
  for (const auto& [key, value] : v.AsMap()) (*field)[key] = value.AsString();
}

Variant ToVariant(const std::map<std::string, std::string>& map) {
  Variant out = Variant::MakeMap();
  for (const auto& [key, value] : map) out.Set(key, value);
  return out;
}
template <typename T>
Variant ToVariant(const T& value) {
  return Variant(value);
}

std::shared_ptr<tagRecordDataItemChanged> MakeChanged(int32_t reason) {
  switch (reason) {
    case kRecordChangedAdded:
    case kRecordChangedRemoved:
      return std::make_shared<tagRecordDataItemChanged>();
    case kRecordChangedRecordStatus:
      return std::make_shared<tagRecordDataItemRecordStatusChanged>();
    case kRecordChangedCover:
      return std::make_shared<tagRecordDataItemCoverChanged>();
    case kRecordChangedTotalTime:
      return std::make_shared<tagRecordDataItemTotalTimeChanged>();
    case kRecordChangedPermissionTips:
      return std::make_shared<tagRecordDataItemPermissionTipsChanged>();
    case kRecordChangedRecordFilePath:
      return std::make_shared<tagRecordDataItemRecordFilePathChanged>();
    case kRecordChangedRedDotStatus:
      return std::make_shared<tagRecordDataItemRedDotStatusChanged>();
    default:
      return nullptr;
  }
}

}  // namespace

Variant RecordDataConvertUtils::ChangedToVariant(const tagRecordDataItemChanged& changed) {
  if (changed.changed_reason == kRecordChangedNotImplemented) {
    KLOG(3) << "Not implement.";
    return Variant();
  }
  Variant out = Variant::MakeMap();
  VisitChangedFields(changed, [&out](const char* key, const auto& field) { out.Set(key, ToVariant(field)); });
  if (!VisitReasonFields(changed, [&out](const char* key, const auto& field) { out.Set(key, ToVariant(field)); })) {
    KLOG(3) << "change of reason " << changed.changed_reason << " carries no matching structure";
    return Variant();
  }
  return out;
}

std::shared_ptr<tagRecordDataItemChanged> RecordDataConvertUtils::ChangedFromVariant(const Variant& value) {
  const int32_t reason = value.GetInt32("changed_reason");
  if (reason == kRecordChangedNotImplemented) {
    KLOG(3) << "Not implement.";
    return nullptr;
  }
  auto changed = MakeChanged(reason);
  if (!changed) return nullptr;
  VisitChangedFields(*changed, [&value](const char* key, auto& field) { ReadField(value.Get(key), &field); });
  VisitReasonFields(*changed, [&value](const char* key, auto& field) { ReadField(value.Get(key), &field); });
  return changed;
}

}  // namespace quick_record
