#include "tests/support/temp_dir.h"
#include "base/path_text.h"
#include "base/utf.h"
#include <filesystem>
#include <fstream>
#include <random>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device rd;
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; attempt++) {
    fs::path candidate = base / ("mossbloom-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path = candidate.generic_string();
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path.empty()) fs::remove_all(fs::u8path(path), ec);
}

void makeTestDir(const std::string& path) {
  std::error_code ec;
  fs::create_directories(fs::u8path(path), ec);
}

void writeTestFile(const std::string& path, const std::string& contents) {
  fs::path p = fs::u8path(path);
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

std::u16string systemPath(const std::string& path) {
  std::u16string text = utf16FromUtf8(path);
  if (kPathSeparator == u'\\')
    for (char16_t& c : text)
      if (c == u'/') c = u'\\';
  return text;
}
