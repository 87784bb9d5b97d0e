#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// The class behind each model id. A model joins the module with one line in model_registry.cc.
// Null for ids without a class (yet).
std::shared_ptr<framework::ModelImpl> CreateModelById(int32_t model_id);
bool IsModelRegistered(int32_t model_id);

}  // namespace quick_record
