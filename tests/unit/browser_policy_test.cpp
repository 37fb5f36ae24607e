#include <gio/gio.h>
#include <gtest/gtest.h>

#include "config.h"
#include "policy.h"

namespace veltrano::browser {
namespace {

TEST(ParseWindowFeatures, AsTheOldBrowserReadThem) {
  WindowFeatures ordinary;
  WindowFeatures bare;  // any feature at all turns every bar off and fixes the size
  bare.menu_bar = bare.tool_bar = bare.address_bar = bare.status_bar = false;
  bare.scroll_bars = bare.resizable = false;
  const auto with = [&](auto change) {
    WindowFeatures f = bare;
    change(f);
    return f;
  };
  const struct {
    const char* name;
    const char* features;
    WindowFeatures expected;
  } cases[] = {
      {"none", "", ordinary},
      {"blank", "  ", ordinary},
      {"size and place", "width=320,height=240,left=100,top=80",
       with([](WindowFeatures& f) { f.width = 320, f.height = 240, f.left = 100, f.top = 80; })},
      {"spaces, case and px", " Width = 320px , HEIGHT=240 ",
       with([](WindowFeatures& f) { f.width = 320, f.height = 240; })},
      {"bars on by yes, 1 and no value", "toolbar=yes,menubar=1,location,status=true",
       with([](WindowFeatures& f) { f.tool_bar = f.menu_bar = f.address_bar = f.status_bar = true; })},
      {"bars off by no and 0", "toolbar=no,status=0,scrollbars=yes,resizable=yes",
       with([](WindowFeatures& f) { f.scroll_bars = f.resizable = true; })},
      {"at least 100 by 100", "width=20,height=5", with([](WindowFeatures& f) { f.width = 100, f.height = 100; })},
      {"off the screen's left and top", "left=-50,top=-20", with([](WindowFeatures& f) { f.left = -50, f.top = -20; })},
      {"not numbers", "width=wide,height=,left=1e3", bare},
      {"full screen", "fullscreen=yes", with([](WindowFeatures& f) { f.full_screen = true; })},
      {"unknown names", "channelmode=yes,dependent", bare},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_window_features(c.features), c.expected) << c.name;
}

TEST(ParseDialogFeatures, APopUpCentredUnlessPlaced) {
  WindowFeatures dialog;
  dialog.menu_bar = dialog.tool_bar = dialog.address_bar = dialog.status_bar = dialog.resizable = false;
  dialog.width = 300, dialog.height = 200, dialog.left = 350, dialog.top = 300;
  EXPECT_EQ(parse_dialog_features("dialogWidth:300px;dialogHeight:200px;center:yes", 1000, 800), dialog);
  dialog.width = 400, dialog.height = 300, dialog.left = 300, dialog.top = 250;
  EXPECT_EQ(parse_dialog_features("", 1000, 800), dialog);
  dialog.left = 10, dialog.top = 20, dialog.status_bar = dialog.resizable = true, dialog.scroll_bars = false;
  EXPECT_EQ(parse_dialog_features("dialogLeft:10; dialogTop=20, status:yes;resizable:on;scroll:0", 1000, 800), dialog);
}

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

TEST(NetworkFailure, OnlyTheNetworkGoneAway) {
  const struct {
    GQuark domain;
    int code;
    bool expected;
  } cases[] = {
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, true},
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED, true},
      {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, true},
      {G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, true},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_TEMPORARY_FAILURE, true},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, true},
      {G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, false},
      {G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, false},
      {0, 0, false},  // too many redirects comes without a domain
      {g_quark_from_static_string("WebKitPolicyError"), 101, false},
  };
  for (const auto& c : cases) EXPECT_EQ(network_failure(c.domain, c.code), c.expected) << c.domain << " " << c.code;
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

TEST(SafeFileName, StaysInItsFolder) {
  const struct {
    const char* suggested;
    const char* expected;
  } cases[] = {
      {"report.txt", "report.txt"}, {"../../.bashrc", "bashrc"}, {"a\nb.txt", "a_b.txt"},
      {"...", "下载文件"},          {nullptr, "下载文件"},       {"dir/", "下载文件"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(safe_file_name(c.suggested), c.expected) << (c.suggested ? c.suggested : "null");
}

}  // namespace
}  // namespace veltrano::browser
