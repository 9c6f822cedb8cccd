// The native command-line program: the same grammar as the Windows program.
#include "app/startup.h"
#include "base/utf.h"
#include <clocale>

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C.UTF-8");
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; i++) args.push_back(utf16FromUtf8(argv[i]));
  return runMossbloom(args, nullptr, 1);
}
