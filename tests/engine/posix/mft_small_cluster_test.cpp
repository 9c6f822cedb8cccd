// Volumes whose clusters are smaller than a file record: a run of the table may end in
// the middle of a record, which then goes on in the next run. The test reads the
// fixture image as a volume of 512- or 256-byte clusters (the boot sector and the run
// lists of record 0 rescaled, every byte in place), then cuts the table's run list at
// odd clusters, moves pieces past the end of the image or leaves holes, and compares
// each variant with the unchanged image.
#include "engine/mft_format.h"
#include "app/failure_text.h"
#include "engine/mft_scan.h"
#include "base/utf.h"
#include "tests/engine/posix/ntfs_fixture.h"
#include "tests/engine/test_tree.h"
#include <cstring>
#include <map>
#include <gtest/gtest.h>

namespace {

struct Outcome {
  bool ok = false;
  std::u16string error;
  std::map<std::string, std::pair<int64_t, int64_t>> nodes;   // path -> size, size on disk
  int64_t files = 0;
  int64_t hardLinks = 0;
  int64_t streams = 0;
};

void listNodes(const Tree& tree, int32_t node, const std::string& prefix, Outcome& out) {
  for (int32_t c = tree.node(node).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    std::string path = prefix + utf8FromUtf16(nodeName(tree, c));
    bool folder = tree.node(c).flags & kNodeFolder;
    out.nodes[path] = {logicalSize(tree, c), folder ? 0 : onDiskSize(tree, c)};
    listNodes(tree, c, path + "/", out);
  }
}

Outcome scanMemory(MemoryImage& image) {
  Outcome outcome;
  MftVolumeReader reader;
  if (!memoryImageReader(image, reader)) return outcome;
  TestTree t;
  ScanProgress progress;
  MftFailure failure = MftFailure::None;
  outcome.ok = mftScanVolume(t.tree, reader, u"", u"image", progress, failure);
  outcome.error = mftFailureText(failure);
  if (outcome.ok) {
    finalizeTree(t.tree);
    outcome.files = t.tree.fileCount;
    outcome.hardLinks = t.tree.hardLinkCount;
    outcome.streams = t.tree.streamCount;
    listNodes(t.tree, t.tree.rootIndex, "", outcome);
  }
  return outcome;
}

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { memcpy(&b[at], &v, 2); }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { memcpy(&b[at], &v, 4); }
void put64(std::vector<uint8_t>& b, size_t at, uint64_t v) { memcpy(&b[at], &v, 8); }

// A copy of a non-resident attribute's 64-byte header with new runs and last cluster.
std::vector<uint8_t> withRuns(const MftAttribute& a, const std::vector<DataRun>& runs) {
  std::vector<uint8_t> encoded = encodeRuns(runs);
  std::vector<uint8_t> out((64 + encoded.size() + 7) & ~size_t(7), 0);
  memcpy(out.data(), a.p, 64);
  int64_t clusters = 0;
  for (const DataRun& run : runs) clusters += run.clusters;
  put32(out, 4, uint32_t(out.size()));
  put16(out, 10, 64);
  put64(out, 16, 0);
  put64(out, 24, uint64_t(clusters - 1));
  put16(out, 32, 64);
  memcpy(&out[64], encoded.data(), encoded.size());
  return out;
}

// One stretch of the table in the rescaled clusters: where it goes.
enum class Place { InPlace, Moved, Hole };
struct Piece {
  int64_t clusters;   // 0 = the rest of the table
  Place place;
};

class MftSmallClusters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ntfsFixture().ready) return;
    pristine_ = loadFixtureImage(data_);
    baseline_ = scanMemory(*pristine_);
    // Where each 4096-byte cluster of the table lies.
    const uint64_t record0 = uint64_t(data_.mftStartLcn) * 4096;
    std::vector<uint8_t> record(pristine_->bytes.begin() + record0, pristine_->bytes.begin() + record0 + 1024);
    applyUpdateSequence(record.data(), 1024);
    AttributeWalk walk;
    startAttributeWalk(walk, record.data(), 1024);
    MftAttribute a;
    std::vector<DataRun> runs;
    while (nextAttribute(walk, a)) {
      if (a.type == kAttrData && a.nameLength == 0) decodeRunList(a, runs);
    }
    for (const DataRun& run : runs) {
      for (int64_t i = 0; i < run.clusters; i++) tableLcns_.push_back(run.start + i);
    }
  }
  static void TearDownTestSuite() {
    delete pristine_;
    pristine_ = nullptr;
  }
  void SetUp() override {
    REQUIRE_NTFS_FIXTURE();
    ASSERT_TRUE(baseline_.ok) << utf8FromUtf16(baseline_.error);
    ASSERT_EQ(data_.bytesPerCluster, 4096);
    ASSERT_EQ(data_.bytesPerRecord, 1024);
  }

  // The fixture read as clusters of 4096 / `factor` bytes, with the table's clusters cut
  // into `pieces`. Moved pieces go past the image's end (the later ones first), holes are
  // zeroed where they were; `holes` receives the table bytes [from, to) they covered.
  static MemoryImage rescaled(int64_t factor, const std::vector<Piece>& pieces,
                              std::vector<std::pair<int64_t, int64_t>>* holes = nullptr) {
    MemoryImage image = *pristine_;
    const int64_t cluster = 4096 / factor;
    const uint64_t record0 = uint64_t(data_.mftStartLcn) * 4096;
    std::vector<uint8_t> record(image.bytes.begin() + record0, image.bytes.begin() + record0 + 1024);
    EXPECT_TRUE(applyUpdateSequence(record.data(), 1024));

    std::vector<uint8_t> rebuilt(record.begin(), record.begin() + readU16(&record[20]));
    AttributeWalk walk;
    startAttributeWalk(walk, record.data(), 1024);
    MftAttribute a;
    while (nextAttribute(walk, a)) {
      bool table = a.type == kAttrData && a.nameLength == 0 && a.nonResident;
      bool bitmap = a.type == kAttrBitmap && a.nameLength == 0 && a.nonResident;
      if (!table && !bitmap) {
        rebuilt.insert(rebuilt.end(), a.p, a.p + a.length);
        continue;
      }
      std::vector<DataRun> runs;
      decodeRunList(a, runs);
      std::vector<int64_t> lcnOfVcn;   // in the new clusters
      for (const DataRun& run : runs) {
        for (int64_t i = 0; i < run.clusters * factor; i++) lcnOfVcn.push_back(run.start * factor + i);
      }
      std::vector<DataRun> cut;
      if (bitmap) {
        for (DataRun run : runs) cut.push_back({run.start * factor, run.clusters * factor});
      } else {
        cut = cutTable(image, lcnOfVcn, cluster, pieces, holes);
      }
      std::vector<uint8_t> replaced = withRuns(a, cut);
      rebuilt.insert(rebuilt.end(), replaced.begin(), replaced.end());
    }
    size_t end = rebuilt.size();
    rebuilt.resize(1024, 0);
    put32(rebuilt, end, 0xFFFFFFFF);
    put32(rebuilt, 24, uint32_t(end + 8));
    EXPECT_LE(end + 8, 1024u);
    writeRecord(image, record0, rebuilt);

    image.bytes[11] = uint8_t(cluster);   // bytes per sector
    image.bytes[12] = uint8_t(cluster >> 8);
    image.bytes[13] = 1;                  // sectors per cluster
    int64_t lcn = data_.mftStartLcn * factor;
    memcpy(&image.bytes[48], &lcn, 8);
    image.length = image.bytes.size();
    return image;
  }

  static std::vector<DataRun> cutTable(MemoryImage& image, const std::vector<int64_t>& lcnOfVcn, int64_t cluster,
                                       const std::vector<Piece>& pieces,
                                       std::vector<std::pair<int64_t, int64_t>>* holes) {
    std::vector<DataRun> runs;
    std::vector<std::pair<int64_t, int64_t>> moved;   // (vcn, clusters)
    int64_t vcn = 0;
    const int64_t total = int64_t(lcnOfVcn.size());
    for (const Piece& p : pieces) {
      int64_t clusters = p.clusters ? p.clusters : total - vcn;
      if (p.place == Place::Hole) {
        runs.push_back({-1, clusters});
        for (int64_t i = vcn; i < vcn + clusters; i++) memset(image.bytes.data() + lcnOfVcn[size_t(i)] * cluster, 0, size_t(cluster));
        if (holes) holes->push_back({vcn * cluster, (vcn + clusters) * cluster});
      } else if (p.place == Place::Moved) {
        runs.push_back({0, clusters});   // placed below
        moved.push_back({vcn, clusters});
      } else {
        // Where the table itself is in several runs, so is the piece.
        for (int64_t i = vcn; i < vcn + clusters; i++) {
          int64_t lcn = lcnOfVcn[size_t(i)];
          if (i > vcn && runs.back().start + runs.back().clusters == lcn) runs.back().clusters++;
          else runs.push_back({lcn, 1});
        }
      }
      vcn += clusters;
    }
    EXPECT_EQ(vcn, total);
    // The later pieces land first past the image's end, a cluster apart.
    std::vector<int64_t> placedAt(moved.size());
    for (size_t k = moved.size(); k-- > 0;) {
      auto [from, clusters] = moved[k];
      size_t at = image.bytes.size() + size_t(cluster);
      image.bytes.resize(at + size_t(clusters * cluster), 0);
      for (int64_t i = 0; i < clusters; i++) {
        uint8_t* source = image.bytes.data() + lcnOfVcn[size_t(from + i)] * cluster;
        memcpy(image.bytes.data() + at + size_t(i * cluster), source, size_t(cluster));
        memset(source, 0, size_t(cluster));
      }
      placedAt[k] = int64_t(at) / cluster;
    }
    size_t k = 0;
    for (DataRun& run : runs) {
      if (run.start == 0) run.start = placedAt[k++];
    }
    return runs;
  }

  // The unchanged image with the records that touch the table bytes `holes` wiped.
  static Outcome referenceWithout(const std::vector<std::pair<int64_t, int64_t>>& holes) {
    MemoryImage image = *pristine_;
    for (auto [from, to] : holes) {
      for (int64_t r = from / 1024; r * 1024 < to; r++) {
        memset(image.bytes.data() + tableLcns_[size_t(r / 4)] * 4096 + (r % 4) * 1024, 0, 1024);
      }
    }
    return scanMemory(image);
  }

  static inline MemoryImage* pristine_ = nullptr;
  static inline NtfsVolumeData data_;
  static inline Outcome baseline_;
  static inline std::vector<int64_t> tableLcns_;
};

void expectSame(const Outcome& got, const Outcome& expected) {
  ASSERT_TRUE(got.ok) << utf8FromUtf16(got.error);
  EXPECT_EQ(got.files, expected.files);
  EXPECT_EQ(got.hardLinks, expected.hardLinks);
  EXPECT_EQ(got.streams, expected.streams);
  EXPECT_TRUE(got.nodes == expected.nodes) << got.nodes.size() << " nodes, expected " << expected.nodes.size();
}

// A table rewritten with clusters `factor` times smaller, cut into `pieces`.
struct Case {
  const char* what;
  int64_t factor;
  std::vector<Piece> pieces;
};

TEST_F(MftSmallClusters, RecordsGoingOnInTheNextRunAreRead) {
  // 512-byte clusters: two per record; 256-byte clusters: four, so a record can span three runs.
  const Case cases[] = {
      {"one run", 8, {{0, Place::InPlace}}},
      {"cut at an odd cluster, in place", 8, {{201, Place::InPlace}, {0, Place::InPlace}}},
      {"cut at an odd cluster, the rest moved", 8, {{201, Place::InPlace}, {0, Place::Moved}}},
      {"odd pieces moved and back", 8,
       {{201, Place::InPlace}, {3, Place::Moved}, {5, Place::InPlace}, {7, Place::Moved}, {0, Place::InPlace}}},
      {"one record over three runs", 16,
       {{401, Place::InPlace}, {2, Place::Moved}, {0, Place::InPlace}}},
      {"runs of one cluster", 16,
       {{399, Place::InPlace}, {1, Place::Moved}, {1, Place::InPlace}, {1, Place::Moved}, {1, Place::Moved},
        {0, Place::InPlace}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryImage image = rescaled(c.factor, c.pieces);
    expectSame(scanMemory(image), baseline_);
  }
}

// A hole in the table costs the records it touches; those after it keep their numbers.
TEST_F(MftSmallClusters, AHoleInsideARecordCostsOnlyThatRecord) {
  const Case cases[] = {
      {"second half of a record", 8, {{201, Place::InPlace}, {1, Place::Hole}, {0, Place::InPlace}}},
      {"across two records", 8, {{201, Place::InPlace}, {2, Place::Hole}, {0, Place::Moved}}},
      {"middle of a record", 16, {{401, Place::InPlace}, {1, Place::Hole}, {0, Place::InPlace}}},
      {"whole records", 8, {{200, Place::InPlace}, {4, Place::Hole}, {0, Place::InPlace}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<int64_t, int64_t>> holes;
    MemoryImage image = rescaled(c.factor, c.pieces, &holes);
    Outcome reference = referenceWithout(holes);
    ASSERT_LT(reference.files, baseline_.files) << "the hole should cost a file";
    expectSame(scanMemory(image), reference);
  }
}

}  // namespace
