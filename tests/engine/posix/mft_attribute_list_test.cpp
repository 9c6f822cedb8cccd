// A table so fragmented that record 0's run list continues in extension records named
// by an $ATTRIBUTE_LIST. ntfs-3g does not make such tables, so the test makes one from
// the fixture image: the table's clusters after the first piece move to free clusters
// as two more pieces (the last one placed first on the volume), record 0 keeps only the
// first piece and gets an attribute list, and records 16 and 17, which mkntfs leaves
// free for this, become the extension records holding the other two pieces.
//
// Each variant is compared with a reference: the unfragmented image with the records of
// the pieces the variant must lose wiped out.
#include "engine/mft_format.h"
#include "app/failure_text.h"
#include "engine/mft_layout.h"
#include "engine/mft_scan.h"
#include "base/utf.h"
#include "tests/engine/posix/ntfs_fixture.h"
#include "tests/engine/test_tree.h"
#include <cstring>
#include <functional>
#include <map>
#include <gtest/gtest.h>

namespace {

constexpr int64_t kRecordOfC = 16;   // the extension record of the last piece
constexpr int64_t kRecordOfB = 17;   // the extension record of the middle piece

struct Outcome {
  bool ok = false;
  std::u16string error;
  std::map<std::string, int64_t> sizes;   // path -> size of every node under the root
  int64_t files = 0;
};

void listSizes(const Tree& tree, int32_t node, const std::string& prefix, std::map<std::string, int64_t>& out) {
  for (int32_t c = tree.node(node).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    std::string path = prefix + utf8FromUtf16(nodeName(tree, c));
    out[path] = logicalSize(tree, c);
    listSizes(tree, c, path + "/", out);
  }
}

Outcome scanMemory(MemoryImage& image, TableLayout* layoutSeen = nullptr) {
  Outcome outcome;
  MftVolumeReader reader;
  if (!memoryImageReader(image, reader)) return outcome;
  if (layoutSeen) {
    std::vector<uint8_t> buffer(4u << 20);
    MftFailure failure = MftFailure::None;
    readTableLayout(reader, buffer.data(), uint32_t(buffer.size()), *layoutSeen, failure);
  }
  TestTree t;
  ScanProgress progress;
  MftFailure failure = MftFailure::None;
  outcome.ok = mftScanVolume(t.tree, reader, u"", u"image", progress, failure);
  outcome.error = mftFailureText(failure);
  if (outcome.ok) {
    finalizeTree(t.tree);
    outcome.files = t.tree.fileCount;
    listSizes(t.tree, t.tree.rootIndex, "", outcome.sizes);
  }
  return outcome;
}

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { memcpy(&b[at], &v, 2); }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { memcpy(&b[at], &v, 4); }
void put64(std::vector<uint8_t>& b, size_t at, uint64_t v) { memcpy(&b[at], &v, 8); }
uint32_t align8(size_t n) { return uint32_t((n + 7) & ~size_t(7)); }

// A non-resident attribute header (64 bytes, unnamed) followed by its runs.
std::vector<uint8_t> nonResidentAttribute(uint32_t type, uint16_t id, int64_t startVcn, int64_t lastVcn,
                                          int64_t allocated, int64_t dataSize, const std::vector<DataRun>& runs) {
  std::vector<uint8_t> encoded = encodeRuns(runs);
  std::vector<uint8_t> a(align8(64 + encoded.size()), 0);
  put32(a, 0, type);
  put32(a, 4, uint32_t(a.size()));
  a[8] = 1;
  put16(a, 10, 64);
  put16(a, 14, id);
  put64(a, 16, uint64_t(startVcn));
  put64(a, 24, uint64_t(lastVcn));
  put16(a, 32, 64);
  put64(a, 40, uint64_t(allocated));
  put64(a, 48, uint64_t(dataSize));
  put64(a, 56, uint64_t(dataSize));
  memcpy(&a[64], encoded.data(), encoded.size());
  return a;
}

// One attribute-list entry: type, entry length, name length and offset, starting VCN,
// file reference of the record holding the attribute, attribute id.
struct ListEntry {
  uint32_t type;
  int64_t startVcn;
  uint64_t record;   // with the sequence number in the top 16 bits
  uint16_t id;
  uint16_t length = 32;
};

std::vector<uint8_t> listBytes(const std::vector<ListEntry>& entries) {
  std::vector<uint8_t> out;
  for (const ListEntry& e : entries) {
    size_t at = out.size();
    out.resize(at + 32, 0);
    put32(out, at, e.type);
    put16(out, at + 4, e.length);
    out[at + 7] = 26;
    put64(out, at + 8, uint64_t(e.startVcn));
    put64(out, at + 16, e.record);
    put16(out, at + 24, e.id);
  }
  return out;
}

// What a variant changes on the way; each hook sees the fixed-up bytes before they are written.
struct Recipe {
  bool listOutside = false;   // the list non-resident, in a cluster of its own
  std::function<void(std::vector<ListEntry>&)> entries;
  std::function<void(std::vector<uint8_t>& list)> list;
  std::function<void(std::vector<uint8_t>& record, int64_t number)> extension;
  std::function<void(MemoryImage&)> after;
  int64_t recordOfC = kRecordOfC;   // where the pieces' extension records are put
  int64_t recordOfB = kRecordOfB;
};

class MftAttributeList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ntfsFixture().ready) return;
    pristine_ = loadFixtureImage(data_);
    clusterBytes_ = data_.bytesPerCluster;
    recordBytes_ = data_.bytesPerRecord;

    // The table's clusters and their place, from the unfragmented record 0.
    std::vector<uint8_t> record0 = recordAt(*pristine_, 0);
    AttributeWalk walk;
    startAttributeWalk(walk, record0.data(), uint32_t(record0.size()));
    MftAttribute a;
    while (nextAttribute(walk, a)) {
      if (a.type == kAttrData && a.nameLength == 0) decodeRunList(a, tableRuns_);
    }
    for (const DataRun& run : tableRuns_) {
      for (int64_t i = 0; i < run.clusters; i++) lcnOfVcn_.push_back(run.start + i);
    }
    const int64_t n = int64_t(lcnOfVcn_.size());
    splitB_ = n / 3;
    splitC_ = 2 * n / 3;
    findFreeClusters();

    references_[0] = scanMemory(*pristine_);
    references_[1] = reference(splitC_, n);        // the last piece lost
    references_[2] = reference(splitB_, n);        // both later pieces lost
    references_[3] = reference(splitB_, splitC_);  // the middle piece lost
    references_[4] = reference(splitC_ - 1, splitC_);
  }
  static void TearDownTestSuite() {
    delete pristine_;
    pristine_ = nullptr;
  }
  void SetUp() override {
    REQUIRE_NTFS_FIXTURE();
    ASSERT_TRUE(references_[0].ok) << utf8FromUtf16(references_[0].error);
    ASSERT_GE(int64_t(freeStart_.size()), 1) << "no free clusters for the moved pieces";
    // The records holding the pieces must lie in the first piece, the others in the later ones.
    ASSERT_GT(splitB_ * clusterBytes_ / recordBytes_, kRecordOfB);
    ASSERT_GT(references_[0].files, references_[1].files);
    ASSERT_GT(references_[1].files, references_[2].files);
    ASSERT_GT(references_[3].files, references_[2].files);
  }

  static uint64_t clusterAt(int64_t lcn) { return uint64_t(lcn * clusterBytes_); }
  static uint64_t recordOffset(int64_t r) {
    int64_t byte = r * recordBytes_;
    return clusterAt(lcnOfVcn_[size_t(byte / clusterBytes_)]) + uint64_t(byte % clusterBytes_);
  }
  static std::vector<uint8_t> recordAt(const MemoryImage& image, int64_t r) {
    uint64_t at = r == 0 ? clusterAt(data_.mftStartLcn) : recordOffset(r);
    std::vector<uint8_t> record(image.bytes.begin() + at, image.bytes.begin() + at + recordBytes_);
    EXPECT_TRUE(applyUpdateSequence(record.data(), uint32_t(record.size())));
    return record;
  }

  // Free clusters from the volume's $Bitmap (record 6): the longest free stretch.
  static void findFreeClusters() {
    std::vector<uint8_t> record = recordAt(*pristine_, 6);
    AttributeWalk walk;
    startAttributeWalk(walk, record.data(), uint32_t(record.size()));
    MftAttribute a;
    std::vector<DataRun> runs;
    while (nextAttribute(walk, a)) {
      if (a.type == kAttrData && a.nameLength == 0) decodeRunList(a, runs);
    }
    std::vector<uint8_t> bitmap;
    for (const DataRun& run : runs) {
      const uint8_t* from = pristine_->bytes.data() + clusterAt(run.start);
      bitmap.insert(bitmap.end(), from, from + run.clusters * clusterBytes_);
    }
    int64_t clusters = int64_t(pristine_->length) / clusterBytes_;
    int64_t bestStart = 0, bestLength = 0;
    for (int64_t c = 0; c < clusters;) {
      if (size_t(c / 8) >= bitmap.size()) break;
      if ((bitmap[size_t(c / 8)] >> (c % 8)) & 1) {
        c++;
        continue;
      }
      int64_t start = c;
      while (c < clusters && size_t(c / 8) < bitmap.size() && !((bitmap[size_t(c / 8)] >> (c % 8)) & 1)) c++;
      if (c - start > bestLength) bestStart = start, bestLength = c - start;
    }
    // Room for the two moved pieces, the gaps between them and the list's cluster.
    if (bestLength >= int64_t(lcnOfVcn_.size()) - splitB_ + 8) freeStart_.push_back(bestStart);
  }

  // The unfragmented image with the records of table clusters [from, to) wiped out.
  static Outcome reference(int64_t from, int64_t to) {
    MemoryImage image = *pristine_;
    for (int64_t vcn = from; vcn < to; vcn++) memset(image.bytes.data() + clusterAt(lcnOfVcn_[size_t(vcn)]), 0, size_t(clusterBytes_));
    return scanMemory(image);
  }
  // The unfragmented image with one record wiped out: the one an extension record replaces.
  static Outcome referenceWithout(int64_t record) {
    MemoryImage image = *pristine_;
    memset(image.bytes.data() + recordOffset(record), 0, size_t(recordBytes_));
    return scanMemory(image);
  }
  static int64_t firstRecordOf(int64_t vcn) { return vcn * clusterBytes_ / recordBytes_; }

  // The fragmented image: pieces A = [0, B) in place, B = [B, C) and C = [C, n) moved.
  static MemoryImage fragmented(const Recipe& recipe = {}) {
    MemoryImage image = *pristine_;
    const int64_t n = int64_t(lcnOfVcn_.size());
    int64_t nextFree = freeStart_[0];
    auto move = [&](int64_t from, int64_t to) {
      DataRun run{nextFree, to - from};
      for (int64_t vcn = from; vcn < to; vcn++) {
        memcpy(image.bytes.data() + clusterAt(nextFree++), pristine_->bytes.data() + clusterAt(lcnOfVcn_[size_t(vcn)]),
               size_t(clusterBytes_));
      }
      nextFree += 2;   // a gap, so the runs do not join up
      return run;
    };
    const int64_t middle = (splitB_ + splitC_) / 2;
    std::vector<int64_t> lcnNow = lcnOfVcn_;
    auto moved = [&](int64_t from, int64_t to) {
      for (int64_t vcn = from; vcn < to; vcn++) lcnNow[size_t(vcn)] = nextFree + (vcn - from);
      return move(from, to);
    };
    DataRun c = moved(splitC_, n);
    DataRun b2 = moved(middle, splitC_);
    DataRun b1 = moved(splitB_, middle);
    auto offsetNow = [&](int64_t r) {
      int64_t byte = r * recordBytes_;
      return clusterAt(lcnNow[size_t(byte / clusterBytes_)]) + uint64_t(byte % clusterBytes_);
    };
    const int64_t listCluster = nextFree;
    for (int64_t vcn = splitB_; vcn < n; vcn++) memset(image.bytes.data() + clusterAt(lcnOfVcn_[size_t(vcn)]), 0, size_t(clusterBytes_));

    // Piece A's runs: the table's runs cut at the first split.
    std::vector<DataRun> runsA;
    for (int64_t vcn = 0, i = 0; vcn < splitB_; i++) {
      DataRun run = tableRuns_[size_t(i)];
      run.clusters = std::min(run.clusters, splitB_ - vcn);
      runsA.push_back(run);
      vcn += run.clusters;
    }

    // The extension records, then record 0 naming them.
    uint64_t referenceOf[2];
    const int64_t numbers[2] = {recipe.recordOfC, recipe.recordOfB};
    const std::vector<DataRun> runsOf[2] = {{c}, {b1, b2}};
    const int64_t startOf[2] = {splitC_, splitB_};
    const int64_t endOf[2] = {n, splitC_};
    for (int i = 0; i < 2; i++) {
      std::vector<uint8_t> record(image.bytes.begin() + offsetNow(numbers[i]),
                                  image.bytes.begin() + offsetNow(numbers[i]) + recordBytes_);
      EXPECT_TRUE(applyUpdateSequence(record.data(), uint32_t(record.size())));
      uint16_t sequence = readU16(&record[16]);
      referenceOf[i] = uint64_t(numbers[i]) | uint64_t(sequence) << 48;
      put16(record, 22, kRecordInUse);
      put64(record, 32, uint64_t(1) << 48);   // record 0, sequence 1
      uint16_t first = readU16(&record[20]);
      std::vector<uint8_t> data = nonResidentAttribute(kAttrData, 0, startOf[i], endOf[i] - 1, 0, 0, runsOf[i]);
      memcpy(&record[first], data.data(), data.size());
      put32(record, first + data.size(), kAttributeEnd);
      put32(record, 24, uint32_t(first + data.size() + 8));
      put16(record, 40, 1);
      if (recipe.extension) recipe.extension(record, numbers[i]);
      writeRecord(image, offsetNow(numbers[i]), record);
    }

    std::vector<uint8_t> record0 = recordAt(image, 0);
    uint16_t first = readU16(&record0[20]);
    uint16_t nextId = readU16(&record0[40]);
    std::map<uint32_t, std::vector<uint8_t>> kept;   // type -> attribute bytes, in type order
    std::vector<ListEntry> entries;
    AttributeWalk walk;
    startAttributeWalk(walk, record0.data(), uint32_t(record0.size()));
    MftAttribute a;
    while (nextAttribute(walk, a)) {
      std::vector<uint8_t> bytes(a.p, a.p + a.length);
      uint16_t id = readU16(a.p + 14);
      if (a.type == kAttrData) {
        NonResidentInfo info;
        nonResidentInfo(a, info);
        bytes = nonResidentAttribute(kAttrData, id, 0, splitB_ - 1, info.allocatedSize, info.dataSize, runsA);
      }
      kept[a.type] = bytes;
      entries.push_back({a.type, 0, uint64_t(1) << 48, id});
      if (a.type == kAttrData) {
        entries.push_back({kAttrData, splitB_, referenceOf[1], 0});
        entries.push_back({kAttrData, splitC_, referenceOf[0], 0});
      }
    }
    if (recipe.entries) recipe.entries(entries);
    std::vector<uint8_t> list = listBytes(entries);
    if (recipe.list) recipe.list(list);
    std::vector<uint8_t> listAttribute;
    if (recipe.listOutside) {
      memset(image.bytes.data() + clusterAt(listCluster), 0, size_t(clusterBytes_));
      memcpy(image.bytes.data() + clusterAt(listCluster), list.data(), std::min<size_t>(list.size(), size_t(clusterBytes_)));
      listAttribute = nonResidentAttribute(kAttrAttributeList, nextId, 0, 0, clusterBytes_, int64_t(list.size()),
                                           {{listCluster, 1}});
    } else {
      listAttribute.assign(align8(24 + list.size()), 0);
      put32(listAttribute, 0, kAttrAttributeList);
      put32(listAttribute, 4, uint32_t(listAttribute.size()));
      put16(listAttribute, 10, 24);
      put16(listAttribute, 14, nextId);
      put32(listAttribute, 16, uint32_t(list.size()));
      put16(listAttribute, 20, 24);
      memcpy(&listAttribute[24], list.data(), list.size());
    }
    kept[kAttrAttributeList] = listAttribute;
    put16(record0, 40, uint16_t(nextId + 1));
    size_t at = first;
    std::fill(record0.begin() + first, record0.end(), 0);
    for (auto& [type, bytes] : kept) {
      EXPECT_LE(at + bytes.size() + 8, record0.size()) << "record 0 overflows";
      if (at + bytes.size() + 8 > record0.size()) break;
      memcpy(&record0[at], bytes.data(), bytes.size());
      at += bytes.size();
    }
    put32(record0, at, kAttributeEnd);
    put32(record0, 24, uint32_t(at + 8));
    writeRecord(image, clusterAt(data_.mftStartLcn), record0);
    if (recipe.after) recipe.after(image);
    return image;
  }

  static inline MemoryImage* pristine_ = nullptr;
  static inline NtfsVolumeData data_;
  static inline int64_t clusterBytes_ = 0;
  static inline int64_t recordBytes_ = 0;
  static inline std::vector<DataRun> tableRuns_;
  static inline std::vector<int64_t> lcnOfVcn_;
  static inline std::vector<int64_t> freeStart_;
  static inline int64_t splitB_ = 0;
  static inline int64_t splitC_ = 0;
  static inline Outcome references_[5];
};

enum Expect { Everything, LastPieceLost, LaterPiecesLost, MiddlePieceLost, MiddleTailLost };

TEST_F(MftAttributeList, EveryFileOfAFragmentedTableIsFound) {
  for (bool outside : {false, true}) {
    SCOPED_TRACE(outside ? "list in a cluster of its own" : "list inside record 0");
    Recipe recipe;
    recipe.listOutside = outside;
    MemoryImage image = fragmented(recipe);
    TableLayout layout;
    Outcome outcome = scanMemory(image, &layout);
    ASSERT_TRUE(outcome.ok) << utf8FromUtf16(outcome.error);
    EXPECT_EQ(layout.extensionRecords, 2);
    int64_t clusters = 0;
    for (const DataRun& run : layout.dataRuns) {
      EXPECT_GE(run.start, 0);
      clusters += run.clusters;
    }
    EXPECT_EQ(clusters, int64_t(lcnOfVcn_.size()));
    EXPECT_EQ(outcome.files, references_[Everything].files);
    EXPECT_TRUE(outcome.sizes == references_[Everything].sizes);
  }
}

// Extension records may sit anywhere in the table, also in a piece that only another
// extension record maps: those are read once that record has mapped them.
TEST_F(MftAttributeList, ExtensionRecordsInLaterPiecesAreChased) {
  const int64_t inB = firstRecordOf(splitB_) + 3;   // a record of the middle piece
  const int64_t inC = firstRecordOf(splitC_) + 3;   // a record of the last piece
  struct Case {
    const char* what;
    int64_t recordOfC, recordOfB;
    int extensionRecords;
    Outcome expected;
  } cases[] = {
      {"the last piece's record inside the middle piece", inB, kRecordOfB, 2, referenceWithout(inB)},
      {"each later piece's record inside the other", inB, inC, 0, references_[LaterPiecesLost]},
      {"the middle piece's record inside the last piece", kRecordOfC, inC, 2, referenceWithout(inC)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.expected.ok);
    Recipe recipe;
    recipe.recordOfC = c.recordOfC;
    recipe.recordOfB = c.recordOfB;
    MemoryImage image = fragmented(recipe);
    TableLayout layout;
    Outcome outcome = scanMemory(image, &layout);
    ASSERT_TRUE(outcome.ok) << utf8FromUtf16(outcome.error);
    EXPECT_EQ(layout.extensionRecords, c.extensionRecords);
    EXPECT_EQ(outcome.files, c.expected.files);
    EXPECT_TRUE(outcome.sizes == c.expected.sizes);
  }
}

struct Variant {
  const char* what;
  Recipe recipe;
  Expect expect;
};

TEST_F(MftAttributeList, DamagedListsCostOnlyThePiecesTheyName) {
  auto entryAt = [](std::vector<ListEntry>& e, int64_t vcn) -> ListEntry& {
    for (ListEntry& x : e) {
      if (x.type == kAttrData && x.startVcn == vcn) return x;
    }
    return e.front();
  };
  const int64_t b = splitB_, c = splitC_;
  const uint32_t dataAt = 0x38;   // where the extension records' $DATA starts (mkntfs's first attribute offset)
  Variant variants[] = {
      {"entries in reverse order", {false, [](auto& e) { std::reverse(e.begin(), e.end()); }}, Everything},
      {"every entry ten times", {true, [](auto& e) {
         std::vector<ListEntry> copy;
         for (int i = 0; i < 10; i++) copy.insert(copy.end(), e.begin(), e.end());
         e = copy; }}, Everything},
      {"later pieces said to be in record 0", {false, [&](auto& e) {
         entryAt(e, b).record = uint64_t(1) << 48;
         entryAt(e, c).record = uint64_t(1) << 48; }}, LaterPiecesLost},
      {"last piece in a record past the table", {false, [&](auto& e) { entryAt(e, c).record = 0xFFFFFFFFFFFFull; }}, LastPieceLost},
      {"last piece in a record only it maps", {false, [&](auto& e) { entryAt(e, c).record = uint64_t(c * clusterBytes_ / recordBytes_ + 1); }},
       LastPieceLost},
      {"middle piece in a free record", {false, [&](auto& e) { entryAt(e, b).record = 18; }}, MiddlePieceLost},
      {"entry length 0", {false, nullptr, [](auto& list) { list[4] = 0; list[5] = 0; }}, LaterPiecesLost},
      {"entry length past the list", {false, nullptr, [](auto& list) { list[5] = 0x7F; }}, LaterPiecesLost},
      {"list cut inside an entry", {false, nullptr, [](auto& list) { list.resize(list.size() - 40); }}, LastPieceLost},
      {"extension record not in use", {false, nullptr, nullptr, [](auto& r, int64_t n) { if (n == kRecordOfB) r[22] = 0; }}, MiddlePieceLost},
      {"extension record of another file", {false, nullptr, nullptr, [](auto& r, int64_t n) { if (n == kRecordOfC) r[32] = 5; }}, LastPieceLost},
      {"extension record signature", {false, nullptr, nullptr, [](auto& r, int64_t n) { if (n == kRecordOfC) r[0] = 'X'; }}, LastPieceLost},
      {"last piece overlapping the middle one", {false, nullptr, nullptr, [&](auto& r, int64_t n) {
         if (n == kRecordOfC) put64(r, dataAt + 16, uint64_t(b + 3)); }}, LastPieceLost},
      {"middle piece starting where the last one does", {false, nullptr, nullptr, [&](auto& r, int64_t n) {
         if (n == kRecordOfB) put64(r, dataAt + 16, uint64_t(c)); }}, MiddlePieceLost},
      {"last piece starting at 2^62", {false, nullptr, nullptr, [](auto& r, int64_t n) {
         if (n == kRecordOfC) put64(r, dataAt + 16, uint64_t(1) << 62); }}, LastPieceLost},
      {"last piece starting below 0", {false, nullptr, nullptr, [](auto& r, int64_t n) {
         if (n == kRecordOfC) put64(r, dataAt + 16, uint64_t(-5)); }}, LastPieceLost},
      // Its runs go on past its last cluster: they stop there, and the one cluster no
      // piece claims is a gap; the records after it keep their numbers.
      {"middle piece claiming to end a cluster early", {false, nullptr, nullptr, [&](auto& r, int64_t n) {
         if (n == kRecordOfB) put64(r, dataAt + 24, uint64_t(c - 2)); }}, MiddleTailLost},
      {"middle piece with an empty run list", {false, nullptr, nullptr, [](auto& r, int64_t n) {
         if (n == kRecordOfB) r[dataAt + 64] = 0; }}, MiddlePieceLost},
      {"list cluster past the image", {true, nullptr, nullptr, nullptr, [&](MemoryImage& m) {
         // The list's run (after record 0's other attributes) is replaced by one far away.
         std::vector<uint8_t> r0 = recordAt(m, 0);
         AttributeWalk walk;
         startAttributeWalk(walk, r0.data(), uint32_t(r0.size()));
         MftAttribute a;
         while (nextAttribute(walk, a)) {
           if (a.type == kAttrAttributeList) {
             size_t runs = size_t(a.p - r0.data()) + readU16(a.p + 32);
             uint8_t far[] = {0x41, 0x01, 0x00, 0x00, 0x00, 0x40};
             memcpy(&r0[runs], far, sizeof far);
           }
         }
         writeRecord(m, clusterAt(data_.mftStartLcn), r0); }}, LaterPiecesLost},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.what);
    MemoryImage image = fragmented(v.recipe);
    Outcome outcome = scanMemory(image);
    ASSERT_TRUE(outcome.ok) << utf8FromUtf16(outcome.error);
    const Outcome& expected = references_[v.expect];
    EXPECT_EQ(outcome.files, expected.files);
    EXPECT_TRUE(outcome.sizes == expected.sizes);
  }
}

}  // namespace
