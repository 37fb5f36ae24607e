#include "platform/text_stream.h"

#include <gtest/gtest.h>

#include "automation/registry.h"
#include "update/module1.h"

namespace veltrano::platform {
namespace {

using automation::Bytes;

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(DecodeBytes, Gb2312AsTheEncodingStandardReadsIt) {
  const struct {
    const char* name;
    std::string_view in;
    std::string out;
  } cases[] = {
      {"version", "1.0.2", "1.0.2"},
      {"trailing line break kept", "1.0.3\r\n", "1.0.3\r\n"},
      {"GB2312 Chinese", "\xb5\xe7\xd7\xd3\xd7\xdf\xca\xc6\xcd\xbc", "电子走势图"},
      {"GBK-only characters",
       "\xe9"
       "F\x88\xd2",
       "镕堃"},
      {"four-byte GB18030", "\x94\x39\xfc\x36", "😀"},
      {"invalid lead byte",
       "1\xff"
       "2",
       "1\uFFFD2"},
      {"truncated at the end", "1.0\xb5", "1.0\uFFFD"},
      {"empty body", "", ""},
      {"NUL kept", std::string_view("a\0b", 3), std::string("a\0b", 3)},
  };
  const automation::Registry registry = [] {
    automation::Registry r;
    r.add("adodb.stream", [] { return std::make_unique<TextStream>(); });
    return r;
  }();
  for (const auto& c : cases) EXPECT_EQ(update::DecodeBytes(bytes(c.in), "GB2312", registry), c.out) << c.name;
}

TEST(DecodeText, KnowsCharsetLabelsAndRefusesOthers) {
  EXPECT_EQ(decode_text(bytes("\xb5\xe7"), " gbk "), "电");
  EXPECT_EQ(decode_text(bytes("\xe7\x94\xb5"), "utf-8"), "电");
  try {
    decode_text(bytes("x"), "no-such-charset");
    FAIL();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), automation::errc::kBadCharset);
  }
}

TEST(TextStream, RefusesOperationsOutOfOrder) {
  TextStream stream;
  const automation::Value data(bytes("1.0.2"));
  EXPECT_THROW(stream.call("Write", {&data, 1}), automation::Error);  // not open
  stream.put("Type", std::int16_t{1});
  stream.call("Open", {});
  stream.call("Write", {&data, 1});
  EXPECT_THROW(stream.put("Type", std::int16_t{2}), automation::Error);  // only at position 0
  EXPECT_THROW(stream.call("ReadText", {}), automation::Error);          // binary stream
  EXPECT_THROW(stream.put("Position", std::int16_t{6}), automation::Error);
  stream.put("Position", std::int16_t{2});
  stream.put("Position", std::int16_t{0});
  stream.put("Type", std::int16_t{2});
  EXPECT_THROW(stream.put("Charset", "klingon"), automation::Error);
  stream.put("Charset", "GB2312");
  EXPECT_EQ(stream.call("ReadText", {}).to_string(), "1.0.2");
  stream.call("Close", {});
  EXPECT_THROW(stream.call("Close", {}), automation::Error);
}

}  // namespace
}  // namespace veltrano::platform
