#include "desktop_fonts.h"

namespace veltrano::browser {
namespace {

// The names pages use, English and Chinese, and the font that stands in for them. Where
// the stand-in's own Latin letters are not half as wide as its Hanzi, as they were in
// the old fonts, ascii names a font for U+0020-007E that has them so.
struct DesktopFont {
  const char* names[4];
  const char* font;
  const char* ascii = nullptr;
};
// clang-format off
constexpr DesktopFont kDesktopFonts[] = {
  {{"宋体", "SimSun", "新宋体", "NSimSun"},       "AR PL UMing CN"},
  {{"黑体", "SimHei"},                            "Noto Sans Mono CJK SC"},
  {{"微软雅黑", "Microsoft YaHei"},               "Noto Sans CJK SC"},
  {{"楷体", "楷体_GB2312", "KaiTi", "KaiTi_GB2312"}, "AR PL UKai CN", "Noto Sans Mono CJK SC"},
  {{"仿宋", "仿宋_GB2312", "FangSong", "FangSong_GB2312"}, "AR PL UMing CN"},
  {{"Arial"},                                     "Liberation Sans"},
  {{"Tahoma"},                                    "Liberation Sans"},
  {{"Verdana"},                                   "DejaVu Sans"},
  {{"Times New Roman"},                           "Liberation Serif"},
  {{"Courier New"},                               "Liberation Mono"},
};
// clang-format on

}  // namespace

// One rule per name and range; WebKit asks for the stand-in in the weight and slant the
// text wants, so one rule serves bold and italic too.
std::string desktop_font_faces() {
  std::string css;
  for (const DesktopFont& entry : kDesktopFonts)
    for (const char* name : entry.names) {
      if (!name) continue;
      css += std::string("@font-face{font-family:\"") + name + "\";src:local(\"" + entry.font + "\")}\n";
      if (entry.ascii)
        css += std::string("@font-face{font-family:\"") + name + "\";src:local(\"" + entry.ascii +
               "\");unicode-range:U+20-7E}\n";
    }
  return css;
}

}  // namespace veltrano::browser
