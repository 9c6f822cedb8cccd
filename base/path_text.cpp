#include "base/path_text.h"

char16_t pathSeparatorFor(std::u16string_view rootPath) {
  if (!rootPath.empty() && rootPath[0] == u'/') return u'/';
  if (rootPath.find(u'\\') != std::u16string_view::npos) return u'\\';
  return kPathSeparator;
}
