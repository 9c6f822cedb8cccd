#include "config/settings.h"
#include "base/path_text.h"
#include "platform/ini.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "platform/text.h"

namespace {
constexpr uint32_t kTextUnits = 512;
constexpr uint32_t kFlagUnits = 16;

// A cut at the buffer's end must not leave half of a surrogate pair behind.
void dropCutSurrogate(std::u16string& text, uint32_t bufferUnits) {
  if (text.size() + 1 >= bufferUnits && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
    text.pop_back();
}
}

SettingsLocation locateSettings(std::u16string_view exeDirectory, std::u16string_view userDirectory) {
  SettingsLocation where;
  std::u16string portable = std::u16string(exeDirectory) + kPathSeparator + std::u16string(kPortableSettingsName);
  if (!exeDirectory.empty() && isExistingFile(portable)) {
    where.directory = exeDirectory;
    where.file = portable;
    where.portable = true;
  } else {
    where.directory = userDirectory;
    where.file = std::u16string(userDirectory) + kPathSeparator + std::u16string(kUserSettingsName);
  }
  return where;
}

std::u16string readTextSetting(const SettingsLocation& where, std::u16string_view section, std::u16string_view key,
                               std::u16string_view fallback) {
  if (where.file.empty()) return std::u16string(fallback.substr(0, kTextUnits - 1));
  std::u16string text = readIniText(where.file, section, key, fallback, kTextUnits);
  dropCutSurrogate(text, kTextUnits);
  return text;
}

int32_t readIntSetting(const SettingsLocation& where, std::u16string_view key) {
  if (where.file.empty()) return 0;
  return readIniInt(where.file, kSettingsSection, key);
}

bool readStartFlag(const SettingsLocation& where, std::u16string_view key, bool fallback) {
  if (where.file.empty()) return fallback;
  std::u16string text = readIniText(where.file, kStartSection, key, u"", kFlagUnits);
  std::u16string_view value = trimBlanks(text);
  if (equalIgnoringCase(value, u"true")) return true;
  if (equalIgnoringCase(value, u"false")) return false;
  return fallback;
}

bool settingIs(const SettingsLocation& where, std::u16string_view key, std::u16string_view fallback,
               std::u16string_view literal) {
  return equalIgnoringCase(readTextSetting(where, kSettingsSection, key, fallback), literal);
}

void writeTextSetting(const SettingsLocation& where, std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
  if (where.file.empty()) return;
  std::u16string line(value);
  for (char16_t& c : line)
    if (c == u'\r' || c == u'\n' || c == 0) c = u' ';
  createSettingsDirectory(where.directory);
  writeIniText(where.file, section, key, line);
}

void writeIntSetting(const SettingsLocation& where, std::u16string_view section, std::u16string_view key,
                     int32_t value) {
  std::string digits = std::to_string(value);
  writeTextSetting(where, section, key, std::u16string(digits.begin(), digits.end()));
}
