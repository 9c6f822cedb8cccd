// Writes the arguments it was started with (without the program's own path), one
// per line in UTF-8, to the file that MB_ARGV_ECHO_FILE names, as CommandLineToArgvW
// reads them from the command line: what a started program really receives.
#include <windows.h>
#include <shellapi.h>
#include <string>

int wmain() {
  wchar_t path[1024] = {};
  if (!GetEnvironmentVariableW(L"MB_ARGV_ECHO_FILE", path, 1024)) return 2;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string out;
  for (int i = 1; argv && i < count; i++) {
    int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, line.data(), n, nullptr, nullptr);
    out += line + "\n";
  }
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
