// The process entry of mossbloom.exe (GUI subsystem).
#include "app/startup.h"
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> args;
  for (int i = 0; argv && i < count; i++) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  if (argv) LocalFree(argv);
  return runMossbloom(args, instance, showCommand);
}
