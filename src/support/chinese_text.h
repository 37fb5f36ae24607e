// The launcher's and the shell's own text (captions, menus, bars, dialogs) is Simplified
// Chinese, and looks as it does on a Chinese desktop whatever the locale. Two libraries are
// told so. Pango: each widget's text is zh-cn. Fontconfig: the user's language is zh-cn
// (its FC_LANG), the one thing its choice of faces takes from the locale: for a sans face it
// then puts Noto Sans CJK SC (or WenQuanYi Zen Hei) first, for Latin letters and digits as
// for Han, where under C.UTF-8 it would give DejaVu Sans and, for Han, whichever CJK face
// comes first: AR PL UKai, a brush face, once the pages' 楷体 is installed. The shell's web
// processes inherit FC_LANG, so a page's default faces are a Chinese desktop's too.
#pragma once

namespace veltrano {

// Fontconfig's part. Call before the program starts a thread (the environment must not
// change while another thread may read it) and before any font is looked up.
void use_chinese_font_language();

// Pango's part. Call once GTK is initialised, before the first window.
void use_simplified_chinese_text();

}  // namespace veltrano
