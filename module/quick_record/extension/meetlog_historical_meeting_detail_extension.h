#pragma once

#include <string>

#include "host/sdk/kovani/module_extension.h"

namespace quick_record {

// The recordings section of a past meeting's detail page.
class MeetlogHistoricalMeetingDetailExtension : public kovani::ModuleExtension {
 public:
  framework::module::ModuleRuntimeBaseImpl* GetModuleRuntime() override;
  void Init(const base::variant::Variant& params) override;
  int32_t GetContentViewModelId() const override;

  const std::string& meeting_id() const { return meeting_id_; }

 private:
  std::string meeting_id_;
};

}  // namespace quick_record
