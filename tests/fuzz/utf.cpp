// Round trips arbitrary bytes through the UTF conversions used at every file edge.
#include "base/utf.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string wide = utf16FromUtf8(bytes);
  std::string back = utf8FromUtf16(wide);
  // Whatever came in, what goes out is valid UTF-8 that converts back unchanged.
  if (utf16FromUtf8(back) != wide) abort();
  return 0;
}
