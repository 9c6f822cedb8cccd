// The real mossbloom.exe started as a child process, for the full 32-bit exit
// codes that Wine's POSIX side cuts to one byte.
#include "app/startup.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {
// This test program lives in <build>/tests; the program in <build>/app.
std::wstring programPath() {
  wchar_t self[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
  std::wstring path(self, n);
  path.resize(path.find_last_of(L'\\'));
  path.resize(path.find_last_of(L'\\'));
  return path + L"\\app\\mossbloom.exe";
}

// Runs the program with the given arguments; returns its exit code (or ~0 when it did not start).
DWORD runProgram(const std::wstring& arguments) {
  std::wstring exe = programPath();
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << std::string(exe.begin(), exe.end()) << ": " << GetLastError();
    return ~0u;
  }
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}
}

TEST(ProgramExitCode, UpdateSelftestAnswersMbup) {
  EXPECT_EQ(runProgram(L"--update-selftest"), kUpdateSelftestExitCode);
  // Options before it do not matter; --bench would win instead.
  EXPECT_EQ(runProgram(L"--theme dark --update-selftest --export"), kUpdateSelftestExitCode);
  EXPECT_NE(runProgram(L"--bench --update-selftest"), kUpdateSelftestExitCode);
}
