#include "window_features.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace veltrano::browser
