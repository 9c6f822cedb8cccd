// Fuzzes the pack reader: the MSZIP/deflate decoder and the pack's own header.
// The first input byte picks the target; for the bare decoder the next three give
// the expected size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "config/language.h"
#include "config/mszip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  if (data[0] & 1) {
    LanguageTexts texts;
    readLanguagePack(data + 1, size - 1, (data[0] & 2) ? u"de" : u"en", texts);
    for (int n = 0; n < kPackTextCount; n++) (void)texts.at(n).size();
    return 0;
  }
  size_t expected = data[1] | (data[2] << 8) | (data[3] << 16);
  std::vector<uint8_t> out;
  if (decompressMszip(data + 4, size - 4, expected, out) && out.size() != expected) __builtin_trap();
  return 0;
}
