#include "engine/mft_format.h"

bool applyUpdateSequence(uint8_t* record, uint32_t bytes) {
  if (bytes < 8 || readU32(record) != kFileRecordSignature) return false;
  uint32_t offset = readU16(record + 4);
  uint32_t count = readU16(record + 6);
  if (count < 2 || uint64_t(offset) + 2ull * count > bytes) return false;
  uint32_t stride = bytes / (count - 1);
  uint16_t sequence = readU16(record + offset);
  for (uint32_t k = 1; k < count; k++) {
    uint8_t* word = record + uint64_t(k) * stride - 2;
    if (readU16(word) != sequence) return false;
    memcpy(word, record + offset + 2 * k, 2);
  }
  return true;
}

bool startAttributeWalk(AttributeWalk& walk, const uint8_t* record, uint32_t bytes) {
  walk.record = record;
  walk.bytes = bytes;
  walk.next = bytes >= 22 ? readU16(record + 20) : bytes;
  if (uint64_t(walk.next) + 16 > bytes) {
    walk.next = bytes;
    return false;
  }
  return true;
}

bool nextAttribute(AttributeWalk& walk, MftAttribute& attribute) {
  if (uint64_t(walk.next) + 16 > walk.bytes) return false;
  const uint8_t* p = walk.record + walk.next;
  uint32_t type = readU32(p);
  uint32_t length = readU32(p + 4);
  if (type == kAttributeEnd || length < 16 || length > walk.bytes - walk.next) {
    walk.next = walk.bytes;
    return false;
  }
  attribute.p = p;
  attribute.length = length;
  attribute.type = type;
  attribute.nonResident = p[8] != 0;
  attribute.nameLength = p[9];
  attribute.nameOffset = readU16(p + 10);
  attribute.flags = readU16(p + 12);
  walk.next += length;
  return true;
}

bool residentValue(const MftAttribute& attribute, const uint8_t*& value, uint32_t& length) {
  if (attribute.nonResident || attribute.length < 22) return false;
  length = readU32(attribute.p + 16);
  uint32_t offset = readU16(attribute.p + 20);
  if (uint64_t(offset) + length > attribute.length) return false;
  value = attribute.p + offset;
  return true;
}

bool nonResidentInfo(const MftAttribute& attribute, NonResidentInfo& info) {
  if (!attribute.nonResident || attribute.length < 56) return false;
  const uint8_t* p = attribute.p;
  info.startVcn = readI64(p + 16);
  info.lastVcn = readI64(p + 24);
  info.runListOffset = readU16(p + 32);
  info.allocatedSize = readI64(p + 40);
  info.dataSize = readI64(p + 48);
  info.hasCompressedSize = attribute.length >= 72;
  info.compressedSize = info.hasCompressedSize ? readI64(p + 64) : 0;
  return true;
}

bool attributeNameIs(const MftAttribute& attribute, const char* name) {
  size_t length = strlen(name);
  if (attribute.nameLength != length) return false;
  if (uint64_t(attribute.nameOffset) + 2ull * length > attribute.length) return false;
  const uint8_t* p = attribute.p + attribute.nameOffset;
  for (size_t i = 0; i < length; i++) {
    if (readU16(p + 2 * i) != uint8_t(name[i])) return false;
  }
  return true;
}

void decodeRunList(const MftAttribute& attribute, std::vector<DataRun>& runs) {
  runs.clear();
  NonResidentInfo info;
  if (!nonResidentInfo(attribute, info)) return;
  const uint8_t* p = attribute.p;
  uint32_t end = attribute.length;
  uint32_t at = info.runListOffset;
  int64_t previous = 0;
  while (at < end) {
    uint8_t header = p[at];
    if (header == 0) break;
    uint32_t lengthBytes = header & 15;
    uint32_t offsetBytes = header >> 4;
    if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8) break;
    if (uint64_t(at) + 1 + lengthBytes + offsetBytes > end) break;
    const uint8_t* field = p + at + 1;
    uint64_t clusters = 0;
    for (uint32_t i = 0; i < lengthBytes; i++) clusters |= uint64_t(field[i]) << (8 * i);
    if (clusters > uint64_t(INT64_MAX)) break;
    DataRun run;
    run.clusters = int64_t(clusters);
    if (offsetBytes == 0) {
      run.start = -1;
    } else {
      uint64_t raw = 0;
      for (uint32_t i = 0; i < offsetBytes; i++) raw |= uint64_t(field[lengthBytes + i]) << (8 * i);
      if (offsetBytes < 8 && (field[lengthBytes + offsetBytes - 1] & 0x80)) raw |= ~uint64_t(0) << (8 * offsetBytes);
      int64_t start;
      if (__builtin_add_overflow(previous, int64_t(raw), &start) || start < 0) break;
      run.start = start;
      previous = start;
    }
    runs.push_back(run);
    at += 1 + lengthBytes + offsetBytes;
  }
}
