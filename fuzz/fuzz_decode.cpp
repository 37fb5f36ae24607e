// Bytes and a character-set name in, text out: never a crash, always valid UTF-8.
#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "platform/text_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr std::array<const char*, 8> kNames{"GB2312",  "gbk",  "GB18030", "utf-8",
                                                     "Unicode", "big5", "x-gbk",   ""};
  if (size == 0) return 0;
  std::string charset;
  std::size_t skip = 1;
  if (data[0] < kNames.size()) {
    charset = kNames[data[0]];
  } else {
    // A name of the fuzzer's own: up to the first NUL.
    while (skip < size && data[skip] != 0 && skip < 40) ++skip;
    charset.assign(reinterpret_cast<const char*>(data + 1), skip - 1);
  }
  try {
    const std::string text = veltrano::platform::decode_text({data + skip, size - skip}, charset);
    // Valid UTF-8 between the NULs the input may carry.
    for (std::size_t start = 0; start <= text.size();) {
      const std::size_t end = std::min(text.find('\0', start), text.size());
      if (!g_utf8_validate(text.data() + start, static_cast<gssize>(end - start), nullptr)) __builtin_trap();
      start = end + 1;
    }
  } catch (const veltrano::automation::Error&) {
  }
  return 0;
}
