// Tree building and finalizing on a synthetic 10-million-node scan: breadth-first
// like the directory walk, about one folder per 20 files, names repeated the way
// real drives repeat them (desktop.ini, index.js, numbered photos).
//   build/native/bench/bench_tree [--benchmark_filter=...]
#include "engine/tree.h"
#include <benchmark/benchmark.h>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {
constexpr int64_t kNodes = 10'000'000;

struct PlannedNode {
  int32_t parent;
  uint8_t nameLength;
  bool folder;
  int64_t size;
};

// The nodes in creation order with their names one after another, so reading the
// input costs what a fresh directory listing costs: a sequential stream.
struct Plan {
  std::vector<char16_t> text;
  std::vector<uint32_t> nameStart;   // distinct names while planning: nameStart[i]..nameStart[i+1]
  std::vector<PlannedNode> nodes;
  std::vector<char16_t> nodeNames;
};

struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};

uint32_t addName(Plan& plan, const std::u16string& name) {
  plan.text.insert(plan.text.end(), name.begin(), name.end());
  plan.nameStart.push_back(static_cast<uint32_t>(plan.text.size()));
  return static_cast<uint32_t>(plan.nameStart.size() - 2);
}

std::u16string widen(const char* s) { return std::u16string(s, s + strlen(s)); }

const Plan& plan() {
  static Plan plan = [] {
    Plan p;
    p.nameStart.push_back(0);
    Random random;
    const char* common[] = {"desktop.ini", "index.js", "thumbs.db", "README.md", "package.json", "LICENSE",
                            "__init__.py", "icon.png", "index.d.ts", "main.c", "Makefile", ".gitignore",
                            "style.css", "index.html", "config.xml", "data.bin", "app.dll", "setup.exe"};
    const char* stems[] = {"IMG_", "DSC", "report ", "invoice-", "track", "chunk", "part", "log.", "Document ",
                           "module_", "test_", "frame"};
    const char* exts[] = {".jpg", ".png", ".pdf", ".docx", ".mp3", ".js", ".ts", ".dll", ".txt", ".json",
                          ".log", ".bin", ".tmp", ".cache", ".xml", ".py"};
    const char* folders[] = {"src", "lib", "node_modules", "assets", "bin", "obj", "Debug", "Release", "images",
                             "docs", "test", "cache", "temp", "build", "dist", "Photos", "Music", "AppData"};
    std::vector<uint32_t> commonIds, folderIds;
    for (const char* c : common) commonIds.push_back(addName(p, widen(c)));
    for (const char* f : folders) folderIds.push_back(addName(p, widen(f)));
    // A vocabulary of 200 000 other names, picked with a skew towards the first ones.
    std::vector<uint32_t> vocabulary;
    for (uint32_t i = 0; i < 200'000; i++) {
      std::u16string name = widen(stems[(i / 16) % 12]) + widen(std::to_string(i).c_str()) + u"_" +
                            widen(folders[i % 18]) + widen(exts[i % 16]);
      if (i % 50 == 0) name.insert(0, u"\u65E5\u672C\u8A9E ");   // some names need UTF-16
      vocabulary.push_back(addName(p, name));
    }
    // Numbered runs (IMG_0001.jpg ...), made the first time they are met; low numbers recur
    // in many folders, as on cameras and in build outputs.
    constexpr uint32_t kRunNumbers = 20'000;
    std::vector<uint32_t> numbered(12 * 16 * kRunNumbers, UINT32_MAX);
    auto numberedName = [&](uint32_t stem, uint32_t ext, uint32_t number) {
      uint32_t& id = numbered[(stem * 16 + ext) * kRunNumbers + number];
      if (id == UINT32_MAX) {
        std::string digits = std::to_string(10000 + number).substr(1);
        id = addName(p, widen(stems[stem]) + widen(digits.c_str()) + widen(exts[ext]));
      }
      return id;
    };

    p.nodes.reserve(kNodes);
    auto push = [&](int32_t parent, uint32_t name, bool folder, int64_t size) {
      uint32_t length = p.nameStart[name + 1] - p.nameStart[name];
      p.nodeNames.insert(p.nodeNames.end(), p.text.begin() + p.nameStart[name], p.text.begin() + p.nameStart[name + 1]);
      p.nodes.push_back({parent, static_cast<uint8_t>(length), folder, size});
    };
    push(kNoNode, folderIds[0], true, 0);
    std::deque<int32_t> queue{0};
    while (static_cast<int64_t>(p.nodes.size()) < kNodes) {
      int32_t parent = queue.empty() ? 0 : queue.front();
      if (!queue.empty()) queue.pop_front();
      uint32_t subfolders = random.below(100) < 60 ? random.below(3) : random.below(2);   // mean ~1.05
      if (queue.size() < 4) subfolders += 2;   // keep the walk going
      uint32_t files = random.below(41);                                                   // mean 20
      for (uint32_t k = 0; k < subfolders && static_cast<int64_t>(p.nodes.size()) < kNodes; k++) {
        uint32_t name = random.below(3) ? folderIds[random.below(18)] : vocabulary[random.below(random.below(200'000) + 1)];
        queue.push_back(static_cast<int32_t>(p.nodes.size()));
        push(parent, name, true, 0);
      }
      bool run = random.below(2) == 0;
      uint32_t stem = random.below(12), ext = random.below(16);
      uint32_t number = random.below(random.below(kRunNumbers - 64) + 1);
      for (uint32_t k = 0; k < files && static_cast<int64_t>(p.nodes.size()) < kNodes; k++) {
        uint32_t name;
        if (run) name = numberedName(stem, ext, number + k);
        else if (random.below(100) < 35) name = commonIds[random.below(18)];
        else name = vocabulary[random.below(random.below(200'000) + 1)];
        int64_t size = random.below(10) == 0 ? int64_t(random.next() % (1ull << 32)) : int64_t(random.below(200'000));
        push(parent, name, false, size);
      }
    }
    p.text = {};
    p.nameStart = {};
    return p;
  }();
  return plan;
}

// Names for the hot-path run: a few that every lookup finds in the set and in the caches.
const char16_t* const kHotNames[] = {u"desktop.ini", u"index.js", u"thumbs.db", u"README.md", u"icon.png",
                                     u"main.c", u"style.css", u"data.bin"};

void buildTree(Tree& tree, const Plan& p, bool hint, bool hotNames = false) {
  const uint32_t attributeSet[] = {kAttributeArchive, kAttributeArchive | kAttributeReadOnly, kAttributeNormal,
                                   kAttributeArchive | kAttributeHidden};
  const char16_t* name = p.nodeNames.data();
  // The walk knows a whole listing before it adds it: hint a few names ahead.
  constexpr int64_t kAhead = kNameHintDistance;
  const char16_t* ahead = name;
  for (int64_t i = 0; i < kAhead && hint; i++) ahead += p.nodes[i].nameLength;
  for (int64_t i = 0; i < kNodes; i++) {
    if (hint && i + kAhead < kNodes) {
      uint8_t length = p.nodes[i + kAhead].nameLength;
      prefetchName(tree, ahead, length);
      ahead += length;
    }
    const PlannedNode& n = p.nodes[i];
    bool folder = n.folder;
    const char16_t* given = name;
    size_t length = n.nameLength;
    if (hotNames) {
      given = kHotNames[i & 7];
      length = std::char_traits<char16_t>::length(given);
    }
    int32_t index = addNode(tree, n.parent, given, length, n.size, (n.size + 4095) & ~int64_t(4095), folder);
    name += n.nameLength;
    int64_t filetime = kUnixEpochFiletime + (1'500'000'000 + (i * 7919) % 200'000'000) * 10'000'000ll + (i & 1023);
    setTimeAndAttributes(tree, index, filetime, folder ? kAttributeDirectory : attributeSet[i & 3]);
  }
  tree.rootIndex = 0;
  tree.rootPath = u"C:\\";
}

void BM_AddNodes(benchmark::State& state) {
  const Plan& p = plan();
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    buildTree(tree, p, state.range(0) == 1, state.range(0) == 2);
    state.PauseTiming();
    releaseTree(tree);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
}
// Argument: 0 = plain addNode calls, 1 = with prefetchName hints, 2 = plain calls with
// eight names only (the hot path: every name found in the set and in the caches).
BENCHMARK(BM_AddNodes)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Finalize(benchmark::State& state) {
  const Plan& p = plan();
  int64_t bytes = 0, names = 0, distinct = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Tree tree;
    initTree(tree);
    buildTree(tree, p, true);
    distinct = static_cast<int64_t>(tree.names.count);
    state.ResumeTiming();
    finalizeTree(tree);
    state.PauseTiming();
    bytes = treeBytes(tree);
    names = static_cast<int64_t>(tree.namePool.committed);
    releaseTree(tree);
    state.ResumeTiming();
  }
  state.counters["bytes_per_node"] = double(bytes) / kNodes;
  state.counters["bytes_per_node_without_names"] = double(bytes - names) / kNodes;
  state.counters["name_pool_MiB"] = double(names) / (1 << 20);
  state.counters["distinct_names"] = double(distinct);
}
BENCHMARK(BM_Finalize)->Unit(benchmark::kMillisecond)->Iterations(2);
}  // namespace

BENCHMARK_MAIN();
