#include "host/app/auth_model.h"

#include "host/app/host_model_ids.h"

namespace host::app {

using base::variant::Variant;

namespace {
constexpr int32_t kAuthTypeToken = 1;
}

AuthModel::AuthModel(std::string app_uid) : framework::ModelImpl(kAuthModelId), app_uid_(std::move(app_uid)) {
  BindMethod(kAuthGetState, [this](const Variant&, Variant* result) {
    if (result) *result = State();
    return true;
  });
}

int32_t AuthModel::auth_state() const { return app_uid_.empty() ? kAuthStateSignedOut : kAuthStateAuthorized; }

Variant AuthModel::State() const {
  Variant state = Variant::MakeMap();
  state.Set("auth_state", auth_state());
  state.Set("auth_type", kAuthTypeToken);
  state.Set("app_uid", app_uid_);
  return state;
}

void AuthModel::SetSignedInUser(const std::string& app_uid, const std::string& source) {
  if (app_uid == app_uid_) return;
  app_uid_ = app_uid;
  Variant change = Variant::MakeMap();
  change.Set("auth_state", auth_state());
  change.Set("auth_type", kAuthTypeToken);
  change.Set("source", source);
  FireEvent(kAuthStateChangedEvent, change);
}

}  // namespace host::app
