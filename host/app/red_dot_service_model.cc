#include "host/app/red_dot_service_model.h"

namespace host::app {

using base::variant::Variant;

RedDotServiceModel::RedDotServiceModel() : framework::ModelImpl(kRedDotServiceModelId) {
  BindMethod(kRedDotSet, [this](const Variant& args, Variant*) {
    if (args.GetString("path").empty()) return false;
    SetRedDot(args.GetString("path"), args.GetBool("is_show"));
    return true;
  });
  BindMethod(kRedDotQuery, [this](const Variant& args, Variant* result) {
    if (result) {
      *result = Variant::MakeMap();
      result->Set("is_show", IsShow(args.GetString("path")));
    }
    return true;
  });
}

void RedDotServiceModel::SetRedDot(const std::string& path, bool is_show) {
  const bool changed = IsShow(path) != is_show;
  dots_[path] = is_show;
  if (!changed) return;
  Variant update = Variant::MakeMap();
  update.Set("path", path);
  update.Set("is_show", is_show);
  FireEvent(kRedDotUpdatedEvent, update);
}

bool RedDotServiceModel::IsShow(const std::string& path) const {
  auto it = dots_.find(path);
  return it != dots_.end() && it->second;
}

}  // namespace host::app
