#pragma once

#include <cstdint>
#include <memory>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// The answer of `model` to `method_id`; empty when the model is missing or does not answer.
inline base::variant::Variant CallModel(const std::shared_ptr<framework::ModelImpl>& model, int32_t method_id,
                                        const base::variant::Variant& args = {}) {
  base::variant::Variant result;
  if (model) model->Call(method_id, args, &result);
  return result;
}

}  // namespace quick_record
