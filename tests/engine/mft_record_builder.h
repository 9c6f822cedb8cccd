// Builds file records byte by byte for the decoder tests: header, update sequence
// and attributes laid out as NTFS lays them out.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct RecordBuilder {
  std::vector<uint8_t> bytes;
  uint32_t next = 56;   // first attribute offset

  explicit RecordBuilder(uint32_t size = 1024, uint16_t flags = 1, uint64_t base = 0) : bytes(size, 0) {
    memcpy(bytes.data(), "FILE", 4);
    put16(4, 48);                        // update sequence array
    put16(6, uint16_t(size / 512 + 1));
    put16(20, uint16_t(next));
    put16(22, flags);
    put64(32, base);
  }
  void put16(uint32_t at, uint16_t v) { memcpy(&bytes[at], &v, 2); }
  void put32(uint32_t at, uint32_t v) { memcpy(&bytes[at], &v, 4); }
  void put64(uint32_t at, uint64_t v) { memcpy(&bytes[at], &v, 8); }

  // Appends an attribute header of `length` bytes (rounded to 8) and returns its offset.
  uint32_t attribute(uint32_t type, uint32_t length, bool nonResident, const std::u16string& name = u"",
                     uint16_t flags = 0) {
    uint32_t nameOffset = nonResident ? 64 : 24;
    if (!name.empty()) length += uint32_t(2 * name.size());
    length = (length + 7) & ~7u;
    uint32_t at = next;
    put32(at, type);
    put32(at + 4, length);
    bytes[at + 8] = nonResident;
    bytes[at + 9] = uint8_t(name.size());
    put16(at + 10, uint16_t(nameOffset));
    put16(at + 12, flags);
    if (!name.empty()) memcpy(&bytes[at + nameOffset], name.data(), 2 * name.size());
    next += length;
    put32(next, 0xFFFFFFFF);
    return at;
  }
  uint32_t resident(uint32_t type, const std::vector<uint8_t>& value, const std::u16string& name = u"") {
    uint32_t valueOffset = 24 + uint32_t(2 * name.size());
    valueOffset = (valueOffset + 7) & ~7u;
    uint32_t at = attribute(type, valueOffset + uint32_t(value.size()), false, name);
    put32(at + 16, uint32_t(value.size()));
    put16(at + 20, uint16_t(valueOffset));
    memcpy(&bytes[at + valueOffset], value.data(), value.size());
    return at;
  }
  void standardInformation(int64_t modified, uint32_t attributes) {
    std::vector<uint8_t> v(72, 0);
    memcpy(&v[8], &modified, 8);
    memcpy(&v[32], &attributes, 4);
    resident(0x10, v);
  }
  void fileName(uint32_t parent, const std::u16string& name, uint8_t nameSpace) {
    std::vector<uint8_t> v(66 + 2 * name.size(), 0);
    uint64_t reference = parent | (uint64_t(1) << 48);
    memcpy(&v[0], &reference, 8);
    v[64] = uint8_t(name.size());
    v[65] = nameSpace;
    memcpy(&v[66], name.data(), 2 * name.size());
    resident(0x30, v);
  }
  static constexpr int64_t kShortHeader = INT64_MIN;
  // A non-resident attribute; a `compressedSize` other than kShortHeader gives the 72-byte form.
  uint32_t nonResident(uint32_t type, int64_t allocated, int64_t dataSize, const std::u16string& name = u"",
                       uint16_t flags = 0, int64_t compressedSize = kShortHeader, int64_t startVcn = 0,
                       const std::vector<uint8_t>& runs = {0x11, 0x01, 0x10, 0x00}) {
    uint32_t header = compressedSize != kShortHeader ? 72 : 64;
    uint32_t at = attribute(type, header + uint32_t(runs.size()), true, name, flags);
    uint32_t runOffset = (header + uint32_t(2 * name.size()) + 7) & ~7u;
    if (runOffset + runs.size() > bytes.size() - at) return at;
    // Names sit after the header in this layout; the runs after the name.
    if (!name.empty()) {
      put16(at + 10, uint16_t(header));
      memcpy(&bytes[at + header], name.data(), 2 * name.size());
    }
    put32(at + 4, (runOffset + uint32_t(runs.size()) + 7) & ~7u);
    next = at + ((runOffset + uint32_t(runs.size()) + 7) & ~7u);
    put32(next, 0xFFFFFFFF);
    put64(at + 16, uint64_t(startVcn));
    put16(at + 32, uint16_t(runOffset));
    put64(at + 40, uint64_t(allocated));
    put64(at + 48, uint64_t(dataSize));
    put64(at + 56, uint64_t(dataSize));
    if (compressedSize != kShortHeader) put64(at + 64, uint64_t(compressedSize));
    if (!runs.empty()) memcpy(&bytes[at + runOffset], runs.data(), runs.size());
    return at;
  }
  // Moves the last word of every 512-byte stride into the update sequence array,
  // as a write to disk does.
  std::vector<uint8_t> finished(uint16_t sequence = 7) {
    std::vector<uint8_t> out = bytes;
    uint16_t count = uint16_t(out.size() / 512 + 1);
    memcpy(&out[48], &sequence, 2);
    for (uint16_t k = 1; k < count; k++) {
      memcpy(&out[48 + 2 * k], &out[k * 512 - 2], 2);
      memcpy(&out[k * 512 - 2], &sequence, 2);
    }
    return out;
  }
};
