// mb_langpack: compiles resources/lang/*.txt into the language pack resource and
// the header of named text numbers.
//
//   mb_langpack <folder with en.txt ...> <pack file to write> <header to write>
//
// Pack layout (little-endian): "MBL2", u16 languages, u16 texts per language,
// u32 compressed size, u32 decompressed size, 12 bytes per language (two-letter
// code, two zero bytes, u32 block offset, u32 block size), then the MSZIP data
// of all blocks. A block is every text of one language, each UTF-8 and ended by
// a zero byte; an empty text in a translation means "use the English one".
// A translation whose placeholders differ from the English text fails the build.
#include "tools/langpack/text_file.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void putU16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void putU32(Bytes& b, uint32_t v) {
  putU16(b, v & 0xFFFF);
  putU16(b, v >> 16);
}
void putU64(Bytes& b, uint64_t v) {
  putU32(b, static_cast<uint32_t>(v));
  putU32(b, static_cast<uint32_t>(v >> 32));
}

// The Windows Compression API's MSZIP buffer format, so that the reader is the
// same on every system: each 32 KiB block is a complete raw deflate stream that
// may refer back into the previous block (set as its preset dictionary).
bool compressMszip(const Bytes& input, Bytes& out) {
  const size_t kBlock = 32768;
  out.clear();
  putU32(out, 0xC0E5510A);
  putU16(out, 24);
  out.push_back(0xE7);  // the two bytes the Windows compressor writes here
  out.push_back(0x02);
  putU64(out, input.size());
  putU64(out, kBlock);
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < input.size(); at += kBlock) {
    size_t length = std::min(kBlock, input.size() - at);
    deflateReset(&z);
    if (at > 0) deflateSetDictionary(&z, input.data() + at - kBlock, kBlock);
    Bytes packed(deflateBound(&z, length) + 16);
    z.next_in = const_cast<Bytes::value_type*>(input.data() + at);
    z.avail_in = static_cast<uInt>(length);
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) {
      ok = false;
      break;
    }
    size_t packedBytes = packed.size() - z.avail_out;
    putU32(out, static_cast<uint32_t>(packedBytes + 2));
    out.push_back('C');
    out.push_back('K');
    out.insert(out.end(), packed.begin(), packed.begin() + packedBytes);
  }
  deflateEnd(&z);
  return ok;
}

bool writeFile(const std::string& path, const std::string& content) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  return std::fclose(f) == 0 && ok;
}

// The header is rewritten only when it changes, so that a new translation does not
// rebuild every file that names a text.
bool writeFileIfChanged(const std::string& path, const std::string& content) {
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::string old;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) old.append(buffer, n);
    std::fclose(f);
    if (old == content) return true;
  }
  return writeFile(path, content);
}

// A readable constant name from the English text: its first words, placeholders
// and punctuation dropped ("Scanning %ls…" -> Scanning, "%ls item found|..." ->
// ItemFound). Texts without words are named by number.
std::string nameFromText(const std::string& text, int number) {
  std::string firstForm = text.substr(0, text.find('|'));
  std::string name;
  int words = 0;
  size_t i = 0;
  while (i < firstForm.size() && words < 6) {
    char c = firstForm[i];
    if (c == '%') {  // skip the whole placeholder
      i++;
      while (i < firstForm.size() && std::string_view("0123456789$-+ #.lhI").find(firstForm[i]) != std::string_view::npos) i++;
      i++;
      continue;
    }
    bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) {
      i++;
      continue;
    }
    std::string word;
    while (i < firstForm.size()) {
      char d = firstForm[i];
      bool inWord = (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z') || (d >= '0' && d <= '9') || d == '\'';
      if (!inWord) break;
      if (d != '\'') word.push_back(d);
      i++;
    }
    if (word.empty()) continue;
    if (word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
    name += word;
    words++;
  }
  if (name.empty()) return "Text" + std::to_string(number);
  if (name[0] >= '0' && name[0] <= '9') name = "N" + name;
  return name;
}

std::string cEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string headerFor(const langpack::TextFile& english) {
  std::map<std::string, int> uses;
  std::vector<std::string> names(langpack::kTextCount);
  for (int n = 0; n < langpack::kTextCount; n++) {
    if (english.texts[n].empty()) continue;
    names[n] = nameFromText(english.texts[n], n);
    uses[names[n]]++;
  }
  std::string out =
      "// Generated by tools/langpack from resources/lang/en.txt: do not edit.\n"
      "// The named numbers of the interface texts; the comment shows the English text.\n"
      "#pragma once\n\n"
      "enum class Text : int {\n";
  for (int n = 0; n < langpack::kTextCount; n++) {
    if (names[n].empty()) continue;
    std::string name = names[n];
    // Texts that read alike ("Scan" twice, "Open" twice) keep their number in the name.
    if (uses[name] > 1) name += "_" + std::to_string(n);
    out += "  " + name + " = " + std::to_string(n) + ",  // \"" + cEscape(english.texts[n]) + "\"\n";
  }
  out += "};\n\nconstexpr int kTextCount = " + std::to_string(langpack::kTextCount) + ";\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mb_langpack <folder of language files> <pack to write> <header to write>\n");
    return 2;
  }
  std::string folder = argv[1];
  std::vector<langpack::TextFile> files;
  std::string error;
  bool failed = false;
  for (const char* code : langpack::kLanguageCodes) {
    std::string path = folder + "/" + code + ".txt";
    langpack::TextFile file;
    bool isEnglish = std::string(code) == "en";
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe) std::fclose(probe);
    // A language without its file yet is carried with every text empty: it shows English.
    if ((probe || isEnglish) && !langpack::readTextFile(path, file, error)) {
      std::fprintf(stderr, "error: %s\n", error.c_str());
      return 1;
    }
    if (!isEnglish) {
      for (int n = 0; n < langpack::kTextCount; n++) {
        if (file.texts[n].empty()) continue;
        if (files[0].texts[n].empty()) {
          std::fprintf(stderr, "error: %s:%d: text %d is translated but has no English text\n", path.c_str(),
                       file.lineOf[n], n);
          failed = true;
          continue;
        }
        std::string why = langpack::placeholderMismatch(files[0].texts[n], file.texts[n]);
        if (!why.empty()) {
          std::fprintf(stderr, "error: %s:%d: text %d: %s\n", path.c_str(), file.lineOf[n], n, why.c_str());
          failed = true;
        }
      }
    } else {
      for (int n = 0; n < langpack::kTextCount; n++) {
        std::string why = langpack::placeholderMismatch(file.texts[n], file.texts[n]);
        if (!why.empty()) {
          std::fprintf(stderr, "error: %s:%d: text %d: %s\n", path.c_str(), file.lineOf[n], n, why.c_str());
          failed = true;
        }
      }
    }
    files.push_back(std::move(file));
  }
  if (failed) return 1;

  Bytes blocks;
  Bytes entries;
  for (size_t k = 0; k < files.size(); k++) {
    size_t offset = blocks.size();
    for (const std::string& text : files[k].texts) {
      blocks.insert(blocks.end(), text.begin(), text.end());
      blocks.push_back(0);
    }
    entries.push_back(langpack::kLanguageCodes[k][0]);
    entries.push_back(langpack::kLanguageCodes[k][1]);
    entries.push_back(0);
    entries.push_back(0);
    putU32(entries, static_cast<uint32_t>(offset));
    putU32(entries, static_cast<uint32_t>(blocks.size() - offset));
  }
  Bytes compressed;
  if (!compressMszip(blocks, compressed)) {
    std::fprintf(stderr, "error: compressing the language pack failed\n");
    return 1;
  }
  Bytes pack = {'M', 'B', 'L', '2'};
  putU16(pack, static_cast<uint32_t>(files.size()));
  putU16(pack, langpack::kTextCount);
  putU32(pack, static_cast<uint32_t>(compressed.size()));
  putU32(pack, static_cast<uint32_t>(blocks.size()));
  pack.insert(pack.end(), entries.begin(), entries.end());
  pack.insert(pack.end(), compressed.begin(), compressed.end());

  if (!writeFile(argv[2], std::string(pack.begin(), pack.end()))) {
    std::fprintf(stderr, "error: cannot write %s\n", argv[2]);
    return 1;
  }
  if (!writeFileIfChanged(argv[3], headerFor(files[0]))) {
    std::fprintf(stderr, "error: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
