#include <windows.h>

#include "config/language.h"

PackBytes languagePackBytes() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(2), RT_RCDATA);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return {};
  const void* bytes = LockResource(loaded);
  DWORD size = SizeofResource(nullptr, found);
  if (!bytes || size == 0) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

std::u16string systemLocaleName() {
  // Pre-filled so that a failed conversion reads as English.
  wchar_t name[85] = L"en";
  LCIDToLocaleName(GetUserDefaultUILanguage(), name, 85, 0);
  name[84] = 0;
  return std::u16string(reinterpret_cast<const char16_t*>(name));
}
