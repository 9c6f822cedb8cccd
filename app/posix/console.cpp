#include "app/console.h"
#include "engine/utf.h"
#include <cstdio>

void writeConsoleLine(std::u16string_view text) {
  std::string line = utf8FromUtf16(text);
  line.push_back('\n');
  fwrite(line.data(), 1, line.size(), stdout);
  fflush(stdout);
}
