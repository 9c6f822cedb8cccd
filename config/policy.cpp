#include "config/policy.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "platform/text.h"

namespace {
void readFlag(std::u16string_view key, std::u16string_view name, uint8_t& value, uint8_t& source) {
  RawPolicyValue raw = readRawPolicy(key, name, PolicyType::Dword);
  if (!raw.source) return;
  value = raw.number != 0;
  source = raw.source;
}

void readFolderList(std::u16string_view key, std::u16string_view name, std::vector<std::u16string>& folders,
                    uint8_t& source) {
  RawPolicyValue raw = readRawPolicy(key, name, PolicyType::MultiText);
  if (!raw.source) return;
  source = raw.source;  // even when every entry is empty: the dump still shows where it came from
  std::u16string_view rest = raw.text;
  for (;;) {
    size_t nul = rest.find(u'\0');
    std::u16string_view entry = trimBlanks(rest.substr(0, nul));
    if (!entry.empty()) folders.push_back(normalizeScanPath(entry, BareDrive::Root));
    if (nul == std::u16string_view::npos) break;
    rest.remove_prefix(nul + 1);
  }
}
}

PolicyRecord readPoliciesFrom(std::u16string_view key) {
  PolicyRecord policies;
  RawPolicyValue sizeMode = readRawPolicy(key, u"DefaultSizeMode", PolicyType::Text);
  std::u16string_view mode = trimBlanks(sizeMode.text);
  if (sizeMode.source && (equalIgnoringCase(mode, u"Logical") || equalIgnoringCase(mode, u"OnDisk"))) {
    policies.defaultSizeMode = equalIgnoringCase(mode, u"Logical") ? 0 : 1;
    policies.source.defaultSizeMode = sizeMode.source;
  }
  readFlag(key, u"DisableMftScan", policies.disableMftScan, policies.source.disableMftScan);
  readFlag(key, u"HideRestartAsAdmin", policies.hideRestartAsAdmin, policies.source.hideRestartAsAdmin);
  readFolderList(key, u"AllowedPaths", policies.allowedPaths, policies.source.allowedPaths);
  readFlag(key, u"DisableMemoryGame", policies.disableMemoryGame, policies.source.disableMemoryGame);
  readFolderList(key, u"ProtectedPaths", policies.protectedPaths, policies.source.protectedPaths);
  readFlag(key, u"DisableDelete", policies.disableDelete, policies.source.disableDelete);
  RawPolicyValue check = readRawPolicy(key, u"UpdateCheck", PolicyType::Dword);
  if (check.source) {
    policies.updateCheck = check.number != 0;
    policies.source.updateCheck = check.source;
  }
  RawPolicyValue url = readRawPolicy(key, u"UpdateUrl", PolicyType::Text);
  std::u16string_view urlText = trimBlanks(url.text);
  if (url.source && !urlText.empty()) {
    policies.updateUrl = urlText;
    policies.source.updateUrl = url.source;
  }
  return policies;
}

PolicyRecord readPolicies() { return readPoliciesFrom(kPolicyKey); }

bool isPathAllowed(const std::vector<std::u16string>& folders, std::u16string_view path) {
  if (folders.empty()) return true;
  std::u16string normal = normalizeScanPath(path, BareDrive::Root);
  for (const std::u16string& folder : folders)
    if (!folder.empty() && isPathUnder(normal, folder, NameCase::AsThisSystem)) return true;
  return false;
}

DriveStatus driveStatus(const PolicyRecord& policies, char16_t driveLetter) {
  DriveStatus result;
  std::u16string root = {driveLetter, u':', u'\\'};
  if (policies.allowedPaths.empty() || isPathAllowed(policies.allowedPaths, root)) return result;
  for (const std::u16string& folder : policies.allowedPaths) {
    if (equalIgnoringCase(folder.substr(0, 1), root.substr(0, 1))) {
      result.status = kDriveLimited;
      result.folder = folder;
      return result;
    }
  }
  result.status = kDriveBlocked;
  return result;
}

DriveStatus driveStatusOfRoot(const PolicyRecord& policies, std::u16string_view rootPath) {
  DriveStatus result;
  if (isPathAllowed(policies.allowedPaths, rootPath)) return result;
  const std::vector<std::u16string> root = {normalizeScanPath(rootPath, BareDrive::Root)};
  for (const std::u16string& folder : policies.allowedPaths) {
    if (isPathAllowed(root, folder)) {
      result.status = kDriveLimited;
      result.folder = folder;
      return result;
    }
  }
  result.status = kDriveBlocked;
  return result;
}

uint8_t fastScanState(const PolicyRecord& policies, bool isAdministrator) {
  if (policies.disableMftScan) return kFastScanOff;
  if (isAdministrator) return kFastScanAdmin;
  if (policies.hideRestartAsAdmin) return kFastScanRestartHidden;
  return kFastScanRestart;
}
