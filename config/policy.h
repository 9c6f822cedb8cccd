// Registry policies under Software\Policies\Mossbloom (machine hive first, then
// the user hive): the record, how it is read, and the questions the rest of the
// program asks of it. The native build has no policies: the record stays empty.
// Threading: read on the start-up thread, re-read only on the window thread.
//
// Sections: record · reading · questions
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// --- Record --------------------------------------------------------------------
// Where a value came from.
enum : uint8_t { kPolicyNotSet = 0, kPolicyFromMachine = 'M', kPolicyFromUser = 'U' };

struct PolicySources {
  uint8_t defaultSizeMode = kPolicyNotSet;
  uint8_t disableMftScan = kPolicyNotSet;
  uint8_t hideRestartAsAdmin = kPolicyNotSet;
  uint8_t allowedPaths = kPolicyNotSet;
  uint8_t disableMemoryGame = kPolicyNotSet;
  uint8_t protectedPaths = kPolicyNotSet;
  uint8_t disableDelete = kPolicyNotSet;
  uint8_t updateCheck = kPolicyNotSet;
  uint8_t updateUrl = kPolicyNotSet;
  bool operator==(const PolicySources&) const = default;
};

// Replaced as a whole on every read, never edited.
struct PolicyRecord {
  int32_t defaultSizeMode = -1;     // -1 not set, 0 logical sizes, 1 sizes on disk
  int32_t updateCheck = -1;         // -1 not set, 0 checks off, 1 daily automatic checks
  uint8_t disableMftScan = 0;
  uint8_t hideRestartAsAdmin = 0;
  uint8_t disableMemoryGame = 0;
  uint8_t disableDelete = 0;
  std::vector<std::u16string> allowedPaths;    // normalised folders, registry order
  std::vector<std::u16string> protectedPaths;
  std::u16string updateUrl;         // empty: not set
  PolicySources source;
  bool operator==(const PolicyRecord&) const = default;
};

// --- Reading -------------------------------------------------------------------
inline constexpr std::u16string_view kPolicyKey = u"Software\\Policies\\Mossbloom";

PolicyRecord readPolicies();
// The same from another key below both hives (tests use their own key).
PolicyRecord readPoliciesFrom(std::u16string_view keyPath);

// The OS layer beneath (config/win32/policy_registry.cpp, config/posix/policy_registry.cpp).
enum class PolicyType : uint8_t { Dword, Text, MultiText };
struct RawPolicyValue {
  uint8_t source = kPolicyNotSet;   // the first hive holding the value with the expected type
  uint32_t number = 0;              // Dword
  std::u16string text;              // Text, MultiText: the data without trailing NULs, entries NUL-separated
};
RawPolicyValue readRawPolicy(std::u16string_view keyPath, std::u16string_view valueName, PolicyType type);

// --- Questions -----------------------------------------------------------------
// Whether a path lies inside one of the folders (an empty list allows all): C:\Data
// allows C:\Data and C:\Data\x, not C:\Database.
bool isPathAllowed(const std::vector<std::u16string>& folders, std::u16string_view path);

enum : uint8_t { kDriveAllowed = 0, kDriveLimited = 1, kDriveBlocked = 2 };
struct DriveStatus {
  uint8_t status = kDriveAllowed;
  std::u16string folder;            // limited: the first allowed folder on the drive
};
DriveStatus driveStatus(const PolicyRecord& policies, char16_t driveLetter);
// The same for a drive known by its root path (natively a mount point): limited to
// the first allowed folder inside the root.
DriveStatus driveStatusOfRoot(const PolicyRecord& policies, std::u16string_view rootPath);

// 0 administrator, 1 standard user who may restart as administrator, 2 that
// restart is hidden by policy, 3 the fast scan is turned off by policy.
enum : uint8_t { kFastScanAdmin = 0, kFastScanRestart = 1, kFastScanRestartHidden = 2, kFastScanOff = 3 };
uint8_t fastScanState(const PolicyRecord& policies, bool isAdministrator);
