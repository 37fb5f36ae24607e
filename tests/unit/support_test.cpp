#include <gtest/gtest.h>

#include "support/text.h"
#include "support/web_url.h"

namespace veltrano::support {
namespace {

TEST(Trimmed, RemovesBlanksAtBothEndsOnly) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"1.0.2", "1.0.2"},     {"  1.0.2  ", "1.0.2"},   {"1.0.2\r\n", "1.0.2"},
      {"\t1.0.3\n", "1.0.3"}, {"\uFEFF1.0.2", "1.0.2"}, {"\u30001.0.2\u3000", "1.0.2"},
      {"1 .0.2", "1 .0.2"},   {"\r\n \t", ""},          {"", ""},
      {"\f1.0.2", "\f1.0.2"},
  };
  for (const auto& c : cases) EXPECT_EQ(trimmed(c.in, kDocumentBlanks), c.out) << c.in;
  EXPECT_EQ(trimmed("\f gbk\t"), "gbk");  // ASCII blanks, a form feed among them
}

TEST(ReadWebUrl, HttpOrHttpsWithAHost) {
  const struct {
    std::string url;
    WebUrlFault expected;
  } cases[] = {
      {"http://chart.example/x", WebUrlFault::kNone},
      {"https://chart.example", WebUrlFault::kNone},
      {"http://", WebUrlFault::kNoHost},
      {"file:///etc/passwd", WebUrlFault::kScheme},
      {"javascript:alert(1)", WebUrlFault::kScheme},
      {"ftp://chart.example/", WebUrlFault::kScheme},
      {"not a url", WebUrlFault::kUnreadable},
  };
  for (const auto& c : cases) EXPECT_EQ(read_web_url(c.url).fault, c.expected) << c.url;
}

TEST(Shortened, BetweenCharacters) {
  const std::string long_one = "ftp://" + std::string(193, 'a') + "中文字";
  const struct {
    std::string text;
    std::size_t max;
    std::string expected;
  } cases[] = {
      {"短", 200, "短"},
      {long_one, 200, long_one.substr(0, 199) + "…"},
      {long_one, 201, long_one.substr(0, 199) + "…"},
      {long_one, 202, long_one.substr(0, 202) + "…"},
      {"中文", 1, "…"},
  };
  for (const auto& c : cases) {
    const std::string cut = shortened(c.text, c.max);
    EXPECT_EQ(cut, c.expected) << c.max;
    EXPECT_TRUE(g_utf8_validate(cut.data(), static_cast<gssize>(cut.size()), nullptr));
  }
}

}  // namespace
}  // namespace veltrano::support
