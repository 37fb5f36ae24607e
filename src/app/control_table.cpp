#include "app/control_table.h"

#include <array>

#include "config.h"
#include "update/version_check.h"

namespace veltrano::app {

std::span<const ControlSpec> form1_controls() {
  using K = ControlKind;
  // clang-format off
  static const std::array<ControlSpec, 12> kControls{{
    // name       kind        caption                                            left  top   width height tab
    {"Command1", K::Button,  "查电电子走势图",                                      360,  240, 1695, 495,   0},
    {"Command2", K::Button,  "查看帮助文档",                                        360, 1920, 1695, 495,   1},
    {"Command3", K::Button,  "退出系统",                                            360, 3120, 1695, 495,   2},
    {"Label1",   K::Label,   "注：退出电子走势图时，同时按下ALT+F4",                 360, 1440, 1695, 615,   3},
    {"Command4", K::Button,  "查看遗漏走势图",                                      360,  840, 1695, 495,   4},
    {"Label2",   K::Label,   std::string("全心全意为彩民服务\n服务电话：") + config::kServicePhone,
                                                                                  2400, 3240, 3015, 375,   5},
    {"Label3",   K::Label,   std::string("当前版本：v") + update::kCurrentVersion,  360, 3720, 1455, 255,   6},
    {"Label5",   K::Label,   "未发现新版本",                                        2400, 3720, 3015, 255,   7},
    {"Command5", K::Button,  "电子走势图(副屏)",                                    360, 2520, 1695, 495,   8},
    {"Label4",   K::Label,   "分屏用户点击此按扭后，拖将弹出窗口拖至副屏即可",       2400, 2640, 3015, 375,   9},
    {"Label6",   K::Label,   "←",                                                 2160, 2640,  255, 255,  10},
    {"Image1",   K::Picture, "",                                                  2400,  240, 3000, 2250, -1},
  }};
  // clang-format on
  return kControls;
}

}  // namespace veltrano::app
