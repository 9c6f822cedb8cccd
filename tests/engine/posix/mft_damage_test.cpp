// Damaged and hostile NTFS images: each damage gives one of the scan's fixed texts or
// costs only the records it touches. The damage is done to an in-memory copy of the
// fixture image, read through a reader that honours a truncated length.
#include "engine/mft_format.h"
#include "app/failure_text.h"
#include "engine/mft_scan.h"
#include "base/utf.h"
#include "tests/engine/posix/ntfs_fixture.h"
#include "tests/engine/test_tree.h"
#include <cstring>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <gtest/gtest.h>

namespace {

const std::set<std::u16string> kFixedTexts = {
    u"not a local drive path", u"administrator rights required", u"cannot open volume",
    u"not an NTFS volume", u"cannot read $MFT", u"cannot decode $MFT run list", u"cancelled",
    u"read error", u"root directory record missing", u"folder not found in MFT"};

struct Outcome {
  bool ok = false;
  std::u16string error;
  int64_t files = 0;
  bool hasSmall = false;
  int64_t hardLinks = 0;
  int64_t streams = 0;
};

Outcome scanMemory(MemoryImage& image, std::u16string_view folder = u"") {
  Outcome outcome;
  TestTree t;
  ScanProgress progress;
  MftVolumeReader reader;
  if (!memoryImageReader(image, reader)) {
    outcome.error = u"not an NTFS volume";
    return outcome;
  }
  MftFailure failure = MftFailure::None;
  outcome.ok = mftScanVolume(t.tree, reader, folder, u"image", progress, failure);
  outcome.error = mftFailureText(failure);
  if (outcome.ok) {
    finalizeTree(t.tree);
    outcome.files = t.tree.fileCount;
    outcome.hasSmall = findNodeByPath(t.tree, nativePath(u"image\\small.bin")) != kNoNode;
    outcome.hardLinks = t.tree.hardLinkCount;
    outcome.streams = t.tree.streamCount;
  }
  return outcome;
}

class MftDamage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ntfsFixture().ready) return;
    pristine_ = loadFixtureImage(data_);
    if (mountNtfsReadOnly(ntfsFixture().image, ntfsFixture().mountPoint)) {
      struct stat st;
      if (stat((ntfsFixture().mountPoint + "/small.bin").c_str(), &st) == 0) smallRecord_ = int64_t(st.st_ino);
      if (stat((ntfsFixture().mountPoint + "/Links").c_str(), &st) == 0) linksRecord_ = int64_t(st.st_ino);
      if (stat((ntfsFixture().mountPoint + "/Streams").c_str(), &st) == 0) streamsRecord_ = int64_t(st.st_ino);
      unmountNtfs(ntfsFixture().mountPoint);
    }
    baseline_ = scanMemory(*pristine_);
  }
  static void TearDownTestSuite() {
    delete pristine_;
    pristine_ = nullptr;
  }
  void SetUp() override {
    REQUIRE_NTFS_FIXTURE();
    ASSERT_TRUE(baseline_.ok) << utf8FromUtf16(baseline_.error);
    ASSERT_GT(smallRecord_, 15);
  }
  static uint64_t recordOffset(int64_t r) {
    return uint64_t(data_.mftStartLcn * data_.bytesPerCluster + r * data_.bytesPerRecord);
  }
  // Offset in the image of the first attribute of `type` in record r (fixed-up copy).
  static uint64_t attributeOffset(int64_t r, uint32_t type) {
    std::vector<uint8_t> record(pristine_->bytes.begin() + recordOffset(r),
                                pristine_->bytes.begin() + recordOffset(r) + data_.bytesPerRecord);
    if (!applyUpdateSequence(record.data(), uint32_t(record.size()))) return 0;
    AttributeWalk walk;
    startAttributeWalk(walk, record.data(), uint32_t(record.size()));
    MftAttribute a;
    while (nextAttribute(walk, a)) {
      if (a.type == type) return recordOffset(r) + uint64_t(a.p - record.data());
    }
    return 0;
  }
  static inline MemoryImage* pristine_ = nullptr;
  static inline NtfsVolumeData data_;
  static inline int64_t smallRecord_ = 0;
  static inline int64_t linksRecord_ = 0;
  static inline int64_t streamsRecord_ = 0;
  static inline Outcome baseline_;
};

struct Damage {
  const char* what;
  std::function<void(MemoryImage&)> apply;
  const char16_t* error;      // nullptr: the scan succeeds
  bool keepsSmallFile;        // when it succeeds
  int filesLost = 0;          // when it succeeds: files fewer than undamaged; -1 = not checked
};

void put(MemoryImage& image, uint64_t at, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin() + at);
}
void put64(MemoryImage& image, uint64_t at, int64_t value) { memcpy(image.bytes.data() + at, &value, 8); }

TEST_F(MftDamage, EachDamageGivesAFixedTextOrCostsOnlyItsRecords) {
  const uint64_t record0 = recordOffset(0);
  const uint64_t data0 = attributeOffset(0, kAttrData);
  const uint64_t bitmap0 = attributeOffset(0, kAttrBitmap);
  ASSERT_NE(data0, 0u);
  ASSERT_NE(bitmap0, 0u);
  const uint64_t dataRuns = data0 + readU16(pristine_->bytes.data() + data0 + 32);
  const uint64_t bitmapRuns = bitmap0 + readU16(pristine_->bytes.data() + bitmap0 + 32);
  const uint64_t small = recordOffset(smallRecord_);
  const uint64_t smallName = attributeOffset(smallRecord_, kAttrFileName);
  const uint64_t recordBytes = uint64_t(data_.bytesPerRecord);

  const Damage damages[] = {
      {"signature of record 0", [&](MemoryImage& m) { m.bytes[record0] ^= 0xFF; }, u"cannot read $MFT", false},
      {"update sequence of record 0", [&](MemoryImage& m) { m.bytes[record0 + 510] ^= 0x5A; }, u"cannot read $MFT", false},
      {"update sequence count 1", [&](MemoryImage& m) { put(m, record0 + 6, {1, 0}); }, u"cannot read $MFT", false},
      {"update sequence past the record", [&](MemoryImage& m) { put(m, record0 + 4, {0xF0, 0x03}); }, u"cannot read $MFT", false},
      {"first attribute at the record end", [&](MemoryImage& m) { put(m, record0 + 20, {uint8_t(recordBytes - 8), uint8_t((recordBytes - 8) >> 8)}); },
       u"cannot decode $MFT run list", false},
      {"no $DATA in record 0", [&](MemoryImage& m) { m.bytes[data0] = 0x81; }, u"cannot decode $MFT run list", false},
      {"$DATA length 0", [&](MemoryImage& m) { put(m, data0 + 4, {0, 0, 0, 0}); }, u"cannot decode $MFT run list", false},
      {"$DATA length past the record", [&](MemoryImage& m) { put(m, data0 + 4, {0, 0, 1, 0}); }, u"cannot decode $MFT run list", false},
      {"run list starts with its end", [&](MemoryImage& m) { put(m, dataRuns, {0}); }, u"cannot decode $MFT run list", false},
      {"run past the end of the image", [&](MemoryImage& m) { put(m, dataRuns, {0x41, 0xFF, 0x00, 0x00, 0x10, 0x00, 0x00}); },
       u"read error", false},
      {"run with a negative start", [&](MemoryImage& m) { put(m, dataRuns, {0x11, 0x10, 0x80, 0x00}); },
       u"cannot decode $MFT run list", false},
      // Reads on past the table's clusters, but never beyond its record count.
      {"run of 2^63 clusters", [&](MemoryImage& m) { put(m, dataRuns, {0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x04, 0x00}); },
       nullptr, true, -1},
      {"run of 2^63 clusters at the image end", [&](MemoryImage& m) { put(m, dataRuns, {0x28, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x3F, 0x00}); },
       u"read error", false},
      {"sparse run of 2^63 clusters", [&](MemoryImage& m) { put(m, dataRuns, {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}); },
       u"root directory record missing", false},
      // The second run reads the start of the table again: records repeat but the scan ends.
      {"run looping back to the first", [&](MemoryImage& m) { put(m, dataRuns + 4, {0x21, 0xE4, 0x00, 0x00, 0x00}); },
       nullptr, true, -1},
      {"huge table size", [&](MemoryImage& m) { put64(m, data0 + 48, INT64_MAX); }, nullptr, true},
      {"negative table size", [&](MemoryImage& m) { put64(m, data0 + 48, -4096); }, u"root directory record missing", false},
      {"bitmap past the end of the image", [&](MemoryImage& m) { put(m, bitmapRuns, {0x41, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00}); },
       nullptr, true},
      {"sparse bitmap: nothing in use", [&](MemoryImage& m) { put(m, bitmapRuns, {0x01, 0x01, 0x00}); }, u"root directory record missing", false},
      {"root record signature", [&](MemoryImage& m) { m.bytes[recordOffset(5)] ^= 0xFF; }, u"root directory record missing", false},
      {"root record not in use", [&](MemoryImage& m) { m.bytes[recordOffset(5) + 22] = 0; }, u"root directory record missing", false},
      {"file record update sequence", [&](MemoryImage& m) { m.bytes[small + 1022] ^= 0x01; }, nullptr, false, 1},
      {"file record attribute length 0", [&](MemoryImage& m) { put(m, smallName + 4, {0, 0, 0, 0}); }, nullptr, false, 1},
      {"file record attribute length huge", [&](MemoryImage& m) { put(m, smallName + 4, {0xFF, 0xFF, 0xFF, 0x7F}); }, nullptr, false, 1},
      // Still inside the record: the file keeps a garbled name.
      {"file name running past its attribute", [&](MemoryImage& m) {
         uint64_t value = smallName + readU16(m.bytes.data() + smallName + 20);
         m.bytes[value + 64] = 255; }, nullptr, false, 0},
      {"file name running past the record", [&](MemoryImage& m) {
         uint64_t value = smallName + readU16(m.bytes.data() + smallName + 20);
         m.bytes[value + 64] = 255;
         put(m, smallName + 20, {uint8_t(recordBytes - 100 - (smallName - small)), uint8_t((recordBytes - 100 - (smallName - small)) >> 8)}); },
       nullptr, false, 1},
      {"file name value offset past the record", [&](MemoryImage& m) { put(m, smallName + 20, {0xF0, 0x03}); }, nullptr, false, 1},
      {"first attribute offset huge", [&](MemoryImage& m) { put(m, small + 20, {0xFF, 0xFF}); }, nullptr, false, 1},
      {"base record reference past the table", [&](MemoryImage& m) { put(m, small + 32, {0xFF, 0xFF, 0xFF, 0x00}); }, nullptr, false, 1},
      {"boot sector OEM name", [&](MemoryImage& m) { m.bytes[3] = 'X'; }, u"not an NTFS volume", false},
      {"record size 127 clusters", [&](MemoryImage& m) { m.bytes[64] = 0x7F; }, u"not an NTFS volume", false},
      {"record size 2^32 bytes", [&](MemoryImage& m) { m.bytes[64] = 0xE0; }, u"not an NTFS volume", false},
      {"record size 16 bytes", [&](MemoryImage& m) { m.bytes[64] = 0xFC; }, u"not an NTFS volume", false},
      {"record size one cluster", [&](MemoryImage& m) { m.bytes[64] = 0x01; }, u"cannot read $MFT", false},
      {"sector size 3", [&](MemoryImage& m) { put(m, 11, {3, 0}); }, u"not an NTFS volume", false},
      {"table far beyond the image", [&](MemoryImage& m) { put64(m, 48, int64_t(1) << 40); }, u"cannot read $MFT", false},
      {"truncated inside the boot area", [&](MemoryImage& m) { m.length = 8192; }, u"cannot read $MFT", false},
      {"truncated inside the table", [&](MemoryImage& m) { m.length = recordOffset(3000); }, u"read error", false},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    MemoryImage image = *pristine_;
    d.apply(image);
    Outcome outcome = scanMemory(image);
    if (d.error) {
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(utf8FromUtf16(outcome.error), utf8FromUtf16(d.error));
    } else {
      ASSERT_TRUE(outcome.ok) << utf8FromUtf16(outcome.error);
      EXPECT_EQ(outcome.hasSmall, d.keepsSmallFile);
      if (d.filesLost >= 0) {
        EXPECT_EQ(outcome.files, baseline_.files - d.filesLost);
      }
    }
    if (!outcome.ok) {
      EXPECT_TRUE(kFixedTexts.count(outcome.error)) << utf8FromUtf16(outcome.error);
    }
  }
}

// Forged parents that loop: Links and Streams made each other's parent, or Links its own.
// The folders fall out of the tree with their files, their extra links and streams are no
// longer counted, and nothing hangs.
TEST_F(MftDamage, FoldersInAParentLoopAreNotCounted) {
  ASSERT_GT(linksRecord_, 15);
  ASSERT_GT(streamsRecord_, 15);
  struct Case {
    const char* what;
    std::vector<std::pair<int64_t, int64_t>> parents;   // folder record, its forged parent
    int64_t linksLost, streamsLost, filesLost;
  };
  // Links holds two extra links (a.bin also named b.bin, inside.bin) in two files,
  // Streams three streams in two files.
  const Case cases[] = {
      {"two folders", {{linksRecord_, streamsRecord_}, {streamsRecord_, linksRecord_}}, 2, 3, 4},
      {"a folder its own parent", {{linksRecord_, linksRecord_}}, 2, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryImage image = *pristine_;
    for (auto [folder, parent] : c.parents) {
      uint64_t name = attributeOffset(folder, kAttrFileName);
      ASSERT_NE(name, 0u);
      uint64_t value = name + readU16(image.bytes.data() + name + 20);
      put64(image, value, parent | int64_t(1) << 48);
    }
    Outcome outcome = scanMemory(image);
    ASSERT_TRUE(outcome.ok) << utf8FromUtf16(outcome.error);
    EXPECT_EQ(outcome.hardLinks, baseline_.hardLinks - c.linksLost);
    EXPECT_EQ(outcome.streams, baseline_.streams - c.streamsLost);
    EXPECT_TRUE(outcome.hasSmall);
    EXPECT_EQ(outcome.files, baseline_.files - c.filesLost);
  }
}

TEST_F(MftDamage, GeometryThatCannotBeRead) {
  const std::pair<NtfsVolumeData, const char*> cases[] = {
      {{4096, 3, -1, 4}, "record size not a power of two"},
      {{4096, 1 << 20, -1, 4}, "record larger than 64 KiB"},
      {{4096, 128, -1, 4}, "record smaller than 256 bytes"},
      {{3000, 1024, -1, 4}, "cluster not a power of two"},
      {{64 << 20, 1024, -1, 0}, "cluster larger than the read buffer"},
      {{4096, 1024, -1, -1}, "negative table start"},
      {{4096, 1024, -1, INT64_MAX / 2}, "table start beyond any offset"},
  };
  for (auto& [data, what] : cases) {
    SCOPED_TRACE(what);
    MemoryImage image = *pristine_;
    TestTree t;
    ScanProgress progress;
    MftVolumeReader reader;
    reader.context = &image;
    reader.read = readMemoryImage;
    reader.data = data;
    MftFailure failure = MftFailure::None;
    EXPECT_FALSE(mftScanVolume(t.tree, reader, u"", u"image", progress, failure));
    EXPECT_EQ(failure, MftFailure::CannotReadMft);
  }
}

}  // namespace
