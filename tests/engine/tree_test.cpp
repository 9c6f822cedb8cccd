// Building and reading nodes: sizes, on-disk sizes, times, attributes and names.
#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>


TEST(TreeNodes, EmptyTreeAfterInit) {
  TestTree t;
  EXPECT_EQ(t.tree.nodeCount, 0);
  EXPECT_EQ(t.tree.rootIndex, kNoNode);
  EXPECT_EQ(t.tree.clusterSize, 4096);
  ASSERT_EQ(t.tree.attributePalette.size(), 1u);
  EXPECT_EQ(t.tree.attributePalette[0], 0u);
  EXPECT_EQ(findNodeByPath(t.tree, u"C:\\"), kNoNode);
  finalizeTree(t.tree);   // nothing to do, nothing to break
  EXPECT_EQ(t.tree.fileCount, 0);
}

TEST(TreeNodes, AddLinksAtTheHeadOfTheParentList) {
  TestTree t;
  int32_t root = t.add(-1, u"C:\\", 0, 0, true);
  int32_t a = t.add(root, u"a", 1, 4096);
  int32_t b = t.add(root, u"b", 2, 4096);
  EXPECT_EQ(root, 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(t.tree.node(root).firstChild, b);
  EXPECT_EQ(t.tree.node(b).nextSibling, a);
  EXPECT_EQ(t.tree.node(a).nextSibling, kNoNode);
  EXPECT_EQ(t.tree.node(a).parent, root);
  EXPECT_EQ(modifiedTime(t.tree, a), 0);
  EXPECT_EQ(attributes(t.tree, a), 0u);
}

TEST(TreeNodes, SizesAroundTheFieldLimit) {
  struct Case {
    int64_t bytes;
    bool large;
  } cases[] = {
      {0, false},
      {1, false},
      {kMaxNodeSize, false},
      {kMaxNodeSize + 1, true},
      {INT64_MAX, true},
      {-1, false},
      {-kMaxNodeSize - 2, true},
  };
  TestTree t;
  for (const Case& c : cases) {
    int32_t n = t.add(-1, u"f", c.bytes, 0);
    EXPECT_EQ(logicalSize(t.tree, n), c.bytes);
    EXPECT_EQ(bool(t.tree.node(n).flags & kNodeLargeSize), c.large) << c.bytes;
  }
  EXPECT_EQ(t.tree.largeSizes.size(), 3u);
  // A later small size removes the table entry again; a large one replaces it.
  setSize(t.tree, 3, 10);
  EXPECT_EQ(logicalSize(t.tree, 3), 10);
  EXPECT_FALSE(t.tree.node(3).flags & kNodeLargeSize);
  setSize(t.tree, 4, kMaxNodeSize + 5);
  EXPECT_EQ(logicalSize(t.tree, 4), kMaxNodeSize + 5);
  ASSERT_EQ(t.tree.largeSizes.size(), 2u);
  EXPECT_EQ(t.tree.largeSizes[0].node, 4);
  EXPECT_EQ(t.tree.largeSizes[1].node, 6);
}

TEST(TreeNodes, OnDiskRule) {
  struct Case {
    int64_t size, onDisk;
    uint8_t flags;
  } cases[] = {
      {1, 4096, 0},
      {0, 0, kNodeOnDiskZero},
      {4096, 4096, 0},
      {4097, 8192, 0},
      {5000, 4096, kNodeOnDiskListed},
      {5000, 0, kNodeOnDiskZero},
      {1, 512, kNodeOnDiskListed},
      {kMaxNodeSize + 1, 0x800000000000, 0},   // large size, rounded: no entry
      {1000000, 123, kNodeOnDiskListed},
  };
  TestTree t;
  for (const Case& c : cases) {
    int32_t n = t.add(-1, u"f", c.size, c.onDisk);
    EXPECT_EQ(t.tree.node(n).flags & (kNodeOnDiskZero | kNodeOnDiskListed), c.flags) << c.size << " " << c.onDisk;
    EXPECT_EQ(onDiskSize(t.tree, n), c.onDisk);
  }
  EXPECT_EQ(t.tree.onDiskExceptions.size(), 3u);
  // Folders have no size on disk of their own.
  int32_t folder = t.add(-1, u"d", 0, 0, true);
  EXPECT_EQ(onDiskSize(t.tree, folder), 0);
  // Changing a listed value replaces its entry; matching the rounded size removes it.
  setOnDisk(t.tree, 4, 12288);
  EXPECT_EQ(onDiskSize(t.tree, 4), 12288);
  setOnDisk(t.tree, 4, 8192);
  EXPECT_FALSE(t.tree.node(4).flags & kNodeOnDiskListed);
  EXPECT_EQ(t.tree.onDiskExceptions.size(), 2u);
}

TEST(TreeNodes, OnDiskFollowsTheClusterSize) {
  TestTree t;
  t.tree.clusterSize = 65536;
  int32_t n = t.add(-1, u"f", 1, 65536);
  EXPECT_EQ(t.tree.node(n).flags & kNodeOnDiskListed, 0);
  EXPECT_EQ(onDiskSize(t.tree, n), 65536);
}

TEST(TreeNodes, TimesInsideAndOutsideTheStoredRange) {
  constexpr int64_t kSecond = 10000000;
  constexpr int64_t kLastStored = kUnixEpochFiletime + 0xFFFFFFFDll * kSecond;   // 2106-02-07 06:28:13
  struct Case {
    int64_t filetime, readBack;
    bool exception;
  } cases[] = {
      {0, 0, false},
      {kUnixEpochFiletime, kUnixEpochFiletime, false},
      {kUnixEpochFiletime + 15 * kSecond + 9999999, kUnixEpochFiletime + 15 * kSecond, false},
      {kUnixEpochFiletime - 1, kUnixEpochFiletime - 1, true},                 // 1969-12-31 23:59:59.9999999
      {1, 1, true},
      {-5, -5, true},
      {kLastStored + kSecond - 1, kLastStored, false},
      {kLastStored + kSecond, kLastStored + kSecond, true},                   // 2106-02-07 06:28:14
      {INT64_MAX, INT64_MAX, true},
      {INT64_MIN, INT64_MIN, true},
      {133500000001234567, 133500000000000000, false},
  };
  TestTree t;
  for (const Case& c : cases) {
    int32_t n = t.add(-1, u"f");
    setTimeAndAttributes(t.tree, n, c.filetime, 0);
    EXPECT_EQ(modifiedTime(t.tree, n), c.readBack) << c.filetime;
    EXPECT_EQ(t.tree.modifiedTimes()[n] == kTimeInExceptions, c.exception) << c.filetime;
  }
  EXPECT_EQ(t.tree.timeExceptions.size(), 6u);
  // Moving a node back into range drops its stale exception.
  setTimeAndAttributes(t.tree, 3, kUnixEpochFiletime, 0);
  EXPECT_EQ(modifiedTime(t.tree, 3), kUnixEpochFiletime);
  EXPECT_EQ(t.tree.timeExceptions.size(), 5u);
  setTimeAndAttributes(t.tree, 4, 0, 0);
  EXPECT_EQ(modifiedTime(t.tree, 4), 0);
  EXPECT_EQ(t.tree.timeExceptions.size(), 4u);
}

TEST(TreeNodes, AttributePaletteFillsThenOverflowsToExceptions) {
  TestTree t;
  std::vector<int32_t> nodes;
  for (uint32_t value = 1; value <= 300; value++) {
    int32_t n = t.add(-1, u"f");
    setTimeAndAttributes(t.tree, n, 0, value * 0x10);
    nodes.push_back(n);
  }
  EXPECT_EQ(t.tree.attributePalette.size(), 255u);   // 0 and the first 254 values
  for (uint32_t k = 0; k < nodes.size(); k++) {
    uint32_t value = (k + 1) * 0x10;
    EXPECT_EQ(attributes(t.tree, nodes[k]), value);
    uint8_t index = t.tree.attributeIndexes()[nodes[k]];
    if (k < 254) {
      EXPECT_EQ(index, k + 1);
    } else {
      EXPECT_EQ(index, kAttributesInExceptions) << k;
    }
  }
  EXPECT_EQ(t.tree.attributeExceptions.size(), 300u - 254u);
  // The 256th distinct value (node 254) gets 255; an earlier value keeps its index.
  int32_t again = t.add(-1, u"g");
  setTimeAndAttributes(t.tree, again, 0, 0x10);
  EXPECT_EQ(t.tree.attributeIndexes()[again], 1);
  // Leaving the exception table drops the entry; the value 0 is palette index 0.
  setTimeAndAttributes(t.tree, nodes[299], 0, 0);
  EXPECT_EQ(t.tree.attributeIndexes()[nodes[299]], 0);
  EXPECT_EQ(attributes(t.tree, nodes[299]), 0u);
  EXPECT_EQ(t.tree.attributeExceptions.size(), 300u - 255u);
  // Replacing an exception value in place.
  setTimeAndAttributes(t.tree, nodes[298], 0, 0xABCDE);
  EXPECT_EQ(attributes(t.tree, nodes[298]), 0xABCDEu);
  EXPECT_EQ(t.tree.attributeExceptions.size(), 300u - 255u);
}

TEST(TreeNames, StorageFormsAndSharing) {
  struct Case {
    std::u16string name;
    bool wide;
  } cases[] = {
      {u"desktop.ini", false},
      {u"\u00FFber\u00E9", false},               // every unit at most U+00FF: one byte each
      {u"\u0100", true},
      {u"\u65E5\u672C", true},
      {u"\U0001F600.png", true},                  // surrogate pair
      {u"", false},
  };
  TestTree t;
  int32_t root = t.add(-1, u"C:\\", 0, 0, true);
  int32_t d1 = t.add(root, u"one", 0, 0, true);
  int32_t d2 = t.add(root, u"two", 0, 0, true);
  for (const Case& c : cases) {
    int32_t a = t.add(d1, c.name);
    uint64_t poolAfterFirst = t.tree.namePoolUsed;
    int32_t b = t.add(d2, c.name);
    EXPECT_EQ(t.tree.namePoolUsed, poolAfterFirst) << "second copy stored";
    EXPECT_EQ(t.tree.node(a).nameOffset, t.tree.node(b).nameOffset);
    EXPECT_EQ(bool(t.tree.node(a).flags & kNodeWideName), c.wide);
    EXPECT_EQ(nodeName(t.tree, a), c.name);
    if (c.wide) {
      EXPECT_EQ(t.tree.node(a).nameOffset % 2, 0u);
    }
  }
}

TEST(TreeNames, LongNamesKeepTheirFirst255Units) {
  TestTree t;
  std::u16string longName(300, u'x');
  longName[254] = u'y';
  int32_t n = t.add(-1, longName);
  EXPECT_EQ(t.tree.node(n).nameLength, 255u);
  EXPECT_EQ(nodeName(t.tree, n), longName.substr(0, 255));
  // The same 255 units from a different longer name share the copy.
  std::u16string other = longName.substr(0, 255) + u"zzz";
  int32_t m = t.add(-1, other);
  EXPECT_EQ(t.tree.node(m).nameOffset, t.tree.node(n).nameOffset);
}

TEST(TreeNames, OneByteAndWideFormsAreDistinctNames) {
  // "é" fits the one-byte form; the wide name that has it as a prefix does not share.
  TestTree t;
  int32_t a = t.add(-1, u"\u00E9\u00E9");
  int32_t b = t.add(-1, u"\u00E9\u0101");
  EXPECT_NE(t.tree.node(a).nameOffset, t.tree.node(b).nameOffset);
  EXPECT_EQ(nodeName(t.tree, a), u"\u00E9\u00E9");
  EXPECT_EQ(nodeName(t.tree, b), u"\u00E9\u0101");
}

TEST(TreeNames, InternSetGrowsAndIsRebuiltAfterFinalize) {
  TestTree t;
  int32_t root = t.add(-1, u"C:\\", 0, 0, true);
  t.tree.rootIndex = root;
  t.tree.rootPath = u"C:\\";
  // Enough distinct names to double the set twice (65536 * 3/4 = 49152).
  std::vector<uint32_t> offsets;
  for (int i = 0; i < 120000; i++) {
    std::u16string name = u"n";
    name.push_back(char16_t(u'a' + i % 26));
    for (int v = i; v; v /= 10) name.push_back(char16_t(u'0' + v % 10));
    offsets.push_back(t.tree.node(t.add(root, name)).nameOffset);
  }
  EXPECT_EQ(t.tree.names.capacity, 262144u);
  EXPECT_EQ(t.tree.names.count, 120001u);
  finalizeTree(t.tree);
  EXPECT_EQ(t.tree.names.capacity, 0u);
  EXPECT_EQ(t.tree.nodeCount, 120001);
  // Adding after finalize finds the existing copies again.
  uint64_t used = t.tree.namePoolUsed;
  int32_t again = t.add(root, u"nb1");
  EXPECT_EQ(t.tree.node(again).nameOffset, offsets[1]);
  EXPECT_EQ(t.tree.namePoolUsed, used);
  EXPECT_EQ(t.tree.names.count, 120001u);
}

TEST(TreeNames, HintsChangeNoResult) {
  // Hints for names added later, never added, wide, over-long, and across the set's
  // doublings: the hinted tree must equal the plain one byte for byte.
  std::vector<std::u16string> names;
  for (int i = 0; i < 70000; i++) {
    std::u16string name = i % 7 == 0 ? u"\u65E5" : u"f";
    for (int v = i % 60000; v; v /= 10) name.push_back(char16_t(u'0' + v % 10));
    if (i % 997 == 0) name.append(300, u'x');
    names.push_back(name);
  }
  TestTree plain, hinted;
  for (size_t i = 0; i < names.size(); i++) {
    if (i + kNameHintDistance < names.size())
      prefetchName(hinted.tree, names[i + kNameHintDistance].data(), names[i + kNameHintDistance].size());
    if (i % 3 == 0) prefetchName(hinted.tree, u"never added", 11);
    plain.add(-1, names[i]);
    hinted.add(-1, names[i]);
  }
  ASSERT_EQ(plain.tree.nodeCount, hinted.tree.nodeCount);
  ASSERT_EQ(plain.tree.namePoolUsed, hinted.tree.namePoolUsed);
  EXPECT_EQ(plain.tree.names.count, hinted.tree.names.count);
  for (int32_t i = 0; i < plain.tree.nodeCount; i++) {
    EXPECT_EQ(plain.tree.node(i).nameOffset, hinted.tree.node(i).nameOffset) << i;
    EXPECT_EQ(plain.tree.node(i).nameLength, hinted.tree.node(i).nameLength) << i;
  }
  EXPECT_EQ(memcmp(plain.tree.namePool.base, hinted.tree.namePool.base, plain.tree.namePoolUsed), 0);
}

TEST(TreeNames, CaseInsensitiveEquality) {
  TestTree t;
  int32_t n = t.add(-1, u"Stra\u00DFe \u00C4rger \u0394\u0436");
  EXPECT_TRUE(nodeNameEquals(t.tree, n, u"Stra\u00DFe \u00C4rger \u0394\u0436", false));
  EXPECT_FALSE(nodeNameEquals(t.tree, n, u"STRA\u00DFE \u00E4RGER \u03B4\u0416", false));
  EXPECT_TRUE(nodeNameEquals(t.tree, n, u"STRA\u00DFE \u00E4RGER \u03B4\u0416", true));
  EXPECT_FALSE(nodeNameEquals(t.tree, n, u"STRASSE \u00E4RGER \u03B4\u0416", true));
  EXPECT_FALSE(nodeNameEquals(t.tree, n, u"Stra\u00DFe", true));
}
