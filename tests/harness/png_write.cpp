#include "tests/harness/png_write.h"
#include <cstring>

namespace {
uint32_t crcTable[256];

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  if (!crcTable[1]) {
    for (uint32_t n = 0; n < 256; n++) {
      uint32_t c = n;
      for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      crcTable[n] = c;
    }
  }
  crc = ~crc;
  for (size_t i = 0; i < size; i++) crc = crcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(out, crc32(out.data() + start, out.size() - start));
}
}  // namespace

std::vector<uint8_t> encodePng(const uint32_t* pixels, uint32_t width, uint32_t height) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
  for (uint32_t y = 0; y < height; y++) {
    raw.push_back(0);   // filter: none
    for (uint32_t x = 0; x < width; x++) {
      uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<uint8_t>(p >> 16));
      raw.push_back(static_cast<uint8_t>(p >> 8));
      raw.push_back(static_cast<uint8_t>(p));
    }
  }
  // zlib stream: header, stored blocks of at most 65 535 bytes, Adler-32.
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t offset = 0;
  do {
    size_t size = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
    bool last = offset + size == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(size));
    z.push_back(static_cast<uint8_t>(size >> 8));
    z.push_back(static_cast<uint8_t>(~size));
    z.push_back(static_cast<uint8_t>(~size >> 8));
    z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(offset), raw.begin() + static_cast<ptrdiff_t>(offset + size));
    offset += size;
  } while (offset < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put32(z, b << 16 | a);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, width);
  put32(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});   // 8 bits, RGB, deflate, filter 0, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}
