#include "treemap/schemes.h"
#include "tree_fixture.h"
#include <gtest/gtest.h>
#include <string>

namespace {
uint32_t typeColorOf(const MapScheme& scheme, const std::u16string& extension) {
  return typeColor(scheme, extension.data(), extension.size());
}
}  // namespace

TEST(Schemes, ExtensionHashesPickTypeColours) {
  EXPECT_EQ(extensionHash(u"txt", 3), 0xA535A9EFu);
  EXPECT_EQ(extensionHash(u"TXT", 3), 0xA535A9EFu);
  struct Case { const char16_t* extension; int type; } cases[] = {
      {u"txt", 2}, {u"TXT", 2}, {u"jpg", 2}, {u"exe", 1}, {u"pdf", 5}, {u"mp4", 8}, {u"zip", 9},
  };
  for (int scheme = 0; scheme < kMapSchemeCount; ++scheme) {
    for (const Case& c : cases) {
      std::u16string extension = c.extension;
      EXPECT_EQ(typeColor(kMapSchemes[scheme], extension.data(), extension.size()),
                kMapSchemes[scheme].typeColors[c.type])
          << kMapSchemes[scheme].name << " " << std::string(extension.begin(), extension.end());
    }
  }
}

TEST(Schemes, TypeColorFollowsTheGivenScheme) {
  EXPECT_EQ(typeColorOf(mapSchemeAt(0), u"exe"), 0xEF5A5Au);
  const MapScheme& lava = mapSchemeAt(4);
  EXPECT_EQ(typeColorOf(lava, u"exe"), 0xA73F3Fu);
  EXPECT_EQ(typeColorOf(lava, u""), 0x7E8285u);
  EXPECT_EQ(typeColorOf(lava, u"abcdefghijklmnop"), kMapSchemes[4].typeColors[
      extensionHash(u"abcdefghijklmnop", 16) % 11]);
  EXPECT_EQ(typeColorOf(lava, u"abcdefghijklmnopq"), 0x7E8285u);
  // Out of range selects the standard scheme.
  EXPECT_EQ(&mapSchemeAt(7), &kMapSchemes[0]);
  EXPECT_EQ(&mapSchemeAt(-1), &kMapSchemes[0]);
}

TEST(Schemes, SettingNamesSelectTheirSchemeAndAnUnknownOneTheStandard) {
  for (int32_t i = 0; i < kMapSchemeCount; i++) {
    std::string name = kMapSchemes[i].name;
    EXPECT_EQ(mapSchemeFromName(std::u16string(name.begin(), name.end())), i) << name;
  }
  EXPECT_EQ(mapSchemeFromName(u"Lava"), 0) << "names are case-sensitive";
  EXPECT_EQ(mapSchemeFromName(u""), 0);
}

TEST(Schemes, NodeColoursFromNames) {
  FixtureTree f;
  int32_t root = f.folder(-1, u"C:\\");
  struct Case { std::u16string name; bool folder; int type; } cases[] = {
      // type: 0..10 type colour, -1 no type, -2 folder
      {u"report.TXT", false, 2},
      {u"notes.txt", false, 2},
      {u"archive.tar.zip", false, 9},
      {u"photo.JPG", false, 2},
      {u".gitignore", false, -1},
      {u"..txt", false, 2},            // the second dot starts the extension
      {u"notes.", false, -1},
      {u"README", false, -1},
      {u"x.abcdefghijklmnop", false, int(extensionHash(u"abcdefghijklmnop", 16) % 11)},
      {u"x.abcdefghijklmnopq", false, -1},
      {u"\u6570\u636E.PDF", false, 5},   // stored as UTF-16
      {u"\u00C4rger.exe", false, 1},     // stored one byte per unit
      {u"a.\u00C4\u00D6", false, int(extensionHash(u"\u00C4\u00D6", 2) % 11)},
      {u"media.mp4", true, -2},
      {u"photos", true, -2},
  };
  std::vector<int32_t> nodes;
  for (const Case& c : cases)
    nodes.push_back(c.folder ? f.folder(root, c.name) : f.file(root, c.name, 1));
  f.finish();
  for (int s = 0; s < kMapSchemeCount; ++s) {
    const MapScheme& scheme = kMapSchemes[s];
    for (size_t i = 0; i < nodes.size(); ++i) {
      uint32_t expected = cases[i].type == -2   ? scheme.folderColor
                          : cases[i].type == -1 ? scheme.noTypeColor
                                                : scheme.typeColors[cases[i].type];
      EXPECT_EQ(schemeColorOf(scheme, f.tree, nodes[i]), expected) << scheme.name << " case " << i;
    }
  }
  EXPECT_EQ(schemeColorOf(kMapSchemes[0], f.tree, nodes[0]), 0x4CBB6Cu);   // the standard scheme
  EXPECT_EQ(schemeColorOf(kMapSchemes[0], f.tree, root), 0x9AA0A6u);
}

TEST(Schemes, LavaRampStops) {
  struct Case { int32_t age, g; uint32_t color; } cases[] = {
      {-5, 3, 0xFFF2C0}, {0, 3, 0xFFF2C0},
      {9, 3, 0xFFC978},      // 3g: halfway to orange: red 255, green 201, blue 120
      {18, 3, 0xFFA030},     // 6g
      {72, 3, 0xFF2A0A},     // 24g
      {240, 3, 0x6E1206},    // 80g
      {1000, 3, 0x6E1206},
      {6, 2, 0xFFC978}, {12, 2, 0xFFA030}, {48, 2, 0xFF2A0A},
      {45, 3, 0xFF651D},     // halfway 6g..24g: 255, 160 + 27*(42-160)/54 = 101, 48 + 27*(10-48)/54 = 29
      {1, 16, 0xFFF2BF},     // falling channels truncate toward zero: 242 - 82/96, 192 - 144/96
  };
  for (const Case& c : cases)
    EXPECT_EQ(lavaRamp(c.age, c.g), c.color) << c.age << " at g " << c.g;
}

TEST(Schemes, LookupByNameIsExactAndCaseSensitive) {
  struct Case { const char* name; int32_t index; } cases[] = {
      {"standard", 0}, {"contrast", 1}, {"colorblind", 2}, {"muted", 3}, {"lava", 4},
      {"Lava", -1}, {"LAVA", -1}, {"lava ", -1}, {"", -1}, {"colourblind", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findMapScheme(std::string_view(c.name)), c.index) << c.name;
    std::string narrow = c.name;
    EXPECT_EQ(findMapScheme(std::u16string(narrow.begin(), narrow.end())), c.index) << c.name;
  }
}

TEST(Schemes, PatternNumbersFollowTypeColours) {
  for (int s = 0; s < kMapSchemeCount; ++s) {
    const MapScheme& scheme = kMapSchemes[s];
    for (int k = 0; k < kTypeColorCount; ++k)
      EXPECT_EQ(patternNumberOf(scheme, scheme.typeColors[k]), k) << scheme.name;
    EXPECT_EQ(patternNumberOf(scheme, scheme.folderColor), 0) << scheme.name;
    EXPECT_EQ(patternNumberOf(scheme, scheme.noTypeColor), 0) << scheme.name;
    // the colours of one scheme are all distinct, so every type has its own pattern
    for (int a = 0; a < kTypeColorCount; ++a)
      for (int b = a + 1; b < kTypeColorCount; ++b)
        EXPECT_NE(scheme.typeColors[a], scheme.typeColors[b]) << scheme.name;
  }
}

TEST(Schemes, TableConstants) {
  struct Case { double ambient, intensity; uint32_t background, gap; bool glow; } cases[] = {
      {0.18, 1.05, 0, 0, false}, {0.55, 1.0, 0xFF000000, 2, false}, {0.18, 1.05, 0, 0, false},
      {0.42, 1.0, 0, 0, false}, {0.1, 1.15, 0xFF120A08, 3, true},
  };
  for (int s = 0; s < kMapSchemeCount; ++s) {
    EXPECT_EQ(kMapSchemes[s].ambient, cases[s].ambient);
    EXPECT_EQ(kMapSchemes[s].intensity, cases[s].intensity);
    EXPECT_EQ(kMapSchemes[s].background, cases[s].background);
    EXPECT_EQ(kMapSchemes[s].gap, cases[s].gap);
    EXPECT_EQ(kMapSchemes[s].glow, cases[s].glow);
  }
}
