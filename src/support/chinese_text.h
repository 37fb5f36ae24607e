// The launcher's and the shell's own text (captions, menus, bars, dialogs) is Simplified
// Chinese whatever the locale. Pango is told so: its language picks the faces for Han
// characters, and fontconfig gives a sans CJK face for zh-cn (Noto Sans CJK SC, WenQuanYi
// Zen Hei) where for a locale such as C.UTF-8 it would give whichever CJK face comes first,
// AR PL UKai, a brush face, once the pages' 楷体 is installed.
#pragma once

namespace veltrano {

// Every widget of the process, made now or later, lays its text out as zh-cn. Call once
// GTK is initialised, before the first window.
void lay_out_widget_text_as_simplified_chinese();

}  // namespace veltrano
