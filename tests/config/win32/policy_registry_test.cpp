// Policies read from real registry values in both hives of the test's Wine
// prefix. Each test writes below its own key and removes it afterwards, so the
// program's real policy key is never touched.
#include "config/policy.h"
#include "config/policy_change.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {
class RegistryPolicies : public testing::Test {
 protected:
  void SetUp() override {
    keyPath = L"Software\\Policies\\MossbloomTest" + std::to_wstring(GetCurrentProcessId());
    clear();
  }
  void TearDown() override { clear(); }
  void clear() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, keyPath.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
  }
  void set(HKEY hive, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(hive, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS)
        << "cannot create the test key (hive " << (hive == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU") << ")";
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void setDword(HKEY hive, const wchar_t* name, DWORD value) { set(hive, name, REG_DWORD, &value, sizeof value); }
  // Text data as written, with the given number of units (NULs inside stay).
  void setText(HKEY hive, const wchar_t* name, DWORD type, std::wstring_view text) {
    set(hive, name, type, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
  }
  void remove(HKEY hive, const wchar_t* name) {
    HKEY key;
    if (RegOpenKeyExW(hive, keyPath.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, name);
      RegCloseKey(key);
    }
  }
  PolicyRecord read() { return readPoliciesFrom(reinterpret_cast<const char16_t*>(keyPath.c_str())); }
  std::u16string_view key() const { return reinterpret_cast<const char16_t*>(keyPath.c_str()); }

  std::wstring keyPath;
};
}

TEST_F(RegistryPolicies, NothingSetGivesTheEmptyRecord) {
  EXPECT_EQ(read(), PolicyRecord());
}

TEST_F(RegistryPolicies, MachineHiveWinsOverUserHive) {
  setDword(HKEY_LOCAL_MACHINE, L"DisableMftScan", 0);
  setDword(HKEY_CURRENT_USER, L"DisableMftScan", 1);
  setText(HKEY_LOCAL_MACHINE, L"UpdateUrl", REG_SZ, std::wstring_view(L"https://machine.example/\0", 25));
  setText(HKEY_CURRENT_USER, L"UpdateUrl", REG_SZ, std::wstring_view(L"https://user.example/\0", 22));
  setDword(HKEY_CURRENT_USER, L"DisableDelete", 7);
  PolicyRecord p = read();
  EXPECT_EQ(p.disableMftScan, 0);
  EXPECT_EQ(p.source.disableMftScan, kPolicyFromMachine);
  EXPECT_EQ(p.updateUrl, u"https://machine.example/");
  EXPECT_EQ(p.source.updateUrl, kPolicyFromMachine);
  EXPECT_EQ(p.disableDelete, 1);
  EXPECT_EQ(p.source.disableDelete, kPolicyFromUser);
  EXPECT_EQ(p.source.hideRestartAsAdmin, kPolicyNotSet);
}

TEST_F(RegistryPolicies, WrongTypeIsSkippedForTheOtherHive) {
  const DWORD one = 1;
  const unsigned long long big = 1;
  const BYTE raw[4] = {1, 0, 0, 0};
  const struct {
    const wchar_t* name;
    DWORD wrongType;
    const void* data;
    DWORD bytes;
  } wrong[] = {
      {L"DisableMftScan", REG_SZ, L"1\0", 4},
      {L"HideRestartAsAdmin", REG_BINARY, raw, 4},
      {L"DisableMemoryGame", REG_QWORD, &big, 8},
      {L"DisableDelete", REG_MULTI_SZ, L"1\0\0", 6},
      {L"UpdateCheck", REG_EXPAND_SZ, L"1\0", 4},
      {L"DefaultSizeMode", REG_DWORD, &one, 4},
      {L"UpdateUrl", REG_MULTI_SZ, L"https://x/\0\0", 24},
      {L"AllowedPaths", REG_SZ, L"C:\\Data\0", 16},
      {L"ProtectedPaths", REG_DWORD, &one, 4},
  };
  for (const auto& w : wrong) set(HKEY_LOCAL_MACHINE, w.name, w.wrongType, w.data, w.bytes);
  // The machine hive alone holds only wrong types: nothing is set.
  EXPECT_EQ(read(), PolicyRecord());

  for (const wchar_t* name : {L"DisableMftScan", L"HideRestartAsAdmin", L"DisableMemoryGame", L"DisableDelete",
                              L"UpdateCheck"})
    setDword(HKEY_CURRENT_USER, name, 1);
  setText(HKEY_CURRENT_USER, L"DefaultSizeMode", REG_SZ, std::wstring_view(L"Logical\0", 8));
  setText(HKEY_CURRENT_USER, L"UpdateUrl", REG_SZ, std::wstring_view(L"https://user/\0", 14));
  setText(HKEY_CURRENT_USER, L"AllowedPaths", REG_MULTI_SZ, std::wstring_view(L"D:\\Projects\0\0", 13));
  setText(HKEY_CURRENT_USER, L"ProtectedPaths", REG_MULTI_SZ, std::wstring_view(L"C:\\Windows\0\0", 12));
  PolicyRecord p = read();
  const PolicySources user = {kPolicyFromUser, kPolicyFromUser, kPolicyFromUser, kPolicyFromUser, kPolicyFromUser,
                              kPolicyFromUser, kPolicyFromUser, kPolicyFromUser, kPolicyFromUser};
  EXPECT_EQ(p.source, user);
  EXPECT_EQ(p.disableMftScan + p.hideRestartAsAdmin + p.disableMemoryGame + p.disableDelete, 4);
  EXPECT_EQ(p.updateCheck, 1);
  EXPECT_EQ(p.defaultSizeMode, 0);
  EXPECT_EQ(p.updateUrl, u"https://user/");
  EXPECT_EQ(p.allowedPaths, std::vector<std::u16string>{u"D:\\Projects"});
  EXPECT_EQ(p.protectedPaths, std::vector<std::u16string>{u"C:\\Windows"});
}

TEST_F(RegistryPolicies, TextsAreTrimmedAndComparedIgnoringCase) {
  const struct {
    std::wstring_view sizeMode;
    int32_t value;
    uint8_t source;
  } cases[] = {
      {std::wstring_view(L" ondisk \t\0", 10), 1, kPolicyFromMachine},
      {std::wstring_view(L"LOGICAL\r\n\0", 10), 0, kPolicyFromMachine},
      {std::wstring_view(L"Physical\0", 9), -1, kPolicyNotSet},
      {std::wstring_view(L"On Disk\0", 8), -1, kPolicyNotSet},
      {std::wstring_view(L"\0", 1), -1, kPolicyNotSet},
      {std::wstring_view(L"OnDisk", 6), 1, kPolicyFromMachine},          // no terminating NUL stored
      {std::wstring_view(L"Logical\0\0\0\0", 11), 0, kPolicyFromMachine},
  };
  for (const auto& c : cases) {
    setText(HKEY_LOCAL_MACHINE, L"DefaultSizeMode", REG_SZ, c.sizeMode);
    PolicyRecord p = read();
    EXPECT_EQ(p.defaultSizeMode, c.value) << c.sizeMode.size();
    EXPECT_EQ(p.source.defaultSizeMode, c.source) << c.sizeMode.size();
  }
  setText(HKEY_LOCAL_MACHINE, L"UpdateUrl", REG_SZ, std::wstring_view(L" \t\r\n\0", 5));
  EXPECT_EQ(read().source.updateUrl, kPolicyNotSet);
  setText(HKEY_LOCAL_MACHINE, L"UpdateUrl", REG_SZ, std::wstring_view(L"  https://u.example/base \0", 26));
  EXPECT_EQ(read().updateUrl, u"https://u.example/base");
  // An odd number of bytes: the half unit is dropped.
  set(HKEY_LOCAL_MACHINE, L"UpdateUrl", REG_SZ, "h\0t\0x", 5);
  PolicyRecord odd = read();
  EXPECT_EQ(odd.updateUrl, u"ht");
  setDword(HKEY_LOCAL_MACHINE, L"UpdateCheck", 0);
  EXPECT_EQ(read().updateCheck, 0);
  setDword(HKEY_LOCAL_MACHINE, L"UpdateCheck", 0xFFFFFFFF);
  EXPECT_EQ(read().updateCheck, 1);
}

TEST_F(RegistryPolicies, EmptyListsAllowEverythingButKeepTheirSource) {
  const std::wstring_view lists[] = {std::wstring_view(L"\0\0", 2), std::wstring_view(L" \0\t\0\r\n\0\0", 8),
                                     std::wstring_view(L"", 0)};
  for (std::wstring_view list : lists) {
    setText(HKEY_LOCAL_MACHINE, L"AllowedPaths", REG_MULTI_SZ, list);
    PolicyRecord p = read();
    EXPECT_TRUE(p.allowedPaths.empty());
    EXPECT_EQ(p.source.allowedPaths, kPolicyFromMachine);
    EXPECT_TRUE(isPathAllowed(p.allowedPaths, u"Q:\\anything"));
    EXPECT_EQ(driveStatus(p, u'Q').status, kDriveAllowed);
  }
}

TEST_F(RegistryPolicies, AllowedPathsContainmentAndDriveStatus) {
  setText(HKEY_LOCAL_MACHINE, L"AllowedPaths", REG_MULTI_SZ,
          std::wstring_view(L" D:\\Projects\\ \0\0e:\0d:\\Other\0\0", 30));
  PolicyRecord p = read();
  EXPECT_EQ(p.allowedPaths, (std::vector<std::u16string>{u"D:\\Projects", u"E:\\", u"D:\\Other"}));
  const struct {
    std::u16string_view path;
    bool allowed;
  } cases[] = {
      {u"D:\\Projects", true},   {u"D:\\Projects\\a", true}, {u"d:\\projects\\A\\b", true},
      {u"D:\\ProjectsOld", false}, {u"D:\\", false},         {u"D:", false},
      {u"E:\\", true},           {u"E:", true},              {u"E:\\deep\\down", true},
      {u"C:\\Projects", false},  {u"D:\\Other\\x", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(isPathAllowed(p.allowedPaths, c.path), c.allowed) << std::string(c.path.begin(), c.path.end());
  DriveStatus d = driveStatus(p, u'D');
  EXPECT_EQ(d.status, kDriveLimited);
  EXPECT_EQ(d.folder, u"D:\\Projects");
  EXPECT_EQ(driveStatus(p, u'd').status, kDriveLimited);
  EXPECT_EQ(driveStatus(p, u'C').status, kDriveBlocked);
  EXPECT_EQ(driveStatus(p, u'E').status, kDriveAllowed);
}

TEST_F(RegistryPolicies, HugeAndHostileValuesNeverCrash) {
  std::wstring many;
  for (int i = 0; i < 5000; i++) many += L"C:\\folder" + std::to_wstring(i) + L'\0';
  many += L'\0';
  setText(HKEY_LOCAL_MACHINE, L"ProtectedPaths", REG_MULTI_SZ, many);
  std::wstring longPath = L"C:";
  while (longPath.size() < 4000) longPath += L"\\deeper";
  longPath += std::wstring(L"\0\xD800\0\xDFFF\xD800x\0\0", 9);
  setText(HKEY_LOCAL_MACHINE, L"AllowedPaths", REG_MULTI_SZ, longPath);
  setText(HKEY_LOCAL_MACHINE, L"UpdateUrl", REG_SZ, std::wstring_view(L"\xDC00\0", 2));
  set(HKEY_LOCAL_MACHINE, L"DisableDelete", REG_DWORD, "\1", 1);   // too short for a DWORD
  set(HKEY_LOCAL_MACHINE, L"DisableMftScan", REG_NONE, nullptr, 0);
  PolicyRecord p = read();
  EXPECT_EQ(p.protectedPaths.size(), 5000u);
  EXPECT_EQ(p.protectedPaths[4999], u"C:\\folder4999");
  ASSERT_EQ(p.allowedPaths.size(), 3u);
  EXPECT_GE(p.allowedPaths[0].size(), 4000u);  // too long to resolve: kept as written
  EXPECT_EQ(p.updateUrl, u"\xDC00");
  EXPECT_EQ(p.source.disableMftScan, kPolicyNotSet);
}

TEST_F(RegistryPolicies, PolicyChangeCountsAndComparesGenerations) {
  ProgramSettings state;
  state.policies = read();
  setDword(HKEY_LOCAL_MACHINE, L"DisableMftScan", 1);
  setDword(HKEY_CURRENT_USER, L"DisableMftScan", 0);

  PolicyChange first = reloadPolicies(state, key());
  EXPECT_EQ(first.generation, 1u);
  EXPECT_TRUE(first.changed);
  EXPECT_FALSE(first.sizeModeChanged);
  EXPECT_EQ(state.policies.source.disableMftScan, kPolicyFromMachine);
  EXPECT_EQ(state.scanMode, ScanMode::Walk);

  PolicyChange same = reloadPolicies(state, key());
  EXPECT_EQ(same.generation, 2u);
  EXPECT_FALSE(same.changed);

  // Only the source changes once the machine value is gone: still a change.
  remove(HKEY_LOCAL_MACHINE, L"DisableMftScan");
  setDword(HKEY_CURRENT_USER, L"DisableMftScan", 1);
  PolicyChange sourceOnly = reloadPolicies(state, key());
  EXPECT_TRUE(sourceOnly.changed);
  EXPECT_EQ(state.policies.disableMftScan, 1);
  EXPECT_EQ(state.policies.source.disableMftScan, kPolicyFromUser);

  setText(HKEY_CURRENT_USER, L"DefaultSizeMode", REG_SZ, std::wstring_view(L"Logical\0", 8));
  PolicyChange size = reloadPolicies(state, key());
  EXPECT_EQ(size.generation, 4u);
  EXPECT_TRUE(size.changed);
  EXPECT_TRUE(size.sizeModeChanged);
  EXPECT_EQ(state.sizeMode, SizeMode::Logical);
}
