#pragma once

#include <functional>

#include "automation/error.h"

namespace veltrano::test {

// The number of the automation error f fails with, or 0 when it does not fail.
inline std::int32_t failure_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const automation::Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace veltrano::test
