// Arbitrary settings files through the native ini reader and writer: a write
// changes only its own key, and reads back what was written.
#include "config/settings.h"
#include "platform/ini.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/mossbloom-fuzz-" + std::to_string(getpid()) + ".ini";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  std::u16string file(path.begin(), path.end());
  std::u16string before = readIniText(file, u"mossBloom", u"accent", u"<none>", 512);
  std::u16string startBefore = readIniText(file, u"start", u"accent", u"<none>", 512);
  readIniInt(file, u"mossBloom", u"sidebarWidth");
  if (!writeIniText(file, u"mossBloom", u"window", u"1,2,3,4,max")) abort();
  if (readIniText(file, u"mossBloom", u"window", u"", 512) != u"1,2,3,4,max") abort();
  if (readIniText(file, u"mossBloom", u"accent", u"<none>", 512) != before) abort();
  if (readIniText(file, u"start", u"accent", u"<none>", 512) != startBefore) abort();
  unlink(path.c_str());
  return 0;
}
