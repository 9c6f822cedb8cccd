// Joining the pieces of the table's run list found in record 0 and its extension
// records: the rules for pieces that no real table has (overlaps, gaps, runs past a
// piece's last cluster, starts near the end of the range). The fragmented tables
// built from a real image are in posix/mft_attribute_list_test.cpp.
#include "engine/mft_format.h"
#include "engine/mft_layout.h"
#include "tests/engine/mft_record_builder.h"
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct PieceSpec {
  int64_t startVcn;
  int64_t lastVcn;
  std::vector<uint8_t> runs;
};

// One record holding every piece as an unnamed non-resident $DATA, in the given order.
void addPieces(AttributePieces& pieces, const std::vector<PieceSpec>& specs) {
  RecordBuilder record(4096);
  for (const PieceSpec& p : specs) {
    uint32_t at = record.nonResident(kAttrData, 0, 0, u"", 0, RecordBuilder::kShortHeader, p.startVcn, p.runs);
    record.put64(at + 24, uint64_t(p.lastVcn));
  }
  AttributeWalk walk;
  ASSERT_TRUE(startAttributeWalk(walk, record.bytes.data(), uint32_t(record.bytes.size())));
  MftAttribute attribute;
  while (nextAttribute(walk, attribute)) addAttributePiece(pieces, attribute);
}

TEST(MftLayout, PiecesJoinByStartingCluster) {
  // Runs: 0x11 = one length byte and one offset byte.
  const std::vector<uint8_t> tenAt16 = {0x11, 0x0A, 0x10, 0x00};   // 10 clusters at 16
  const std::vector<uint8_t> fiveAt64 = {0x11, 0x05, 0x40, 0x00};  // 5 clusters at 64
  const std::vector<uint8_t> twoRuns = {0x11, 0x03, 0x20, 0x11, 0x04, 0x10, 0x00};   // 3 at 32, 4 at 48
  struct Case {
    const char* what;
    std::vector<PieceSpec> pieces;
    std::vector<DataRun> expected;
    bool whole;
  };
  const Case cases[] = {
      {"in order", {{0, 9, tenAt16}, {10, 14, fiveAt64}}, {{16, 10}, {64, 5}}, true},
      {"out of order", {{10, 16, twoRuns}, {0, 9, tenAt16}}, {{16, 10}, {32, 3}, {48, 4}}, true},
      {"duplicate: the first one found wins", {{0, 9, tenAt16}, {0, 4, fiveAt64}}, {{16, 10}}, false},
      {"overlap: the later start is dropped", {{0, 9, tenAt16}, {5, 9, fiveAt64}, {10, 14, fiveAt64}},
       {{16, 10}, {64, 5}}, false},
      {"gap: a sparse run keeps the numbers", {{0, 9, tenAt16}, {20, 24, fiveAt64}}, {{16, 10}, {-1, 10}, {64, 5}}, false},
      {"missing first piece", {{10, 14, fiveAt64}}, {{-1, 10}, {64, 5}}, false},
      {"runs stop at the last cluster", {{0, 4, tenAt16}, {5, 9, fiveAt64}}, {{16, 5}, {64, 5}}, true},
      {"last cluster before the first: not a bound", {{0, -1, tenAt16}}, {{16, 10}}, true},
      {"negative start", {{-3, 1, tenAt16}, {0, 4, fiveAt64}}, {{64, 5}}, false},
      {"start near the end of the range", {{0, 9, tenAt16}, {INT64_MAX - 2, INT64_MAX, fiveAt64}},
       {{16, 10}, {-1, INT64_MAX - 12}}, false},
      {"empty run list: no piece", {{0, 9, {0x00}}, {0, 4, fiveAt64}}, {{64, 5}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AttributePieces pieces;
    addPieces(pieces, c.pieces);
    std::vector<DataRun> runs;
    EXPECT_EQ(joinAttributePieces(pieces, runs), c.whole);
    ASSERT_EQ(runs.size(), c.expected.size());
    for (size_t i = 0; i < runs.size(); i++) {
      EXPECT_EQ(runs[i].start, c.expected[i].start) << i;
      EXPECT_EQ(runs[i].clusters, c.expected[i].clusters) << i;
    }
  }
}

// A volume of 512-byte clusters and 1 KiB records, small enough to write by hand: a run
// of the table can end inside a record. The table has 4 records (8 clusters); record 0
// maps clusters 0-5 of it in two runs, [8, 5 clusters] and [40, 1], so record 2 starts in
// the first run and ends in the second; record 2 is the extension record holding the
// rest, clusters 6-7 at 60.
struct SmallVolume {
  static constexpr uint32_t kCluster = 512;
  static constexpr uint32_t kRecord = 1024;
  std::vector<uint8_t> bytes = std::vector<uint8_t>(64 * kCluster, 0);

  static bool read(void* context, uint64_t offset, void* buffer, uint32_t count) {
    auto& v = static_cast<SmallVolume*>(context)->bytes;
    if (offset > v.size() || v.size() - offset < count) return false;
    memcpy(buffer, v.data() + offset, count);
    return true;
  }
  void put(uint64_t offset, const std::vector<uint8_t>& data, size_t from, size_t count) {
    memcpy(bytes.data() + offset, data.data() + from, count);
  }
};

std::vector<uint8_t> attributeListOf(const std::vector<std::pair<int64_t, uint64_t>>& dataPieces) {
  std::vector<uint8_t> list;
  for (auto [startVcn, record] : dataPieces) {
    size_t at = list.size();
    list.resize(at + 32, 0);
    uint32_t type = kAttrData;
    uint16_t length = 32;
    memcpy(&list[at], &type, 4);
    memcpy(&list[at + 4], &length, 2);
    list[at + 7] = 26;
    memcpy(&list[at + 8], &startVcn, 8);
    memcpy(&list[at + 16], &record, 8);
  }
  return list;
}

TEST(MftLayout, ExtensionRecordSplitBetweenTwoRunsIsRead) {
  // Runs: 0x11 = one length byte and one offset byte (the offset relative to the last start).
  const std::vector<uint8_t> pieceA = {0x11, 0x05, 0x08, 0x11, 0x01, 0x20, 0x00};   // 5 at 8, 1 at 40
  const std::vector<uint8_t> pieceB = {0x11, 0x02, 0x3C, 0x00};                     // 2 at 60
  struct Case {
    const char* what;
    bool secondHalfMapped;
    int extensionRecords;
    std::vector<DataRun> expected;
  } cases[] = {
      {"both halves mapped", true, 1, {{8, 5}, {40, 1}, {60, 2}}},
      {"second half in a hole", false, 0, {{8, 5}, {-1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SmallVolume volume;
    RecordBuilder record0(SmallVolume::kRecord);
    record0.resident(kAttrAttributeList, attributeListOf({{0, uint64_t(1) << 48}, {6, 2 | uint64_t(1) << 48}}));
    std::vector<uint8_t> runsA = pieceA;
    if (!c.secondHalfMapped) runsA = {0x11, 0x05, 0x08, 0x01, 0x01, 0x00};   // 5 at 8, then 1 sparse
    uint32_t at = record0.nonResident(kAttrData, 8 * SmallVolume::kCluster, 4 * SmallVolume::kRecord, u"", 0,
                                      RecordBuilder::kShortHeader, 0, runsA);
    record0.put64(at + 24, 5);
    std::vector<uint8_t> r0 = record0.finished();
    volume.put(8 * SmallVolume::kCluster, r0, 0, r0.size());

    RecordBuilder record2(SmallVolume::kRecord, 1, uint64_t(1) << 48);
    at = record2.nonResident(kAttrData, 0, 0, u"", 0, RecordBuilder::kShortHeader, 6, pieceB);
    record2.put64(at + 24, 7);
    std::vector<uint8_t> r2 = record2.finished();
    volume.put(12 * SmallVolume::kCluster, r2, 0, 512);   // table bytes 2048-2559: the first run's end
    volume.put(40 * SmallVolume::kCluster, r2, 512, 512); // the second run

    MftVolumeReader reader;
    reader.context = &volume;
    reader.read = SmallVolume::read;
    reader.data.bytesPerCluster = SmallVolume::kCluster;
    reader.data.bytesPerRecord = SmallVolume::kRecord;
    reader.data.mftStartLcn = 8;
    std::vector<uint8_t> buffer(1u << 16);
    TableLayout layout;
    MftFailure failure = MftFailure::None;
    ASSERT_TRUE(readTableLayout(reader, buffer.data(), uint32_t(buffer.size()), layout, failure));
    EXPECT_EQ(layout.extensionRecords, c.extensionRecords);
    ASSERT_EQ(layout.dataRuns.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); i++) {
      EXPECT_EQ(layout.dataRuns[i].start, c.expected[i].start) << i;
      EXPECT_EQ(layout.dataRuns[i].clusters, c.expected[i].clusters) << i;
    }
  }
}

}  // namespace
