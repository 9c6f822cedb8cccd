// Where the manifest is fetched from and whether the daily check runs, from the
// policies and a real settings file.
#include "update/update_config.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>

namespace {
SettingsLocation settingsWith(const TempDir& temp, const std::string& contents) {
  writeTestFile(temp.path + "/settings.ini", contents);
  return SettingsLocation{utf16FromUtf8(temp.path), utf16FromUtf8(temp.path + "/settings.ini"), false};
}
}  // namespace

TEST(UpdateConfig, ManifestUrlFromBase) {
  const struct {
    std::u16string_view base;
    const char* url;
  } cases[] = {
      {u"https://example.org/update/", "https://example.org/update/manifest.txt"},
      {u"https://example.org/update", "https://example.org/update/manifest.txt"},
      {u"https://example.org/beta.TXT", "https://example.org/beta.TXT"},   // the manifest itself
      {u"https://example.org/a.txt/", "https://example.org/a.txt/manifest.txt"},
      {u"a.txt", "a.txt"},
      {u".txt", ".txt/manifest.txt"},   // too short to name a file
      {u"https://example.org/list.txtx", "https://example.org/list.txtx/manifest.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8FromUtf16(manifestUrlFromBase(c.base)), c.url) << utf8FromUtf16(c.base);
  EXPECT_EQ(utf8FromUtf16(manifestUrlFromBase(kBuiltInUpdateBase)),
            utf8FromUtf16(kBuiltInUpdateBase) + "manifest.txt");
  EXPECT_TRUE(kBuiltInUpdateBase.starts_with(u"https://"));
  EXPECT_TRUE(kBuiltInUpdateBase.ends_with(u"/update/"));
}

TEST(UpdateConfig, PolicyThenSettingThenBuiltInBase) {
  TempDir temp;
  PolicyRecord policies;
  SettingsLocation none = settingsWith(temp, "");
  ManifestUrl url = manifestUrl(policies, none);
  EXPECT_EQ(utf8FromUtf16(url.url), utf8FromUtf16(kBuiltInUpdateBase) + "manifest.txt");
  EXPECT_FALSE(url.customBase);

  SettingsLocation setting = settingsWith(temp, "[mossBloom]\nupdateUrl = https://mirror.example/mb\n");
  url = manifestUrl(policies, setting);
  EXPECT_EQ(utf8FromUtf16(url.url), "https://mirror.example/mb/manifest.txt");
  EXPECT_TRUE(url.customBase);

  policies.updateUrl = u"https://intranet.example/mossbloom.txt";
  url = manifestUrl(policies, setting);
  EXPECT_EQ(utf8FromUtf16(url.url), "https://intranet.example/mossbloom.txt");
  EXPECT_TRUE(url.customBase);
}

TEST(UpdateConfig, AutomaticChecksFollowThePolicyBeforeTheSetting) {
  const struct {
    int32_t policy;
    const char* setting;
    bool automatic;
  } cases[] = {
      {-1, "", false},        {-1, "autoUpdateCheck=1\n", true}, {-1, "autoUpdateCheck=0\n", false},
      {-1, "autoUpdateCheck=2\n", false}, {-1, "autoUpdateCheck=yes\n", false},
      {0, "autoUpdateCheck=1\n", false},  {1, "", true}, {1, "autoUpdateCheck=0\n", true},
  };
  for (const auto& c : cases) {
    TempDir temp;
    PolicyRecord policies;
    policies.updateCheck = c.policy;
    SettingsLocation where = settingsWith(temp, std::string("[mossBloom]\n") + c.setting);
    EXPECT_EQ(automaticUpdateChecks(policies, where), c.automatic) << c.policy << " " << c.setting;
  }
}
