#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 595: the host's red-dot service, which remembers by path whether a badge shows.
// Kept in memory for the life of the host application.
constexpr int32_t kRedDotServiceModelId = 595;
constexpr int32_t kRedDotSet = 5;    // {"path", "is_show"}
constexpr int32_t kRedDotQuery = 6;  // {"path"} -> {"is_show"} (false for a path never set)
constexpr int32_t kRedDotUpdatedEvent = 1;  // {"path", "is_show"}, only when the value changed

class RedDotServiceModel : public framework::ModelImpl {
 public:
  RedDotServiceModel();

  void SetRedDot(const std::string& path, bool is_show);
  bool IsShow(const std::string& path) const;

 private:
  std::map<std::string, bool> dots_;
};

}  // namespace host::app
