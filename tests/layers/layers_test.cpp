// The layer order, checked on the sources themselves: every folder may include only
// the folders the top CMakeLists.txt lists after it in its mb_module line, and only
// Windows files (in a win32/ folder, or named *_win32.cpp) may include <windows.h>.
// A fixture tree shows that the check itself finds both faults.
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each mb_module(name deps...) line: the folder and the folders it may include.
std::map<std::string, std::set<std::string>> declaredLayers(const std::string& cmake) {
  std::map<std::string, std::set<std::string>> layers;
  for (size_t at = cmake.find("\nmb_module("); at != std::string::npos; at = cmake.find("\nmb_module(", at + 1)) {
    size_t open = at + 11, close = cmake.find(')', open);
    if (close == std::string::npos) break;
    std::istringstream words(cmake.substr(open, close - open));
    std::string name, dependency;
    words >> name;
    auto& allowed = layers[name];
    while (words >> dependency) allowed.insert(dependency);
  }
  return layers;
}

// The targets of a file's #include lines.
std::vector<std::string> includesOf(const std::string& source) {
  std::vector<std::string> targets;
  std::istringstream lines(source);
  std::string line;
  while (std::getline(lines, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') continue;
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) continue;
    size_t open = line.find_first_of("<\"", i + 7);
    if (open == std::string::npos) continue;
    size_t close = line.find_first_of(">\"", open + 1);
    if (close != std::string::npos) targets.push_back(line.substr(open + 1, close - open - 1));
  }
  return targets;
}

bool isWindowsFile(const std::string& relative) {
  return relative.find("/win32/") != std::string::npos ||
         (relative.size() > 10 && relative.compare(relative.size() - 10, 10, "_win32.cpp") == 0);
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// One line per fault, "file: includes target".
std::vector<std::string> layerFaults(const fs::path& root) {
  std::vector<std::string> faults;
  auto layers = declaredLayers(readText(root / "CMakeLists.txt"));
  for (const auto& [layer, allowed] : layers) {
    if (!fs::is_directory(root / layer)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / layer)) {
      std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
      std::string relative = fs::relative(entry.path(), root).generic_string();
      for (const std::string& target : includesOf(readText(entry.path()))) {
        std::string folder = target.substr(0, target.find('/'));
        bool layerFault = folder != target && folder != layer && layers.count(folder) && !allowed.count(folder);
        bool windowsFault = lowered(target) == "windows.h" && !isWindowsFile(relative);
        if (layerFault || windowsFault) faults.push_back(relative + ": includes " + target);
      }
    }
  }
  std::sort(faults.begin(), faults.end());
  return faults;
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

TEST(Layers, SourcesKeepTheDeclaredOrder) {
#if defined(_WIN32)
  GTEST_SKIP() << "the sources are the same on every target; checked by the native build";
#endif
  fs::path root = MB_SOURCE_DIR;
  ASSERT_FALSE(declaredLayers(readText(root / "CMakeLists.txt")).empty());
  std::vector<std::string> faults = layerFaults(root);
  std::string list;
  for (const auto& fault : faults) list += fault + "\n";
  EXPECT_TRUE(faults.empty()) << list;
}

TEST(Layers, TheCheckFindsEachKindOfFault) {
#if defined(_WIN32)
  GTEST_SKIP() << "checked by the native build";
#endif
  TempDir dir;
  fs::path root = dir.path;
  writeFile(root / "CMakeLists.txt", "x\nmb_module(base)\nmb_module(platform base)\nmb_module(engine   platform base)\n"
                                     "mb_module(render engine platform base)\nmb_module(ui render engine platform base)\n");
  writeFile(root / "base/utf.h", "#pragma once\n#include <string>\n");
  writeFile(root / "platform/win32/file.cpp", "#include <windows.h>\n#include \"base/utf.h\"\n");
  writeFile(root / "platform/posix/file.cpp", "#include \"engine/tree.h\"\n");           // up a layer
  writeFile(root / "engine/tree.h", "#  include \"platform/file.h\"\n#include <Windows.h>\n");  // portable
  writeFile(root / "engine/tree.cpp", "#include \"engine/tree.h\"\n#include \"gtest/gtest.h\"\n");
  writeFile(root / "render/draw.cpp", "#include \"ui/window.h\"\n#include \"engine/tree.h\"\n");
  writeFile(root / "ui/win32/window.cpp", "#include <windows.h>\n#include \"render/draw.h\"\n");
  writeFile(root / "ui/entry_win32.cpp", "#include <windows.h>\n");
  std::vector<std::string> expected = {"engine/tree.h: includes Windows.h",
                                       "platform/posix/file.cpp: includes engine/tree.h",
                                       "render/draw.cpp: includes ui/window.h"};
  EXPECT_EQ(layerFaults(root), expected);
}

}  // namespace
