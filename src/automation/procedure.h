// How a procedure treats a failing step.
//   Propagate:  the first failure ends the procedure and goes to its caller.
//   ResumeNext: a failing step is abandoned and the next step runs; the failure is only
//               noted in the error record.
#pragma once

#include <exception>
#include <optional>

#include "automation/error.h"

namespace veltrano::automation {

enum class OnError { Propagate, ResumeNext };

class Procedure {
 public:
  explicit Procedure(OnError mode) : m_mode(mode) {}

  template <class Step>
  void step(Step&& body) {
    if (m_mode == OnError::Propagate) {
      body();
      return;
    }
    try {
      body();
    } catch (...) {
      m_error_record = as_automation_error(std::current_exception());
    }
  }

  // The last failure a trapped step left behind.
  const std::optional<Error>& error_record() const noexcept { return m_error_record; }

 private:
  OnError m_mode;
  std::optional<Error> m_error_record;
};

}  // namespace veltrano::automation
