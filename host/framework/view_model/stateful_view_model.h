#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "host/base/variant/variant.h"

namespace framework {

using Variant = base::variant::Variant;

// What a view model draws on: it receives every published property.
class IView {
 public:
  virtual ~IView() = default;
  virtual void OnPropertyChanged(int32_t property_id, const Variant& value) = 0;
};

// Base of every view model: publishes its state as properties by integer id and receives user
// actions by integer id. The view that shows it attaches and detaches; subscriptions to models
// are made on attach and dropped on detach.
class StatefulViewModel : public std::enable_shared_from_this<StatefulViewModel> {
 public:
  explicit StatefulViewModel(int32_t view_model_id = 0) : view_model_id_(view_model_id) {}
  virtual ~StatefulViewModel();

  virtual void OnViewCreated() {}
  virtual void OnViewAttached() {}
  virtual void OnViewDetached() {}
  // The action handler that subclasses override.
  virtual void Handle(int action, const Variant* payload);
  // Adds the properties that never change to the first picture of the view.
  virtual void InitStatelessData(Variant* data) { (void)data; }

  // What a view calls for a user action: reports "statistics_report_id" as an analytics event
  // first, then runs Handle.
  void Dispatch(int action, const Variant* payload);

  // Called by the host: parameters the page was opened with ({"router_params": ...}).
  void SetViewParams(Variant params) { view_params_ = std::move(params); }
  const Variant& view_params() const { return view_params_; }

  void AttachView(IView* view);
  void DetachView();
  bool IsViewAttached() const { return view_ != nullptr; }

  int32_t view_model_id() const { return view_model_id_; }
  // The last value published under `property_id` (null if never).
  const Variant& Property(int32_t property_id) const;

 protected:
  void Publish(int32_t property_id, Variant value);

 private:
  const int32_t view_model_id_;
  IView* view_ = nullptr;
  Variant view_params_;
  std::map<int32_t, Variant> properties_;
};

}  // namespace framework
