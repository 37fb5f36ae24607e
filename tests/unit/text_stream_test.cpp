#include "platform/text_stream.h"

#include <gtest/gtest.h>

#include "failure_of.h"

namespace veltrano::platform {
namespace {

using automation::Bytes;

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(DecodeText, KnowsCharsetLabelsAndRefusesOthers) {
  EXPECT_EQ(decode_text(bytes("\xb5\xe7"), " gbk "), "电");
  EXPECT_EQ(decode_text(bytes("\xe7\x94\xb5"), "utf-8"), "电");
  EXPECT_EQ(test::failure_of([] { decode_text(bytes("x"), "no-such-charset"); }), automation::errc::kBadCharset);
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
