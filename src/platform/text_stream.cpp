#include "platform/text_stream.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <memory>

#include "support/text.h"

namespace veltrano::platform {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

namespace {

// Labels the Encoding Standard gives the GBK encoding, whose decoder is GB18030's.
constexpr std::array<std::string_view, 10> kGbkLabels{"chinese",    "csgb2312", "csiso58gb231280", "gb2312", "gb_2312",
                                                      "gb_2312-80", "gbk",      "iso-ir-58",       "x-gbk",  "gb18030"};

std::string converter_name(std::string_view label) {
  label = support::trimmed(label);
  for (std::string_view gbk : kGbkLabels)
    if (automation::names_equal(gbk, label)) return "GB18030";
  if (automation::names_equal(label, "unicode")) return "UTF-16LE";
  return std::string(label);
}

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

Converter open_converter(std::string_view charset) {
  const std::string name = converter_name(charset);
  UErrorCode status = U_ZERO_ERROR;
  Converter cnv(name.empty() ? nullptr : ucnv_open(name.c_str(), &status), &ucnv_close);
  if (!cnv || U_FAILURE(status)) throw Error(errc::kBadCharset, "不支持的字符集：“" + std::string(charset) + "”");
  return cnv;
}

// A byte-order mark outranks the label and is not part of the text, as in the Encoding
// Standard's decode: editors save documents with one whatever charset the server names.
struct ByteOrderMark {
  std::string_view bytes;
  const char* encoding;
};
constexpr ByteOrderMark kByteOrderMarks[] = {
    {"\xEF\xBB\xBF", "UTF-8"}, {"\xFF\xFE", "UTF-16LE"}, {"\xFE\xFF", "UTF-16BE"}};

[[noreturn]] void conversion_failed(UErrorCode status) {
  throw Error(errc::kBadCharset, std::string("文本转换失败：") + u_errorName(status));
}

}  // namespace

std::string decode_text(std::span<const std::uint8_t> bytes, std::string_view charset) {
  Converter cnv = open_converter(charset);
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(bytes.size(), 3));
  for (const ByteOrderMark& bom : kByteOrderMarks) {
    if (head.starts_with(bom.bytes)) {
      cnv = open_converter(bom.encoding);
      bytes = bytes.subspan(bom.bytes.size());
      break;
    }
  }
  if (bytes.empty()) return {};
  const auto* source = reinterpret_cast<const char*>(bytes.data());
  const auto source_length = static_cast<int32_t>(bytes.size());

  UErrorCode status = U_ZERO_ERROR;
  const int32_t utf16_length = ucnv_toUChars(cnv.get(), nullptr, 0, source, source_length, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) conversion_failed(status);
  std::u16string utf16(static_cast<std::size_t>(utf16_length), u'\0');
  status = U_ZERO_ERROR;
  ucnv_toUChars(cnv.get(), utf16.data(), utf16_length + 1, source, source_length, &status);
  if (U_FAILURE(status)) conversion_failed(status);

  int32_t utf8_length = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(nullptr, 0, &utf8_length, utf16.data(), utf16_length, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) conversion_failed(status);
  std::string text(static_cast<std::size_t>(utf8_length), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8(text.data(), utf8_length + 1, nullptr, utf16.data(), utf16_length, &status);
  if (U_FAILURE(status)) conversion_failed(status);
  return text;
}

std::span<const automation::Member<TextStream>> TextStream::members() {
  using M = automation::Member<TextStream>;
  static const M kMembers[] = {
      {"Type", &TextStream::get_type, &TextStream::put_type},
      {"Mode", &TextStream::get_mode, &TextStream::put_mode},
      {"Position", &TextStream::get_position, &TextStream::put_position},
      {"Charset", &TextStream::get_charset, &TextStream::put_charset},
      {"Size", &TextStream::get_size},
      {"Open", nullptr, nullptr, &TextStream::open, 0},
      {"Write", nullptr, nullptr, &TextStream::write, 1},
      {"ReadText", nullptr, nullptr, &TextStream::read_text, 0},
      {"Close", nullptr, nullptr, &TextStream::close, 0},
  };
  return kMembers;
}

void TextStream::require_open() const {
  if (!m_open) throw Error(errc::kWrongState, "流未打开，不允许此操作");
}

Value TextStream::get_type() { return m_type; }

void TextStream::put_type(const Value& value) {
  const std::int16_t type = value.to_int16();
  if (type != kBinary && type != kText) throw Error(errc::kInvalidCall, "Type 只能是 1（二进制）或 2（文本）");
  if (m_open && m_position != 0) throw Error(errc::kWrongState, "只有在 Position 为 0 时才能改变 Type");
  m_type = type;
}

Value TextStream::get_mode() { return m_mode; }

void TextStream::put_mode(const Value& value) {
  const std::int16_t mode = value.to_int16();
  if (mode < 0 || mode > 3) throw Error(errc::kInvalidCall, "不支持的 Mode：" + std::to_string(mode));
  m_mode = mode;
}

Value TextStream::get_position() { return static_cast<std::int32_t>(m_position); }

void TextStream::put_position(const Value& value) {
  require_open();
  const std::int32_t position = value.to_int32();
  if (position < 0 || static_cast<std::size_t>(position) > m_buffer.size())
    throw Error(errc::kInvalidCall, "Position 超出流的范围");
  m_position = static_cast<std::size_t>(position);
}

Value TextStream::get_charset() { return m_charset; }

void TextStream::put_charset(const Value& value) {
  std::string charset = value.to_string();
  open_converter(charset);  // an unknown name fails here, where it is given
  m_charset = std::move(charset);
}

Value TextStream::get_size() { return static_cast<std::int32_t>(m_buffer.size()); }

Value TextStream::open(std::span<const Value>) {
  if (m_open) throw Error(errc::kWrongState, "流已打开");
  m_open = true;
  m_buffer.clear();
  m_position = 0;
  return {};
}

Value TextStream::write(std::span<const Value> args) {
  require_open();
  if (m_type != kBinary) throw Error(errc::kWrongState, "文本流不能写入字节");
  const automation::Bytes& bytes = args[0].to_bytes();
  m_buffer.resize(std::max(m_buffer.size(), m_position + bytes.size()));
  std::copy(bytes.begin(), bytes.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_position));
  m_position += bytes.size();
  return {};
}

Value TextStream::read_text(std::span<const Value>) {
  require_open();
  if (m_type != kText) throw Error(errc::kWrongState, "二进制流不能读取文本");
  const std::span<const std::uint8_t> rest(m_buffer.data() + m_position, m_buffer.size() - m_position);
  std::string text = decode_text(rest, m_charset);
  m_position = m_buffer.size();
  return text;
}

Value TextStream::close(std::span<const Value>) {
  require_open();
  m_open = false;
  m_buffer.clear();
  m_position = 0;
  return {};
}

}  // namespace veltrano::platform
