#pragma once

#include <cstdint>
#include <memory>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// The models the control bar talks to. Any left null is looked up when the bar is attached (the
// module's own and the host's), and a model that does not exist is simply not followed.
struct BottomBarModels {
  // The host application (model 502): may it quit, and is the microphone in use.
  static constexpr int32_t kHostApplicationModelId = 502;

  std::shared_ptr<framework::ModelImpl> session;
  std::shared_ptr<framework::ModelImpl> recorder;
  std::shared_ptr<framework::ModelImpl> time;
  std::shared_ptr<framework::ModelImpl> space;
  std::shared_ptr<framework::ModelImpl> shortcut;
  std::shared_ptr<framework::ModelImpl> performance;
  std::shared_ptr<framework::ModelImpl> upload;
  std::shared_ptr<framework::ModelImpl> camera;
  std::shared_ptr<framework::ModelImpl> recording_service;
  std::shared_ptr<framework::ModelImpl> window_state;
  std::shared_ptr<framework::ModelImpl> devices;
  std::shared_ptr<framework::ModelImpl> application;

  void ResolveMissing();
};

}  // namespace quick_record
