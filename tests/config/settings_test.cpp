// The settings file, read and written as real ini files in a temporary folder.
#include "engine/tree.h"
#include "config/settings.h"
#include "config/start_settings.h"
#include "treemap/schemes.h"
#include "platform/scan_path.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {
std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

SettingsLocation locationWith(const TempDir& temp, const std::string& contents) {
  writeTestFile(temp.path + "/settings.ini", contents);
  return SettingsLocation{systemPath(temp.path), systemPath(temp.path + "/settings.ini"), false};
}
}

TEST(SettingsLocation, PortableFileWinsAndIsTheOnlyOneUsed) {
  TempDir exe, user;
  writeTestFile(exe.path + "/mossbloom.ini", "[mossBloom]\r\nmapScheme=lava\r\n");
  writeTestFile(user.path + "/settings.ini", "[mossBloom]\r\nmapScheme=muted\r\n");
  const std::string userBefore = readWholeFile(user.path + "/settings.ini");

  SettingsLocation where = locateSettings(systemPath(exe.path), systemPath(user.path));
  EXPECT_TRUE(where.portable);
  EXPECT_EQ(where.directory, systemPath(exe.path));
  EXPECT_EQ(where.file, systemPath(exe.path + "/mossbloom.ini"));
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"mapScheme"), u"lava");
  writeTextSetting(where, kSettingsSection, u"sizeUnits", u"GB");
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"sizeUnits"), u"GB");
  EXPECT_EQ(readWholeFile(user.path + "/settings.ini"), userBefore);
  EXPECT_NE(readWholeFile(exe.path + "/mossbloom.ini").find("sizeUnits=GB"), std::string::npos);
}

TEST(SettingsLocation, PerUserWithoutAPortableFile) {
  TempDir exe, user;
  makeTestDir(exe.path + "/mossbloom.ini");  // a folder of that name does not count
  SettingsLocation where = locateSettings(systemPath(exe.path), systemPath(user.path + "/Mossbloom"));
  EXPECT_FALSE(where.portable);
  EXPECT_EQ(where.directory, systemPath(user.path + "/Mossbloom"));
  EXPECT_EQ(where.file, systemPath(user.path + "/Mossbloom/settings.ini"));
  // The first write creates the settings folder.
  writeIntSetting(where, kSettingsSection, u"sidebarWidth", -12);
  EXPECT_EQ(readIntSetting(where, u"sidebarWidth"), -12);
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"sidebarWidth"), u"-12");
}

TEST(SettingsLocation, UserFolderIsNamedForTheProgram) {
  std::u16string dir = userSettingsDirectory();
  std::u16string tail = kPathSeparator == u'\\' ? u"\\Mossbloom" : u"/mossbloom";
  ASSERT_GT(dir.size(), tail.size());
  EXPECT_EQ(dir.substr(dir.size() - tail.size()), tail);
  EXPECT_FALSE(executableDirectory().empty());
}

TEST(SettingsValues, KeysReadWithTheirTypeRules) {
  const struct {
    const char* file;
    int32_t sidebarWidth;
    uint8_t panel;
    SizeUnits units;
    uint8_t patterns;
  } cases[] = {
      {"", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=100\n", 220, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=9999\n", 480, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=0\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=300px\n", 300, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=wide\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsidebarWidth=-40\n", 220, 0, SizeUnits::Binary, 0},
      {"[MOSSBLOOM]\r\nSIDEBARWIDTH = 250\r\n", 250, 0, SizeUnits::Binary, 0},
      {"[other]\nsidebarWidth=250\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nperformancePanel=open\n", 0, 1, SizeUnits::Binary, 0},
      {"[mossBloom]\nperformancePanel=hidden\n", 0, 2, SizeUnits::Binary, 0},
      {"[mossBloom]\nperformancePanel=Open\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsizeUnits=gb\n", 0, 0, SizeUnits::Decimal, 0},
      {"[mossBloom]\nsizeUnits=GiB\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\nsizeUnits=\n", 0, 0, SizeUnits::Binary, 0},
      {"[mossBloom]\npatterns=2\n", 0, 0, SizeUnits::Binary, 1},
      {"[mossBloom]\npatterns=no\n", 0, 0, SizeUnits::Binary, 0},
      {"garbage\x01\xff without sections\n=\n[\n", 0, 0, SizeUnits::Binary, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir temp;
    ProgramSettings state;
    state.location = locationWith(temp, c.file);
    readViewSettings(state);
    EXPECT_EQ(state.sidebarWidth, c.sidebarWidth);
    EXPECT_EQ(state.performancePanel, c.panel);
    EXPECT_EQ(state.sizeUnits, c.units);
    EXPECT_EQ(state.patterns, c.patterns);
  }
}

TEST(SettingsValues, ScanAndSizeModeUnderPolicy) {
  const struct {
    const char* file;
    bool admin;
    uint8_t disableMft;
    int32_t defaultSizeMode;
    ScanMode scan;
    SizeMode size;
  } cases[] = {
      {"", true, 0, -1, ScanMode::Mft, SizeMode::OnDisk},
      {"", false, 0, -1, ScanMode::Walk, SizeMode::OnDisk},
      {"[mossBloom]\nscanMode=walk\n", true, 0, -1, ScanMode::Walk, SizeMode::OnDisk},
      {"[mossBloom]\nscanMode=Fast\n", true, 0, -1, ScanMode::Mft, SizeMode::OnDisk},
      {"[mossBloom]\nscanMode=Mft\n", true, 1, -1, ScanMode::Walk, SizeMode::OnDisk},
      {"[mossBloom]\nsizeMode=logical\n", true, 0, -1, ScanMode::Mft, SizeMode::Logical},
      {"[mossBloom]\nsizeMode=logical\n", true, 0, 1, ScanMode::Mft, SizeMode::OnDisk},
      {"[mossBloom]\nsizeMode=OnDisk\n", false, 0, 0, ScanMode::Walk, SizeMode::Logical},
      {"[mossBloom]\nsizeMode=Physical\n", false, 0, -1, ScanMode::Walk, SizeMode::OnDisk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir temp;
    ProgramSettings state;
    state.location = locationWith(temp, c.file);
    state.isAdministrator = c.admin;
    state.policies.disableMftScan = c.disableMft;
    state.policies.defaultSizeMode = c.defaultSizeMode;
    applyModeSettings(state);
    EXPECT_EQ(state.scanMode, c.scan);
    EXPECT_EQ(state.sizeMode, c.size);
  }
}

TEST(SettingsValues, StartFlagsAccentsAndSchemes) {
  const struct {
    const char* file;
    bool elevate;       // default false
    bool splash;        // default true
    int32_t accent;
    uint32_t scheme;
  } cases[] = {
      {"", false, true, -1, 0},
      {"[start]\nelevate=  TRUE  \nsplash=false\n", true, false, -1, 0},
      {"[start]\nelevate=\tTrue\t\nsplash=FALSE\n", true, false, -1, 0},
      {"[start]\nelevate=yes\nsplash=0\n", false, true, -1, 0},
      {"[start]\nelevate=\"true\"\n", true, true, -1, 0},
      {"[mossBloom]\nelevate=true\naccent=Blue\nmapScheme=Lava\n", false, true, -1, 0},
      {"[mossBloom]\naccent=pink\nmapScheme=colorblind\n", false, true, 4, 2},
      {"[mossBloom]\naccent=blue\naccent=teal\nmapScheme=muted\n", false, true, 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir temp;
    SettingsLocation where = locationWith(temp, c.file);
    EXPECT_EQ(readStartFlag(where, u"elevate", false), c.elevate);
    EXPECT_EQ(readStartFlag(where, u"splash", true), c.splash);
    EXPECT_EQ(accentIndexFromName(readTextSetting(where, kSettingsSection, u"accent")), c.accent);
    EXPECT_EQ(uint32_t(mapSchemeFromName(readTextSetting(where, kSettingsSection, u"mapScheme", u"standard"))), c.scheme);
  }
}

TEST(SettingsWrites, KeepOtherKeysAndNeverInjectNewOnes) {
  TempDir temp;
  SettingsLocation where = locationWith(temp, "[mossBloom]\naccent=teal\nmapScheme=muted\n\n[start]\nsplash=false\n");
  writeTextSetting(where, kSettingsSection, u"mapScheme", u"lava");
  writeTextSetting(where, kSettingsSection, u"window", u"1,2,3,4\r\nscanMode=Walk");
  writeTextSetting(where, kStartSection, u"elevate", u"true");
  writeTextSetting(where, u"fresh", u"key", u"value");
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"accent"), u"teal");
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"mapScheme"), u"lava");
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"scanMode", u"missing"), u"missing");
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"window"), u"1,2,3,4  scanMode=Walk");
  EXPECT_FALSE(readStartFlag(where, u"splash", true));
  EXPECT_TRUE(readStartFlag(where, u"elevate", false));
  EXPECT_EQ(readTextSetting(where, u"fresh", u"key"), u"value");
  // Reset to the empty text: present but empty, so it reads as empty, not as the fallback.
  writeTextSetting(where, kSettingsSection, u"sidebarWidth", u"");
  EXPECT_EQ(readIntSetting(where, u"sidebarWidth"), 0);
}

TEST(SettingsWrites, LongAndNonAsciiValues) {
  TempDir temp;
  SettingsLocation where = locationWith(temp, "");
  std::u16string longValue(600, u'x');
  writeTextSetting(where, kSettingsSection, u"updateDismissed", longValue);
  EXPECT_EQ(readTextSetting(where, kSettingsSection, u"updateDismissed"), std::u16string(511, u'x'));
  // Cut inside a surrogate pair: the half pair is dropped, not returned.
  std::u16string pairs = std::u16string(510, u'y') + u"\U0001F600\U0001F600";
  writeTextSetting(where, kSettingsSection, u"language", pairs);
  std::u16string read = readTextSetting(where, kSettingsSection, u"language");
  ASSERT_FALSE(read.empty());
  EXPECT_LE(read.size(), 511u);
  EXPECT_FALSE(read.back() >= 0xD800 && read.back() <= 0xDBFF);
  if (kPathSeparator == u'/') {
    EXPECT_EQ(read, std::u16string(510, u'y'));  // Windows may store the file as ANSI
  }
  // A missing file and an empty location give the defaults.
  SettingsLocation nowhere{systemPath(temp.path + "/none"), systemPath(temp.path + "/none/settings.ini"), false};
  EXPECT_EQ(readTextSetting(nowhere, kSettingsSection, u"mapScheme", u"standard"), u"standard");
  EXPECT_EQ(readIntSetting(SettingsLocation{}, u"patterns"), 0);
  writeTextSetting(SettingsLocation{}, kSettingsSection, u"patterns", u"1");
}
