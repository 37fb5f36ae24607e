#include "update/module1.h"

#include <gtest/gtest.h>

#include "failure_of.h"
#include "platform/classes.h"
#include "platform/text_stream.h"
#include "test_server.h"

namespace veltrano::update {
namespace {

using automation::Bytes;

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

// An error page is no document. A byte-order mark chooses the encoding over "GB2312" and is
// no part of the text; U+FEFF in GB18030 is no mark to the decoder.
TEST(FetchPageText, ReturnsTheDocumentOrNothing) {
  const test::TestServer server(test::serve);
  const automation::Registry registry = platform::platform_classes();
  const struct {
    const char* path;
    std::optional<std::string> text;
  } cases[] = {
      {"/ver.html", "1.0.3"},     {"/missing", std::nullopt}, {"/found-nowhere", std::nullopt}, {"/bom/utf-8", "1.0.2"},
      {"/bom/utf-16le", "1.0.2"}, {"/bom/utf-16be", "1.0.2"}, {"/bom/gb18030", "\uFEFF1.0.2"},
  };
  for (const auto& c : cases) EXPECT_EQ(FetchPageText(server.url(c.path), registry), c.text) << c.path;
  EXPECT_NE(test::failure_of([&] { FetchPageText(server.url("/loop"), registry); }), 0);
}

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
    r.add("adodb.stream", [] { return std::make_unique<platform::TextStream>(); });
    return r;
  }();
  for (const auto& c : cases) EXPECT_EQ(DecodeBytes(bytes(c.in), "GB2312", registry), c.out) << c.name;
}

}  // namespace
}  // namespace veltrano::update
