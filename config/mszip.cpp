#include "config/mszip.h"

#include "config/inflate.h"

namespace {

uint32_t readU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t readU64(const uint8_t* p) { return readU32(p) | (static_cast<uint64_t>(readU32(p + 4)) << 32); }

bool decompressBlocks(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  if (size < kMszipHeaderBytes || readU32(data) != kMszipMagic) return false;
  size_t headerBytes = data[4] | (data[5] << 8);
  if (headerBytes < kMszipHeaderBytes || headerBytes > size) return false;
  // Bytes 6 and 7 are the compressor's own; nothing depends on them.
  if (readU64(data + 8) != out.size()) return false;
  size_t at = headerBytes;
  size_t pos = 0;
  size_t previousBlockStart = 0;
  while (pos < out.size()) {
    if (size - at < 4) return false;
    size_t blockBytes = readU32(data + at);
    at += 4;
    if (blockBytes < 2 || blockBytes > size - at) return false;
    if (data[at] != 'C' || data[at + 1] != 'K') return false;
    size_t limit = out.size() - pos < kMszipBlockBytes ? out.size() : pos + kMszipBlockBytes;
    InflateOutput target{out.data(), previousBlockStart, pos, limit};
    size_t end = 0;
    if (!inflateRaw(data + at + 2, blockBytes - 2, target, &end)) return false;
    if (end == pos) return false;  // a block that adds nothing cannot be the compressor's
    previousBlockStart = pos;
    pos = end;
    at += blockBytes;
  }
  return true;
}

}  // namespace

bool decompressMszip(const uint8_t* data, size_t size, size_t expectedSize, std::vector<uint8_t>& out) {
  out.clear();
  // Deflate cannot expand beyond 1032:1; a larger claim is a damaged header, and
  // believing it would mean allocating whatever it says.
  if (!data || expectedSize / 1032 > size) return false;
  out.assign(expectedSize, 0);
  if ( !decompressBlocks(data, size, out)) {
    out.clear();
    return false;
  }
  return true;
}
