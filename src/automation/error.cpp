#include "automation/error.h"

#include <new>

namespace veltrano::automation {

Error as_automation_error(const std::exception& e) {
  if (const auto* err = dynamic_cast<const Error*>(&e)) return *err;
  if (dynamic_cast<const std::bad_alloc*>(&e)) return Error(7, "内存不足");
  return Error(errc::kInternal, std::string("内部错误：") + e.what());
}

}  // namespace veltrano::automation
