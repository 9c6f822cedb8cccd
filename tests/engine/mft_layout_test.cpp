// Joining the pieces of the table's run list found in record 0 and its extension
// records: the rules for pieces that no real table has (overlaps, gaps, runs past a
// piece's last cluster, starts near the end of the range). The fragmented tables
// built from a real image are in posix/mft_attribute_list_test.cpp.
#include "engine/mft_format.h"
#include "engine/mft_layout.h"
#include "tests/engine/mft_record_builder.h"
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

}  // namespace
