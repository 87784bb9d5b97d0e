#pragma once

// Where a task or timer was created, so logs can name its origin.
namespace base {

struct Location {
  const char* file = "";
  int line = 0;
  const char* function = "";
};

}  // namespace base

#define FROM_HERE (::base::Location{__FILE__, __LINE__, __func__})
