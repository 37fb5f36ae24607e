#include "page_channel.h"

#include <gtest/gtest.h>

#include <tuple>

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

TEST(WindowRequest, TwoWholeNumbersOrNothing) {
  using enum WindowAsk;
  const struct {
    const char* request;
    const char* payload;
    std::optional<WindowRequest> expected;
  } cases[] = {
      {"move-to", "10,20", WindowRequest{MoveTo, 10, 20}},
      {"resize-by", "-5,7", WindowRequest{ResizeBy, -5, 7}},
      {"move-by", "10", WindowRequest{MoveBy, 0, 0, false}},  // the page's, dropped
      {"resize-to", "10,20,30", WindowRequest{ResizeTo, 0, 0, false}},
      {"move-to", "1.5,2", WindowRequest{MoveTo, 0, 0, false}},
      {"move-to", " 1,2", WindowRequest{MoveTo, 0, 0, false}},
      {"move-to", "99999999999,2", WindowRequest{MoveTo, 0, 0, false}},
      {"close", "anything", WindowRequest{Close}},
      {"dialog-waited", "", WindowRequest{DialogWaited}},
      {"status", "1,2", std::nullopt},
      {"Move-To", "1,2", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(window_request(c.request, c.payload), c.expected) << c.request << " " << c.payload;
}

TEST(DialogRequestFeatures, CentredOnTheScreenThePageSees) {
  const struct {
    const char* payload;
    int left, top, width, height;
  } cases[] = {
      {"1000,800;dialogWidth:300px;dialogHeight:200px", 350, 300, 300, 200},
      {"1000,800;", 300, 250, 400, 300},
      {"1000,800", 300, 250, 400, 300},
      {"1000,800;dialogLeft:5;dialogTop:6", 5, 6, 400, 300},
      {"wide;dialogWidth:300px", 0, 0, 400, 300},  // no screen: nothing after it is read
      {"", 0, 0, 400, 300},
  };
  for (const auto& c : cases) {
    const WindowFeatures features = dialog_request_features(c.payload);
    EXPECT_EQ(std::tuple(features.left, features.top, features.width, features.height),
              std::tuple(c.left, c.top, c.width, c.height))
        << c.payload;
  }
}

}  // namespace
}  // namespace veltrano::browser
