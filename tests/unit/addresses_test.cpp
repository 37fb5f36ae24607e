#include "addresses.h"

#include <gtest/gtest.h>

#include "config.h"

namespace veltrano::browser {
namespace {

TEST(ServicePage, OnlyTheServicesHostsOnTheWeb) {
  const std::string content = config::kContentHost;
  const std::string home = config::kHomeHost;
  const struct {
    std::string uri;
    bool expected;
  } cases[] = {
      {"http://" + content + "/lncount/numlost.asp", true},
      {"https://" + home + "/", true},
      {"http://" + home + ":8080/x", true},
      {"HTTP://" + content, true},
      {"http://evil.example/?" + content, false},
      {"http://" + content + ".evil.example/", false},
      {"http://user@evil.example/" + content, false},
      {"file:///" + content, false},
      {"about:blank", false},
      {"not a uri", false},
  };
  for (const auto& c : cases) EXPECT_EQ(service_page(c.uri), c.expected) << c.uri;
  for (const std::string& pattern : service_url_patterns()) EXPECT_TRUE(pattern.ends_with("/*")) << pattern;
}

TEST(AcceptableUrl, WebAddressesWithAHost) {
  const struct {
    std::string url;
    bool expected;
  } cases[] = {
      {"http://chart.example/x", true},           {"about:blank", true},
      {std::string("http://\xff/"), false},       {"http://x/" + std::string(9000, 'a'), false},
      {"http://chart.example@127.0.0.3/", false}, {"http://user:pw@chart.example/", false},
      {"http://@chart.example/", false},
  };
  for (const auto& c : cases) EXPECT_EQ(acceptable_url(c.url), c.expected) << c.url.substr(0, 40);
}

TEST(PopupTarget, WebPagesAndTheBlankPage) {
  for (const char* uri : {"", "about:blank", "http://chart.example/a", "HTTPS://chart.example"})
    EXPECT_TRUE(popup_target(uri)) << uri;
  for (const char* uri : {"file:///etc/hostname", "view-source:http://chart.example/", "data:text/html,x",
                          "about:config", "javascript:1", "blob:http://chart.example/1", "/relative"})
    EXPECT_FALSE(popup_target(uri)) << uri;
}

TEST(NavigationRefusal, WebPagesWithoutUserInfo) {
  for (const char* uri : {"http://chart.example/a", "https://chart.example/", "about:blank", "data:text/html,x"})
    EXPECT_EQ(navigation_refusal(uri), std::nullopt) << uri;
  for (const char* uri : {"http://chart.example@other.example/", "https://user:pw@chart.example/"})
    EXPECT_EQ(navigation_refusal(uri), kUserInfoRefused) << uri;
  for (const char* uri : {"file:///etc/hostname", "javascript:1", "ms-settings:x"})
    EXPECT_EQ(navigation_refusal(uri), "") << uri;
}

}  // namespace
}  // namespace veltrano::browser
