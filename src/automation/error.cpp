#include <glibmm/error.h>

#include <new>

#include "automation/object.h"

namespace veltrano::automation {

void throw_no_member(std::string_view member, std::string_view how) {
  throw Error(errc::kNoSuchMember, "对象不支持该属性或方法：不能" + std::string(how) + "“" + std::string(member) + "”");
}

Error as_automation_error(const std::exception& e) {
  if (const auto* err = dynamic_cast<const Error*>(&e)) return *err;
  if (dynamic_cast<const std::bad_alloc*>(&e)) return Error(7, "内存不足");
  return Error(errc::kInternal, std::string("内部错误：") + e.what());
}

Error as_automation_error(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return as_automation_error(e);
  } catch (const Glib::Error& e) {  // a resource, a style sheet or a picture that would not load
    return Error(errc::kInternal, "内部错误：" + e.what().raw());
  } catch (...) {
    return Error(errc::kInternal, "内部错误：未知的异常");
  }
}

}  // namespace veltrano::automation
