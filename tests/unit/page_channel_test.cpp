#include "page_channel.h"

#include <gtest/gtest.h>

namespace veltrano::browser {
namespace {

TEST(ChannelRequest, OnlyWithTheSecret) {
  const struct {
    const char* message;
    std::optional<std::string> expected;
  } cases[] = {
      {"\x01veltrano:s3cret:status", "status"},
      {"\x01veltrano:s3cret:", ""},       // no request
      {"\x01veltrano:guess:status", ""},  // marked, wrong secret: no answer
      {"\x01veltrano:s3cretX:status", ""},
      {"\x01veltrano:s3cret", ""},
      {"请输入期号", std::nullopt},  // an ordinary prompt
      {"veltrano:s3cret:status", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(channel_request(c.message, "s3cret"), c.expected) << c.message;
  EXPECT_EQ(channel_request("\x01veltrano::status", ""), std::string());
}

}  // namespace
}  // namespace veltrano::browser
