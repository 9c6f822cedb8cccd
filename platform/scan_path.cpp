#include "platform/scan_path.h"
#include "base/path_text.h"
#include "platform/text.h"

bool isPathUnder(std::u16string_view path, std::u16string_view folder, NameCase names) {
  if (folder.size() > path.size()) return false;
  std::u16string_view head = path.substr(0, folder.size());
  if (names == NameCase::AsNtfs ? !equalNamesIgnoringCase(head, folder) : !samePathText(head, folder)) return false;
  const char16_t separator = pathSeparatorFor(folder);
  return folder.size() == path.size() || folder.back() == separator || path[folder.size()] == separator;
}
