// Record 0, its attribute list and the extension records the list names.
//
// Sections: pieces · attribute list · record 0 · volume facts
#include "engine/mft_layout.h"
#include <algorithm>
#include <bit>

namespace {

// Caps for what a list may make the scan read and keep. A real table needs one
// extension record per couple of hundred fragments, so these leave ample room.
constexpr size_t kMaxPieces = 8192;
constexpr size_t kMaxRuns = size_t(1) << 20;
constexpr size_t kMaxExtensionRecords = 4096;
constexpr uint32_t kMaxListBytes = 256u << 10;
constexpr uint32_t kListEntryMinimum = 26;
// Extension records that only other extension records' pieces map are chased this many
// rounds deep; each round costs a pass over the runs, so a hostile chain stays cheap.
constexpr int kMaxChaseRounds = 64;

bool fail(MftFailure& failure, MftFailure reason) {
  failure = reason;
  return false;
}

bool isTablePiece(const MftAttribute& attribute) {
  return attribute.nameLength == 0 && (attribute.type == kAttrData || attribute.type == kAttrBitmap);
}

// --- Attribute list ---------------------------------------------------------------------------
// The list's bytes: a resident value, or read through its own run list up to the cap.
// Empty when it cannot be read.
void readAttributeList(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes, const MftAttribute& attribute,
                       std::vector<uint8_t>& list) {
  list.clear();
  if (!attribute.nonResident) {
    const uint8_t* value;
    uint32_t length;
    if (residentValue(attribute, value, length)) list.assign(value, value + length);
    return;
  }
  NonResidentInfo info;
  if (!nonResidentInfo(attribute, info) || info.startVcn != 0 || info.dataSize <= 0) return;
  std::vector<DataRun> runs;
  decodeRunList(attribute, runs);
  const int64_t clusterBytes = reader.data.bytesPerCluster;
  uint64_t wanted = std::min<uint64_t>(uint64_t(info.dataSize), kMaxListBytes);
  for (const DataRun& run : runs) {
    if (list.size() >= wanted) break;
    uint64_t length = std::min<uint64_t>(runBytes(run, clusterBytes), wanted - list.size());
    if (run.start < 0) {
      list.resize(list.size() + length, 0);
      continue;
    }
    // Whole clusters: volumes only accept sector-sized reads.
    uint64_t readBytes = (length + clusterBytes - 1) / clusterBytes * clusterBytes;
    uint64_t offset;
    if (readBytes > bufferBytes || !clusterOffset(run.start, clusterBytes, 0, offset) ||
        !reader.read(reader.context, offset, buffer, uint32_t(readBytes))) {
      list.clear();
      return;
    }
    list.insert(list.end(), buffer, buffer + length);
  }
}

// The extension records the list names for the table's unnamed $DATA and $BITMAP, in
// order, each once. Record 0's own pieces were taken from record 0 itself.
void listedRecords(const std::vector<uint8_t>& list, std::vector<int64_t>& records) {
  records.clear();
  const uint8_t* p = list.data();
  const size_t bytes = list.size();
  for (size_t at = 0; at + kListEntryMinimum <= bytes;) {
    uint32_t type = readU32(p + at);
    uint32_t length = readU16(p + at + 4);
    if (length < kListEntryMinimum || length > bytes - at) break;
    uint8_t nameLength = p[at + 6];
    int64_t record = int64_t(readU64(p + at + 16) & 0xFFFFFFFFFFFFull);
    if ((type == kAttrData || type == kAttrBitmap) && nameLength == 0 && record != 0) records.push_back(record);
    at += length;
  }
  std::sort(records.begin(), records.end());
  records.erase(std::unique(records.begin(), records.end()), records.end());
  if (records.size() > kMaxExtensionRecords) records.resize(kMaxExtensionRecords);
}

// The table's clusters known so far, with where each run ends in bytes of the table,
// so a record is found by a binary search even when the pieces hold a million runs.
struct KnownTable {
  std::vector<DataRun> runs;
  std::vector<uint64_t> ends;   // saturated at UINT64_MAX
};

void knowTable(const std::vector<DataRun>& runs, int64_t clusterBytes, KnownTable& known) {
  known.runs = runs;
  known.ends.clear();
  uint64_t end = 0;
  for (const DataRun& run : runs) {
    if (__builtin_add_overflow(end, runBytes(run, clusterBytes), &end)) end = UINT64_MAX;
    known.ends.push_back(end);
  }
}

// Where record `number` lies on the volume: one span per run it touches (more than one
// when clusters are smaller than a record and a run ends inside it). False when the
// known runs do not map all of it.
struct RecordSpan {
  uint64_t offset;
  uint32_t bytes;
};
bool locateRecord(const KnownTable& known, int64_t number, int64_t clusterBytes, uint32_t recordBytes,
                  std::vector<RecordSpan>& spans) {
  spans.clear();
  uint64_t at;
  if (__builtin_mul_overflow(uint64_t(number), uint64_t(recordBytes), &at)) return false;
  for (uint32_t got = 0; got < recordBytes;) {
    size_t i = size_t(std::upper_bound(known.ends.begin(), known.ends.end(), at) - known.ends.begin());
    if (i == known.runs.size() || known.runs[i].start < 0) return false;
    uint64_t runStart = i ? known.ends[i - 1] : 0;
    RecordSpan span;
    span.bytes = uint32_t(std::min<uint64_t>(recordBytes - got, known.ends[i] - at));
    if (!clusterOffset(known.runs[i].start, clusterBytes, at - runStart, span.offset)) return false;
    spans.push_back(span);
    got += span.bytes;
    at += span.bytes;
  }
  return true;
}

bool readSpans(MftVolumeReader& reader, const std::vector<RecordSpan>& spans, uint8_t* buffer) {
  for (const RecordSpan& span : spans) {
    if (!reader.read(reader.context, span.offset, buffer, span.bytes)) return false;
    buffer += span.bytes;
  }
  return true;
}

// Takes the table's pieces from an extension record read into `buffer`; a record that
// is damaged, not in use or not an extension of record 0 gives nothing.
bool takeExtensionRecord(MftVolumeReader& reader, uint8_t* buffer, AttributePieces& data, AttributePieces& bitmap) {
  const uint32_t recordBytes = uint32_t(reader.data.bytesPerRecord);
  if (!applyUpdateSequence(buffer, recordBytes) ||
      recordBytes < 40 || !(readU16(buffer + 22) & kRecordInUse) || (readU64(buffer + 32) & 0xFFFFFFFFFFFFull) != 0) {
    return false;
  }
  AttributeWalk walk;
  if (!startAttributeWalk(walk, buffer, recordBytes)) return false;
  MftAttribute attribute;
  bool took = false;
  while (nextAttribute(walk, attribute)) {
    if (!isTablePiece(attribute) || !attribute.nonResident) continue;
    addAttributePiece(attribute.type == kAttrData ? data : bitmap, attribute);
    took = true;
  }
  return took;
}

}  // namespace

// --- Pieces ------------------------------------------------------------------------------------
void addAttributePiece(AttributePieces& pieces, const MftAttribute& attribute) {
  NonResidentInfo info;
  if (pieces.list.size() >= kMaxPieces || !nonResidentInfo(attribute, info)) return;
  std::vector<DataRun> runs;
  decodeRunList(attribute, runs);
  if (runs.empty() || pieces.runs.size() + runs.size() > kMaxRuns) return;
  AttributePiece piece;
  piece.startVcn = info.startVcn;
  piece.lastVcn = info.lastVcn;
  piece.firstRun = uint32_t(pieces.runs.size());
  piece.runCount = uint32_t(runs.size());
  piece.order = uint32_t(pieces.list.size());
  pieces.list.push_back(piece);
  pieces.runs.insert(pieces.runs.end(), runs.begin(), runs.end());
}

bool joinAttributePieces(AttributePieces& pieces, std::vector<DataRun>& runs) {
  std::sort(pieces.list.begin(), pieces.list.end(), [](const AttributePiece& a, const AttributePiece& b) {
    return a.startVcn != b.startVcn ? a.startVcn < b.startVcn : a.order < b.order;
  });
  runs.clear();
  bool whole = true;
  int64_t reached = 0;
  for (const AttributePiece& piece : pieces.list) {
    // A duplicate or an overlap: the clusters already have a place.
    if (piece.startVcn < reached) {
      whole = false;
      continue;
    }
    if (piece.startVcn > reached) {
      runs.push_back({-1, piece.startVcn - reached});
      whole = false;
    }
    reached = piece.startVcn;
    int64_t left = piece.lastVcn >= piece.startVcn ? piece.lastVcn - piece.startVcn + 1 : INT64_MAX;
    for (uint32_t i = 0; i < piece.runCount && left > 0; i++) {
      DataRun run = pieces.runs[piece.firstRun + i];
      run.clusters = std::min(run.clusters, left);
      if (run.clusters <= 0) continue;
      int64_t next;
      if (__builtin_add_overflow(reached, run.clusters, &next)) return false;
      runs.push_back(run);
      left -= run.clusters;
      reached = next;
    }
  }
  return whole;
}

// --- Record 0 ------------------------------------------------------------------------------------
bool readTableLayout(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes, TableLayout& layout,
                     MftFailure& failure) {
  const NtfsVolumeData& v = reader.data;
  uint32_t first = uint32_t(std::max(v.bytesPerCluster, v.bytesPerRecord));
  uint64_t offset;
  if (first > bufferBytes || !clusterOffset(v.mftStartLcn, v.bytesPerCluster, 0, offset) ||
      !reader.read(reader.context, offset, buffer, first)) {
    return fail(failure, MftFailure::CannotReadMft);
  }
  uint32_t recordBytes = uint32_t(v.bytesPerRecord);
  if (!applyUpdateSequence(buffer, recordBytes)) return fail(failure, MftFailure::CannotReadMft);
  AttributeWalk walk;
  if (!startAttributeWalk(walk, buffer, recordBytes)) return fail(failure, MftFailure::CannotDecodeRunList);

  AttributePieces data, bitmap;
  std::vector<uint8_t> list;
  bool haveList = false;
  bool haveFirstPiece = false;
  MftAttribute attribute;
  while (nextAttribute(walk, attribute)) {
    if (attribute.nameLength != 0) continue;
    if (attribute.type == kAttrAttributeList && !haveList) {
      // Copied out: the buffer is about to hold the extension records.
      readAttributeList(reader, buffer + first, bufferBytes - first, attribute, list);
      haveList = true;
    } else if (attribute.type == kAttrData && attribute.nonResident) {
      NonResidentInfo info;
      if (!nonResidentInfo(attribute, info)) continue;
      size_t before = data.list.size();
      addAttributePiece(data, attribute);
      if (info.startVcn == 0 && !haveFirstPiece && data.list.size() > before) {
        layout.dataSize = info.dataSize;
        haveFirstPiece = true;
      }
    } else if (attribute.type == kAttrBitmap && !layout.hasResidentBitmap) {
      if (attribute.nonResident) {
        NonResidentInfo info;
        if (!nonResidentInfo(attribute, info)) continue;
        if (info.startVcn == 0 && layout.bitmapSize < 0) layout.bitmapSize = info.dataSize;
        addAttributePiece(bitmap, attribute);
      } else if (bitmap.list.empty()) {
        const uint8_t* value;
        uint32_t length;
        if (!residentValue(attribute, value, length)) continue;
        layout.residentBitmap.assign(value, value + length);
        layout.hasResidentBitmap = true;
      }
    }
  }
  // The table's first piece lives in record 0: without it nothing else can be found.
  if (!haveFirstPiece) return fail(failure, MftFailure::CannotDecodeRunList);
  joinAttributePieces(data, layout.dataRuns);

  if (!list.empty()) {
    std::vector<int64_t> records;
    listedRecords(list, records);
    // Each round reads the records that the clusters known so far map: record 0's
    // first, then those the pieces of the previous round added. A record is read once,
    // and only through clusters known before it, so no record can lead to itself.
    std::vector<bool> read(records.size(), false);
    KnownTable known;
    std::vector<RecordSpan> spans;
    for (int round = 0; round < kMaxChaseRounds; round++) {
      knowTable(layout.dataRuns, v.bytesPerCluster, known);
      bool took = false;
      for (size_t i = 0; i < records.size(); i++) {
        if (read[i] || !locateRecord(known, records[i], v.bytesPerCluster, recordBytes, spans)) continue;
        read[i] = true;
        if (readSpans(reader, spans, buffer) && takeExtensionRecord(reader, buffer, data, bitmap)) {
          layout.extensionRecords++;
          took = true;
        }
      }
      if (!took) break;
      joinAttributePieces(data, layout.dataRuns);
    }
  }
  // A bitmap with a piece missing would call the records there unused: no bitmap then,
  // and every record counts as in use.
  if (!layout.hasResidentBitmap && layout.bitmapSize >= 0) {
    layout.hasBitmapRuns = joinAttributePieces(bitmap, layout.bitmapRuns);
    if (!layout.hasBitmapRuns) layout.bitmapRuns.clear();
  }
  return true;
}

// --- Volume facts ---------------------------------------------------------------------------------
namespace {
constexpr uint32_t kAttrVolumeName = 0x60;

// Reads and fixes up one of the first records (the system files) into `buffer`.
bool readSystemRecord(MftVolumeReader& reader, uint8_t* buffer, const KnownTable& known, int64_t number) {
  const uint32_t recordBytes = uint32_t(reader.data.bytesPerRecord);
  std::vector<RecordSpan> spans;
  return locateRecord(known, number, reader.data.bytesPerCluster, recordBytes, spans) &&
         readSpans(reader, spans, buffer) && applyUpdateSequence(buffer, recordBytes) && recordBytes >= 24 &&
         (readU16(buffer + 22) & kRecordInUse);
}

// Zero bits among the first `bits` of the runs' bytes; -1 when they cannot be read.
int64_t countZeroBits(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes, const std::vector<DataRun>& runs,
                      int64_t bits) {
  const int64_t clusterBytes = reader.data.bytesPerCluster;
  const uint32_t chunk = uint32_t(bufferBytes / clusterBytes * clusterBytes);
  if (chunk == 0) return -1;
  int64_t zeros = 0, left = bits;
  for (const DataRun& run : runs) {
    if (left <= 0) break;
    if (run.start < 0) return -1;   // the bitmap is never sparse
    uint64_t length = runBytes(run, clusterBytes);
    for (uint64_t done = 0; done < length && left > 0;) {
      uint32_t piece = uint32_t(std::min<uint64_t>(length - done, chunk));
      uint64_t offset;
      if (!clusterOffset(run.start, clusterBytes, done, offset) || !reader.read(reader.context, offset, buffer, piece))
        return -1;
      for (uint32_t i = 0; i < piece && left > 0; i++) {
        uint8_t byte = buffer[i];
        if (left < 8) byte |= uint8_t(0xFF << left);   // bits past the last cluster
        zeros += 8 - std::popcount(byte);
        left -= 8;
      }
      done += piece;
    }
  }
  return left > 0 ? -1 : zeros;
}
}  // namespace

void readVolumeLabelAndFreeClusters(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes,
                                    const TableLayout& layout, int64_t totalClusters, std::u16string& label,
                                    int64_t& freeClusters) {
  const uint32_t recordBytes = uint32_t(reader.data.bytesPerRecord);
  if (recordBytes > bufferBytes) return;
  KnownTable known;
  knowTable(layout.dataRuns, reader.data.bytesPerCluster, known);
  AttributeWalk walk;
  MftAttribute attribute;
  if (readSystemRecord(reader, buffer, known, 3) && startAttributeWalk(walk, buffer, recordBytes)) {
    while (nextAttribute(walk, attribute)) {
      const uint8_t* value;
      uint32_t length;
      if (attribute.type != kAttrVolumeName || attribute.nonResident || !residentValue(attribute, value, length)) continue;
      label.clear();
      for (uint32_t i = 0; i + 1 < length && i < 2 * 128; i += 2) label.push_back(char16_t(readU16(value + i)));
      break;
    }
  }
  if (totalClusters <= 0 || !readSystemRecord(reader, buffer, known, 6) || !startAttributeWalk(walk, buffer, recordBytes))
    return;
  std::vector<DataRun> runs;
  while (nextAttribute(walk, attribute)) {
    NonResidentInfo info;
    if (attribute.type != kAttrData || attribute.nameLength != 0 || !attribute.nonResident ||
        !nonResidentInfo(attribute, info) || info.startVcn != 0)
      continue;
    decodeRunList(attribute, runs);
    break;
  }
  // The record is read again piece by piece into the same buffer: the runs are copied out.
  if (!runs.empty()) freeClusters = countZeroBits(reader, buffer, bufferBytes, runs, totalClusters);
}
