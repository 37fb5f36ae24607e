// One failure type for everything that goes wrong inside an automation call.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

namespace veltrano::automation {

// Error numbers, as automation clients know them.
namespace errc {
inline constexpr std::int32_t kInvalidCall = 5;  // invalid procedure call or argument
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternal = 51;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kCannotCreate = 429;  // no such class, or its server is not there
inline constexpr std::int32_t kNoSuchMember = 438;
inline constexpr std::int32_t kWrongArgCount = 450;
inline constexpr std::int32_t kObjectGone = 462;             // the object's window or server has gone away
inline constexpr std::int32_t kRequestFailed = -2146697211;  // a network request did not complete
inline constexpr std::int32_t kBadCharset = 3001;
inline constexpr std::int32_t kWrongState = 3219;  // operation not allowed in this state
}  // namespace errc

class Error : public std::runtime_error {
 public:
  Error(std::int32_t number, const std::string& description) : std::runtime_error(description), m_number(number) {}

  std::int32_t number() const noexcept { return m_number; }
  std::string description() const { return what(); }

 private:
  std::int32_t m_number;
};

// The error any other exception becomes when it crosses an automation boundary.
Error as_automation_error(const std::exception& e);
// The same for whatever was thrown, GLib's errors and unknown types included. Called with
// std::current_exception() in a catch (...).
Error as_automation_error(std::exception_ptr failure);

}  // namespace veltrano::automation
