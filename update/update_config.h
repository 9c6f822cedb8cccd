// What the update code knows before it fetches anything: the build's versions, where
// the signed manifest lives, and whether the daily automatic check runs. The policy
// dump (--dump-policy) reports the same figures.
//
// Threading: pure functions of their arguments and the settings file; any thread.
#pragma once
#include "config/policy.h"
#include "config/settings.h"
#include <string>
#include <string_view>

// The version compared with a manifest's, and the one shown to the user.
inline constexpr std::u16string_view kComparedVersion = u"1.0.0.0";
inline constexpr std::u16string_view kShownVersion = u"1.0";

// The vendor's update folder, used unless the UpdateUrl policy or the updateUrl
// setting names another base.
inline constexpr std::u16string_view kBuiltInUpdateBase = u"https://mossbloom.app/update/";
inline constexpr std::u16string_view kManifestFileName = u"manifest.txt";
// The last valid manifest, kept in the settings folder.
inline constexpr std::u16string_view kCachedManifestName = u"update.txt";

struct ManifestUrl {
  std::u16string url;
  bool customBase = false;   // the base came from the policy or the setting
};

// A base that ends in .txt (any case) is the manifest itself; any other base is a
// folder that holds manifest.txt.
std::u16string manifestUrlFromBase(std::u16string_view base);
// The base by precedence: the UpdateUrl policy, the updateUrl setting, the built-in one.
ManifestUrl manifestUrl(const PolicyRecord& policies, const SettingsLocation& settings);

// The daily automatic check: on when the UpdateCheck policy is 1; when the policy is
// not set, when the autoUpdateCheck setting is 1; off otherwise.
bool automaticUpdateChecks(const PolicyRecord& policies, const SettingsLocation& settings);
