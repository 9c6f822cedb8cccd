// The record decoder on records built byte by byte: the rules that images made by
// ntfs-3g do not reach (extension records, system-compressed files, the bad-cluster
// file, name ranks) and the update-sequence and run-list decoding.
#include "engine/mft_format.h"
#include "engine/mft_record.h"
#include "tests/engine/mft_record_builder.h"
#include "tests/engine/test_tree.h"
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Decoder {
  TestTree t;
  MftRecords records;
  explicit Decoder(int64_t count = 64) { prepareMftRecords(records, t.tree, count, 4096); }
  void decode(RecordBuilder& builder, int64_t number) {
    std::vector<uint8_t> raw = builder.finished();
    decodeMftRecord(records, raw.data(), uint32_t(raw.size()), number);
    finishMftNames(records);
  }
  const TreeNode& node(int32_t r) const { return t.tree.node(r); }
  bool named(int32_t r) const { return mftRecordNamed(t.tree, r); }
};

TEST(MftRecord, StreamsAndBytesOnDisk) {
  Decoder d;
  RecordBuilder file;
  file.standardInformation(kUnixEpochFiletime + 10000000ll * 1000, 0);
  file.fileName(5, u"system-compressed.dll", 1);
  // A system-compressed file: the unnamed data is sparse and empty on disk; the
  // compressed bytes live in WofCompressedData, which is no stream of the user's.
  file.nonResident(0x80, 0, 100000, u"", kAttrFlagSparse, 0);
  file.nonResident(0x80, 40960, 38000, u"WofCompressedData");
  file.resident(0x80, {1, 2, 3}, u"Zone.Identifier");
  file.nonResident(0x80, 8192, 5000, u"notes");
  d.decode(file, 20);
  EXPECT_EQ(logicalSize(d.t.tree, 20), 100000);
  EXPECT_EQ(mftOnDiskSum(d.t.tree, 20), 40960u + 8192u);
  EXPECT_EQ(mftStreamCount(d.records, 20), 2);
  EXPECT_EQ(mftLinkCount(d.records, 20), 1);
  EXPECT_EQ(attributes(d.t.tree, 20), kAttributeNormal) << "attributes 0 read as normal";
  EXPECT_EQ(modifiedTime(d.t.tree, 20), kUnixEpochFiletime + 10000000ll * 1000);
}

TEST(MftRecord, CompressedOrSparseSizeNeedsTheLongHeader) {
  struct Case {
    uint16_t flags;
    int64_t compressed;
    std::vector<uint8_t> runs;
    uint64_t expected;
  };
  const std::vector<uint8_t> oneRun = {0x11, 0x01, 0x10, 0x00};
  const Case cases[] = {
      {kAttrFlagCompressed, 12288, oneRun, 12288},
      {kAttrFlagSparse, 4096, oneRun, 4096},
      {0, 12288, oneRun, 65536},                                  // neither flag: allocated
      {kAttrFlagCompressed, RecordBuilder::kShortHeader, {}, 65536},  // 64 bytes, no such field: allocated
      {kAttrFlagSparse, -5, oneRun, 0},                           // nonsense from disk adds nothing
  };
  for (const Case& c : cases) {
    Decoder d;
    RecordBuilder file;
    file.fileName(5, u"f", 1);
    file.nonResident(0x80, 65536, 70000, u"", c.flags, c.compressed, 0, c.runs);
    d.decode(file, 30);
    EXPECT_EQ(mftOnDiskSum(d.t.tree, 30), c.expected) << c.flags << " " << c.compressed;
  }
}

TEST(MftRecord, BadClusterFileHasNothingOnDisk) {
  Decoder d;
  RecordBuilder bad;
  bad.fileName(5, u"$BadClus", 3);
  bad.nonResident(0x80, int64_t(1) << 40, int64_t(1) << 40, u"$Bad", kAttrFlagSparse, int64_t(1) << 40);
  d.decode(bad, 8);
  EXPECT_EQ(mftOnDiskSum(d.t.tree, 8), 0u);
  EXPECT_EQ(mftStreamCount(d.records, 8), 1);
}

TEST(MftRecord, BestRankedNameWinsAcrossBaseAndExtensionRecords) {
  struct Case {
    std::vector<std::pair<std::u16string, uint8_t>> baseNames;
    std::vector<std::pair<std::u16string, uint8_t>> extensionNames;
    std::u16string expected;
    int links;
  };
  const Case cases[] = {
      {{{u"LONGNA~1.TXT", 2}, {u"Long name.txt", 1}}, {}, u"Long name.txt", 1},
      {{{u"posix", 0}, {u"win32", 1}}, {}, u"win32", 2},
      {{{u"first", 0}, {u"second", 0}}, {}, u"first", 2},
      {{{u"SHORT~1", 2}}, {{u"Long in extension", 3}}, u"Long in extension", 1},
      {{{u"base", 1}}, {{u"extension", 1}}, u"base", 2},
      {{{u"only DOS", 2}}, {}, u"only DOS", 0},
  };
  for (const Case& c : cases) {
    Decoder d;
    RecordBuilder base(1024, 1 | 2);
    base.standardInformation(0, 0x20);
    for (auto& [name, ns] : c.baseNames) base.fileName(5, name, ns);
    RecordBuilder extension(1024, 1, 40 | (uint64_t(3) << 48));
    for (auto& [name, ns] : c.extensionNames) extension.fileName(6, name, ns);
    extension.standardInformation(kUnixEpochFiletime, 0x1);   // ignored: not a base record
    d.decode(base, 40);
    d.decode(extension, 41);
    EXPECT_EQ(nodeName(d.t.tree, 40), c.expected);
    EXPECT_EQ(mftLinkCount(d.records, 40), c.links);
    EXPECT_FALSE(d.named(41)) << "an extension record is no node of its own";
    EXPECT_EQ(attributes(d.t.tree, 40), 0x20u | kAttributeDirectory);
    EXPECT_EQ(modifiedTime(d.t.tree, 40), 0);
  }
}

// Counts live in the node until a record gets a second link or a stream, then in a
// table that grows: thousands of such records, counted in both orders of base and
// extension record, keep their exact counts; the records between them count 1 and 0.
TEST(MftRecord, LinkAndStreamCountsOfManyRecords) {
  const int64_t kRecords = 6000;
  Decoder d(kRecords);
  for (int64_t r = 16; r < kRecords; r += 2) {
    RecordBuilder base;
    base.fileName(5, u"a", 1);
    int links = 1 + int(r % 3);            // 1, 2 or 3 names in all
    int streams = int(r % 5 == 0);
    RecordBuilder extension(1024, 1, uint64_t(r));
    for (int k = 1; k < links; k++) extension.fileName(5, u"b", 0);
    if (streams) base.resident(0x80, {1}, u"s");
    if (r % 4 == 0) {
      d.decode(extension, r + 1);
      d.decode(base, r);
    } else {
      d.decode(base, r);
      d.decode(extension, r + 1);
    }
  }
  for (int64_t r = 16; r < kRecords; r += 2) {
    ASSERT_EQ(mftLinkCount(d.records, r), 1 + int(r % 3)) << r;
    ASSERT_EQ(mftStreamCount(d.records, r), int(r % 5 == 0)) << r;
    ASSERT_EQ(mftLinkCount(d.records, r + 1), 0) << r + 1;
  }
}

TEST(MftRecord, ExtensionRecordCarriesTheBaseRecordsData) {
  Decoder d;
  RecordBuilder base;
  base.fileName(5, u"big.bin", 1);
  RecordBuilder extension(1024, 1, 50);
  extension.nonResident(0x80, 1 << 20, 1000000);
  extension.nonResident(0x80, 1 << 20, 1000000, u"", 0, RecordBuilder::kShortHeader, 256);   // later extent: counted once
  d.decode(extension, 51);
  d.decode(base, 50);
  EXPECT_EQ(logicalSize(d.t.tree, 50), 1000000);
  EXPECT_EQ(mftOnDiskSum(d.t.tree, 50), uint64_t(1) << 20);
}

TEST(MftRecord, UnusableRecordsAreSkipped) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"not in use", [](std::vector<uint8_t>& r) { r[22] = 0; }},
      {"signature", [](std::vector<uint8_t>& r) { r[0] = 'B'; }},
      {"sequence word", [](std::vector<uint8_t>& r) { r[1022] ^= 1; }},
      {"sequence count 1", [](std::vector<uint8_t>& r) { r[6] = 1; r[7] = 0; }},
      {"sequence array past the end", [](std::vector<uint8_t>& r) { r[4] = 0xFE; r[5] = 0x03; }},
      {"base record beyond the table", [](std::vector<uint8_t>& r) { r[32] = 0xFF; r[33] = 0xFF; }},
  };
  for (const Case& c : cases) {
    Decoder d;
    RecordBuilder file;
    file.fileName(5, u"f", 1);
    std::vector<uint8_t> raw = file.finished();
    c.damage(raw);
    decodeMftRecord(d.records, raw.data(), uint32_t(raw.size()), 9);
    finishMftNames(d.records);
    EXPECT_FALSE(d.named(9)) << c.what;
    EXPECT_EQ(mftLinkCount(d.records, 9), 0) << c.what;
  }
}

TEST(MftRecord, CompactionKeepsNamedExistingRecordsInOrder) {
  Decoder d(12);
  auto add = [&](int32_t r, const std::u16string& name, bool folder, int64_t size, int64_t allocated) {
    RecordBuilder b(1024, folder ? 3 : 1);
    b.standardInformation(kUnixEpochFiletime + 10000000ll * r, 0);
    b.fileName(5, name, 1);
    if (!folder) b.nonResident(0x80, allocated, size);
    d.decode(b, r);
  };
  add(5, u".", true, 0, 0);
  add(7, u"seven", false, 5000, 8192);
  add(9, u"nine", true, 0, 0);
  add(11, u"eleven", false, 100, 4096);
  RecordBuilder nameless;
  nameless.standardInformation(0, 0);
  d.decode(nameless, 10);
  MftRecordMap map;
  compactMftRecords(d.records, map);
  std::vector<int32_t> nodeOfRecord;
  for (int64_t r = 0; r < 13; r++) nodeOfRecord.push_back(mftNodeOfRecord(map, r));
  EXPECT_EQ(nodeOfRecord, (std::vector<int32_t>{-1, -1, -1, -1, -1, 0, -1, 1, -1, 2, -1, 3, -1}));
  const Tree& tree = d.t.tree;
  ASSERT_EQ(tree.nodeCount, 4);
  EXPECT_EQ(nodeName(tree, 1), u"seven");
  EXPECT_EQ(onDiskSize(tree, 1), 8192);
  EXPECT_EQ(onDiskSize(tree, 3), 4096);
  EXPECT_EQ(logicalSize(tree, 3), 100);
  EXPECT_EQ(modifiedTime(tree, 2), kUnixEpochFiletime + 10000000ll * 9);
  for (int32_t n = 0; n < 4; n++) {
    EXPECT_EQ(tree.node(n).flags & ~(kNodeFolder | kNodeWideName), 0) << n;
    EXPECT_EQ(tree.node(n).parent, 5) << "still the raw parent record";
  }
}

TEST(MftFormat, RunListDecoding) {
  struct Case {
    const char* what;
    std::vector<uint8_t> runs;
    std::vector<DataRun> expected;
  };
  const Case cases[] = {
      {"one run", {0x21, 0x18, 0x34, 0x56, 0x00}, {{0x5634, 0x18}}},
      {"negative delta sign-extended", {0x21, 0x30, 0x60, 0x02, 0x21, 0x10, 0x00, 0xFF, 0x00}, {{0x260, 0x30}, {0x160, 0x10}}},
      {"back to an earlier cluster", {0x11, 0x30, 0x60, 0x11, 0x10, 0xF0, 0x00}, {{0x60, 0x30}, {0x50, 0x10}}},
      {"sparse run keeps the previous start", {0x11, 0x04, 0x10, 0x01, 0x08, 0x11, 0x02, 0x04, 0x00}, {{0x10, 4}, {-1, 8}, {0x14, 2}}},
      {"eight offset bytes are not extended", {0x81, 0x01, 1, 0, 0, 0, 0, 0, 0, 0x40, 0x00}, {{int64_t(1) << 62 | 1, 1}}},
      {"stops when a run passes the end", {0x11, 0x04, 0x10, 0x44, 0x01}, {{0x10, 4}}},
      {"stops below cluster 0", {0x11, 0x04, 0x10, 0x11, 0x01, 0xE0, 0x00}, {{0x10, 4}}},
      {"stops at an over-long field", {0x11, 0x04, 0x10, 0x19, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}, {{0x10, 4}}},
      {"stops at a length of 2^63", {0x18, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00}, {}},
      {"no terminator", {0x11, 0x04, 0x10}, {{0x10, 4}}},
  };
  for (const Case& c : cases) {
    RecordBuilder b;
    b.nonResident(0x80, 0, 0, u"", 0, RecordBuilder::kShortHeader, 0, c.runs);
    // The attribute ends right after the runs: cut padding away to test the end check.
    uint32_t at = 56;
    uint32_t runOffset = readU16(&b.bytes[at + 32]);
    b.put32(at + 4, runOffset + uint32_t(c.runs.size()));
    MftAttribute attribute;
    attribute.p = &b.bytes[at];
    attribute.length = runOffset + uint32_t(c.runs.size());
    attribute.nonResident = true;
    std::vector<DataRun> runs;
    decodeRunList(attribute, runs);
    ASSERT_EQ(runs.size(), c.expected.size()) << c.what;
    for (size_t i = 0; i < runs.size(); i++) {
      EXPECT_EQ(runs[i].start, c.expected[i].start) << c.what << " run " << i;
      EXPECT_EQ(runs[i].clusters, c.expected[i].clusters) << c.what << " run " << i;
    }
  }
}

TEST(MftFormat, UpdateSequenceRestoresEveryStride) {
  for (uint32_t size : {1024u, 4096u}) {
    RecordBuilder b(size);
    for (uint32_t k = 1; k <= size / 512; k++) b.put16(k * 512 - 2, uint16_t(0xA000 + k));
    std::vector<uint8_t> raw = b.finished(0x1234);
    ASSERT_TRUE(applyUpdateSequence(raw.data(), size));
    for (uint32_t k = 1; k <= size / 512; k++) EXPECT_EQ(readU16(&raw[k * 512 - 2]), 0xA000 + k);
  }
}

}  // namespace
