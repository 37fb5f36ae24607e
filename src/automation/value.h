// The values that cross an automation boundary: empty, boolean, 16- and 32-bit integers,
// UTF-8 text and byte arrays. Reading a value as another kind converts where automation
// allows it (an integer as a boolean, a boolean as an integer) and fails otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace veltrano::automation {

using Bytes = std::vector<std::uint8_t>;

class Value {
 public:
  enum class Kind { Empty, Boolean, Int16, Int32, String, Bytes };

  Value() = default;
  Value(bool b) : m_data(b) {}
  Value(std::int16_t i) : m_data(i) {}
  Value(std::int32_t i) : m_data(i) {}
  Value(std::string s) : m_data(std::move(s)) {}
  Value(const char* s) : m_data(std::string(s)) {}
  Value(Bytes b) : m_data(std::move(b)) {}

  Kind kind() const noexcept { return static_cast<Kind>(m_data.index()); }

  // Conversions; each throws Error (type mismatch or overflow) where none is possible.
  // The empty value reads as false, 0 and "".
  bool to_bool() const;
  std::int16_t to_int16() const;
  std::int32_t to_int32() const;
  std::string to_string() const;
  const Bytes& to_bytes() const;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, bool, std::int16_t, std::int32_t, std::string, Bytes> m_data;
};

std::string_view kind_name(Value::Kind kind) noexcept;

// Letter case does not matter in class and member names (ASCII folding).
bool names_equal(std::string_view a, std::string_view b) noexcept;

}  // namespace veltrano::automation
