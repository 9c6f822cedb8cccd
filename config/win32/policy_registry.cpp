// Policy values from the registry: the machine hive first, then the user hive.
// A value of another type than expected is skipped as if it were missing.
#include "config/policy.h"
#include "platform/win32/wide.h"
#include <vector>
#include <windows.h>

namespace {

bool readText(HKEY hive, const std::u16string& key, const std::u16string& name, DWORD flags, std::u16string& text) {
  // The value may grow between the size call and the data call: ask again then.
  for (int attempt = 0; attempt < 4; attempt++) {
    DWORD bytes = 0;
    if (RegGetValueW(hive, wide(key), wide(name), flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return false;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2);
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    LSTATUS status = RegGetValueW(hive, wide(key), wide(name), flags, nullptr, buffer.data(), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return false;
    size_t units = bytes / sizeof(wchar_t);
    if (units > buffer.size()) units = buffer.size();
    while (units > 0 && buffer[units - 1] == 0) units--;
    text.assign(reinterpret_cast<const char16_t*>(buffer.data()), units);
    return true;
  }
  return false;
}
}

RawPolicyValue readRawPolicy(std::u16string_view keyPath, std::u16string_view valueName, PolicyType type) {
  const std::u16string key = terminated(keyPath), name = terminated(valueName);
  const struct { HKEY hive; uint8_t source; } hives[] = {{HKEY_LOCAL_MACHINE, kPolicyFromMachine},
                                                         {HKEY_CURRENT_USER, kPolicyFromUser}};
  RawPolicyValue value;
  for (const auto& h : hives) {
    if (type == PolicyType::Dword) {
      DWORD number = 0, bytes = sizeof number;
      if (RegGetValueW(h.hive, wide(key), wide(name), RRF_RT_REG_DWORD, nullptr, &number, &bytes) == ERROR_SUCCESS) {
        value.source = h.source;
        value.number = number;
        return value;
      }
    } else {
      DWORD flags = type == PolicyType::Text ? RRF_RT_REG_SZ : RRF_RT_REG_MULTI_SZ;
      if (readText(h.hive, key, name, flags, value.text)) {
        value.source = h.source;
        return value;
      }
    }
  }
  return RawPolicyValue();
}
