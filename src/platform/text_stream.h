// "adodb.stream": a byte buffer that can be read back as text in a named character set.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "automation/object.h"

namespace veltrano::platform {

// The whole of bytes as UTF-8 text in the character set charset names. Labels of the
// GB2312 family decode with the GB18030 decoder, as the Encoding Standard does; a byte
// sequence that is not valid becomes U+FFFD and decoding goes on. A UTF-8 or UTF-16
// byte-order mark at the start chooses that encoding instead and is dropped. An unknown
// name fails.
std::string decode_text(std::span<const std::uint8_t> bytes, std::string_view charset);

class TextStream : public automation::TableObject<TextStream> {
 public:
  static std::span<const automation::Member<TextStream>> members();

  automation::Value get_type();
  void put_type(const automation::Value& value);
  automation::Value get_mode();
  void put_mode(const automation::Value& value);
  automation::Value get_position();
  void put_position(const automation::Value& value);
  automation::Value get_charset();
  void put_charset(const automation::Value& value);
  automation::Value get_size();
  automation::Value open(std::span<const automation::Value> args);
  automation::Value write(std::span<const automation::Value> args);
  automation::Value read_text(std::span<const automation::Value> args);
  automation::Value close(std::span<const automation::Value> args);

 private:
  static constexpr std::int16_t kBinary = 1;
  static constexpr std::int16_t kText = 2;
  void require_open() const;

  bool m_open = false;
  std::int16_t m_type = kText;
  std::int16_t m_mode = 0;
  std::string m_charset = "Unicode";
  automation::Bytes m_buffer;
  std::size_t m_position = 0;
};

}  // namespace veltrano::platform
