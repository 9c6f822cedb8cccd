#include "update/update_config.h"

namespace {
char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool endsWithTxt(std::u16string_view base) {
  if (base.size() < 5) return false;
  std::u16string_view end = base.substr(base.size() - 4);
  return end[0] == u'.' && lowerAscii(end[1]) == u't' && lowerAscii(end[2]) == u'x' && lowerAscii(end[3]) == u't';
}
}  // namespace

std::u16string manifestUrlFromBase(std::u16string_view base) {
  std::u16string url(base);
  if (endsWithTxt(base)) return url;
  if (url.empty() || url.back() != u'/') url += u'/';
  url += kManifestFileName;
  return url;
}

ManifestUrl manifestUrl(const PolicyRecord& policies, const SettingsLocation& settings) {
  ManifestUrl result;
  std::u16string base = policies.updateUrl;
  if (base.empty()) base = readTextSetting(settings, kSettingsSection, kUpdateUrlKey);
  result.customBase = !base.empty();
  if (base.empty()) base = kBuiltInUpdateBase;
  result.url = manifestUrlFromBase(base);
  return result;
}

bool automaticUpdateChecks(const PolicyRecord& policies, const SettingsLocation& settings) {
  if (policies.updateCheck >= 0) return policies.updateCheck == 1;
  return readIntSetting(settings, kAutoUpdateCheckKey) == 1;
}
