#include "automation/value.h"

#include <limits>

#include "automation/error.h"

namespace veltrano::automation {
namespace {

[[noreturn]] void mismatch(Value::Kind from, std::string_view to) {
  throw Error(errc::kTypeMismatch, "类型不匹配：" + std::string(kind_name(from)) + " 不能用作" + std::string(to));
}

char fold(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view kind_name(Value::Kind kind) noexcept {
  switch (kind) {
    case Value::Kind::Empty: return "空值";
    case Value::Kind::Boolean: return "布尔值";
    case Value::Kind::Int16: return "16 位整数";
    case Value::Kind::Int32: return "32 位整数";
    case Value::Kind::String: return "字符串";
    case Value::Kind::Bytes: return "字节数组";
  }
  return "未知类型";
}

bool Value::to_bool() const {
  switch (kind()) {
    case Kind::Empty: return false;
    case Kind::Boolean: return std::get<bool>(m_data);
    case Kind::Int16: return std::get<std::int16_t>(m_data) != 0;
    case Kind::Int32: return std::get<std::int32_t>(m_data) != 0;
    default: mismatch(kind(), "布尔值");
  }
}

std::int32_t Value::to_int32() const {
  switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Boolean: return std::get<bool>(m_data) ? -1 : 0;  // automation's true is all bits set
    case Kind::Int16: return std::get<std::int16_t>(m_data);
    case Kind::Int32: return std::get<std::int32_t>(m_data);
    default: mismatch(kind(), "整数");
  }
}

std::int16_t Value::to_int16() const {
  const std::int32_t wide = to_int32();
  if (wide < std::numeric_limits<std::int16_t>::min() || wide > std::numeric_limits<std::int16_t>::max())
    throw Error(errc::kOverflow, "溢出：" + std::to_string(wide) + " 超出 16 位整数的范围");
  return static_cast<std::int16_t>(wide);
}

std::string Value::to_string() const {
  if (kind() == Kind::Empty) return {};
  if (kind() != Kind::String) mismatch(kind(), "字符串");
  return std::get<std::string>(m_data);
}

const Bytes& Value::to_bytes() const {
  if (kind() != Kind::Bytes) mismatch(kind(), "字节数组");
  return std::get<Bytes>(m_data);
}

bool names_equal(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

}  // namespace veltrano::automation
