// Temporary folders for tests that work on real files.
#pragma once
#include <string>

// A fresh empty folder, removed with everything in it when the object dies.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path;   // UTF-8, no trailing separator
};

// Creates a file (and its missing parent folders) holding `bytes` zero bytes or the given text.
void writeTestFile(const std::string& path, const std::string& contents);
void makeTestDir(const std::string& path);
// A UTF-8 test path as the program spells it: backslashes on Windows.
std::u16string systemPath(const std::string& path);
