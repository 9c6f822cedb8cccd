// NTFS on-disk structures read by the master-file-table scan: little-endian field
// access, the update-sequence fix-up, the attribute walk and run-list decoding.
// Every byte comes from disk and is untrusted: each accessor checks its bounds.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

constexpr uint32_t kFileRecordSignature = 0x454C4946;   // "FILE"
constexpr uint32_t kAttributeEnd = 0xFFFFFFFF;
constexpr uint32_t kAttrStandardInformation = 0x10;
constexpr uint32_t kAttrAttributeList = 0x20;
constexpr uint32_t kAttrFileName = 0x30;
constexpr uint32_t kAttrData = 0x80;
constexpr uint32_t kAttrBitmap = 0xB0;
constexpr uint16_t kRecordInUse = 1;
constexpr uint16_t kRecordDirectory = 2;
constexpr uint16_t kAttrFlagCompressed = 0x0001;
constexpr uint16_t kAttrFlagSparse = 0x8000;

inline bool isPowerOfTwo(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }

inline uint16_t readU16(const uint8_t* p) { uint16_t v; memcpy(&v, p, 2); return v; }
inline uint32_t readU32(const uint8_t* p) { uint32_t v; memcpy(&v, p, 4); return v; }
inline uint64_t readU64(const uint8_t* p) { uint64_t v; memcpy(&v, p, 8); return v; }
inline int64_t readI64(const uint8_t* p) { int64_t v; memcpy(&v, p, 8); return v; }

// Checks the signature and update-sequence bounds of a record of `bytes`, then puts
// back the words the sequence replaced at the end of each stride. False when the
// header is unusable or a stride's last word does not match the sequence number.
bool applyUpdateSequence(uint8_t* record, uint32_t bytes);

// One attribute inside a record; the header fields the scan reads.
struct MftAttribute {
  const uint8_t* p = nullptr;   // the attribute header
  uint32_t length = 0;          // >= 16, ends inside the record
  uint32_t type = 0;
  bool nonResident = false;
  uint8_t nameLength = 0;       // characters
  uint16_t nameOffset = 0;
  uint16_t flags = 0;
};

// Walks the attributes of a fixed-up record from its first-attribute offset.
struct AttributeWalk {
  const uint8_t* record = nullptr;
  uint32_t bytes = 0;
  uint32_t next = 0;    // offset of the next attribute; bytes = finished
};
// False when the record is too short for its first attribute.
bool startAttributeWalk(AttributeWalk& walk, const uint8_t* record, uint32_t bytes);
// Stops at the end marker, at a length below 16 and at an attribute running past the record.
bool nextAttribute(AttributeWalk& walk, MftAttribute& attribute);

// Resident value: false unless value offset + length lie inside the attribute.
bool residentValue(const MftAttribute& attribute, const uint8_t*& value, uint32_t& length);
// Non-resident fields; false when the attribute is too short to hold them.
struct NonResidentInfo {
  int64_t startVcn = 0;
  int64_t lastVcn = 0;
  uint16_t runListOffset = 0;
  int64_t allocatedSize = 0;
  int64_t dataSize = 0;
  bool hasCompressedSize = false;  // the attribute is at least 72 bytes long
  int64_t compressedSize = 0;
};
bool nonResidentInfo(const MftAttribute& attribute, NonResidentInfo& info);
// True when the attribute's name equals `name` (ASCII) exactly.
bool attributeNameIs(const MftAttribute& attribute, const char* name);

// A run of clusters; start -1 marks a sparse run.
struct DataRun {
  int64_t start = 0;
  int64_t clusters = 0;
};
// Decodes the run list of a non-resident attribute. Stops at a 0 header byte, at a run
// that would pass the end of the attribute, and at a malformed run (over-long fields,
// a negative length, a start that overflows or goes below 0).
void decodeRunList(const MftAttribute& attribute, std::vector<DataRun>& runs);

// Byte offset of cluster `lcn` plus `extra`, or false when it cannot be addressed.
inline bool clusterOffset(int64_t lcn, int64_t clusterBytes, uint64_t extra, uint64_t& offset) {
  if (lcn < 0) return false;
  uint64_t bytes;
  if (__builtin_mul_overflow(uint64_t(lcn), uint64_t(clusterBytes), &bytes)) return false;
  if (__builtin_add_overflow(bytes, extra, &offset) || offset > uint64_t(INT64_MAX)) return false;
  return true;
}

// Run length in bytes, saturated.
inline uint64_t runBytes(const DataRun& run, int64_t clusterBytes) {
  uint64_t bytes;
  if (__builtin_mul_overflow(uint64_t(run.clusters), uint64_t(clusterBytes), &bytes)) return UINT64_MAX;
  return bytes;
}
