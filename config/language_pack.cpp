#include "config/language.h"

#include <vector>

#include "config/mszip.h"
#include "base/utf.h"

// Pack layout (little-endian): "MBL2", u16 languages, u16 texts per language,
// u32 compressed size, u32 decompressed size, 12 bytes per language (two-letter
// code, two zero bytes, u32 block offset, u32 block size), then the MSZIP data.
// A block is the texts of one language, each UTF-8 and ended by a zero byte.

namespace {

// Far above the real pack (about 100 KB); a larger claim is damage, not data.
constexpr uint32_t kMaxDecompressedBytes = 16u << 20;

uint32_t readU16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t readU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The block of a language as UTF-16 with its zero terminators kept; empty when
// the pack has no usable entry for the code.
std::u16string blockFor(const uint8_t* entries, uint32_t languages, const std::vector<uint8_t>& data,
                        std::u16string_view code, bool* found) {
  *found = false;
  if (code.size() != 2) return {};
  for (uint32_t k = 0; k < languages; k++) {
    const uint8_t* e = entries + 12 * k;
    if (e[0] != code[0] || e[1] != code[1] || e[2] != 0) continue;
    uint64_t offset = readU32(e + 4), size = readU32(e + 8);
    if (offset + size > data.size()) continue;  // a damaged entry; a later one may be whole
    *found = true;
    const char* bytes = reinterpret_cast<const char*>(data.data()) + offset;
    return utf16FromUtf8(std::string_view(bytes, size));
  }
  return {};
}

// Splits a block at its zero units into at most kPackTextCount views.
void splitTexts(const std::u16string& block, std::u16string_view* texts) {
  size_t at = 0;
  for (int n = 0; n < kPackTextCount && at < block.size(); n++) {
    size_t end = block.find(u'\0', at);
    if (end == std::u16string::npos) end = block.size();
    texts[n] = std::u16string_view(block).substr(at, end - at);
    at = end + 1;
  }
}

void fillEmpty(LanguageTexts& out) {
  out.storage.clear();
  for (uint32_t& s : out.start) s = 0;
  out.code = u"en";
}

}  // namespace

bool readLanguagePack(const uint8_t* data, size_t size, std::u16string_view code, LanguageTexts& out) {
  fillEmpty(out);
  if (!data || size < 16 || data[0] != 'M' || data[1] != 'B' || data[2] != 'L' || data[3] != '2') return false;
  uint32_t languages = readU16(data + 4);
  uint32_t compressedSize = readU32(data + 8);
  uint32_t decompressedSize = readU32(data + 12);
  uint64_t dataStart = 16 + 12ull * languages;
  if (size < dataStart + compressedSize || decompressedSize > kMaxDecompressedBytes) return false;
  std::vector<uint8_t> blocks;
  if (!decompressMszip(data + dataStart, compressedSize, decompressedSize, blocks)) return false;

  bool englishFound = false, chosenFound = false;
  std::u16string english = blockFor(data + 16, languages, blocks, u"en", &englishFound);
  std::u16string chosen;
  if (code != u"en") chosen = blockFor(data + 16, languages, blocks, code, &chosenFound);

  std::u16string_view englishTexts[kPackTextCount], chosenTexts[kPackTextCount];
  splitTexts(english, englishTexts);
  splitTexts(chosen, chosenTexts);
  out.storage.reserve(english.size() + chosen.size());
  for (int n = 0; n < kPackTextCount; n++) {
    out.start[n] = static_cast<uint32_t>(out.storage.size());
    out.storage += chosenTexts[n].empty() ? englishTexts[n] : chosenTexts[n];
  }
  out.start[kPackTextCount] = static_cast<uint32_t>(out.storage.size());
  out.code = chosenFound ? std::u16string(code) : u"en";
  return true;
}
