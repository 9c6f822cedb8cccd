#include "config/start_settings.h"

namespace {
constexpr std::u16string_view kAccents[] = {u"blue", u"teal", u"orange", u"violet", u"pink"};
}

int32_t accentIndexFromName(std::u16string_view name) {
  for (int32_t i = 0; i < 5; i++)
    if (name == kAccents[i]) return i;
  return -1;
}

std::u16string_view accentName(int32_t index) { return index >= 0 && index < 5 ? kAccents[index] : u""; }

uint8_t performancePanelFromText(std::u16string_view text) {
  if (text == u"open") return 1;
  if (text == u"hidden") return 2;
  return 0;
}

int32_t sidebarWidthFromSetting(int32_t width) {
  if (width == 0) return 0;
  return width < 220 ? 220 : width > 480 ? 480 : width;
}

ScanMode effectiveScanMode(bool isAdministrator, const PolicyRecord& policies, const SettingsLocation& where) {
  if (!isAdministrator || policies.disableMftScan) return ScanMode::Walk;
  return settingIs(where, kScanModeKey, u"Mft", u"Walk") ? ScanMode::Walk : ScanMode::Mft;
}

SizeMode effectiveSizeMode(const PolicyRecord& policies, const SettingsLocation& where) {
  if (policies.defaultSizeMode >= 0) return policies.defaultSizeMode == 0 ? SizeMode::Logical : SizeMode::OnDisk;
  return settingIs(where, kSizeModeKey, u"OnDisk", u"Logical") ? SizeMode::Logical : SizeMode::OnDisk;
}

void applyModeSettings(ProgramSettings& settings) {
  settings.scanMode = effectiveScanMode(settings.isAdministrator != 0, settings.policies, settings.location);
  settings.sizeMode = effectiveSizeMode(settings.policies, settings.location);
}

void readViewSettings(ProgramSettings& settings) {
  const SettingsLocation& where = settings.location;
  settings.performancePanel = performancePanelFromText(readTextSetting(where, kSettingsSection, kPerformancePanelKey, u"closed"));
  settings.patterns = readIntSetting(where, kPatternsKey) != 0;
  settings.sidebarWidth = sidebarWidthFromSetting(readIntSetting(where, kSidebarWidthKey));
  settings.sizeUnits = settingIs(where, kSizeUnitsKey, u"GiB", u"GB") ? SizeUnits::Decimal : SizeUnits::Binary;
}
