// The main window's controls as designed: kind, caption, rectangle in twips, tab order.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace veltrano::app {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 5565;
inline constexpr int kClientHeightTwips = 4020;

constexpr int to_pixels(int twips) { return twips / kTwipsPerPixel; }

enum class ControlKind { Button, Label, Picture };

struct ControlSpec {
  std::string_view name;
  ControlKind kind;
  std::string caption;
  int left, top, width, height;  // twips, relative to the client area
  int tab_index;                 // -1: none
};

// Every control of Form1, in tab order (the picture last).
std::span<const ControlSpec> form1_controls();

}  // namespace veltrano::app
