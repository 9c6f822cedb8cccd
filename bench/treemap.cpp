// Treemap layout and raster timings on synthetic trees shaped like a real drive:
// folders of 20 to 60 entries, nested 3 to 6 deep, sizes spread over six decades.
//
//   bench_treemap --benchmark_filter=Layout500k   (and Layout10M, Raster500k)
#include "treemap/treemap.h"
#include <benchmark/benchmark.h>
#include <memory>
#include <random>
#include <vector>

namespace {
struct SyntheticTree {
  Tree tree;
  int64_t files = 0;
};

// Breadth-first like the directory walk: each folder gets files and subfolders until
// the file budget is spent.
std::unique_ptr<SyntheticTree> buildSyntheticTree(int64_t fileBudget) {
  auto s = std::make_unique<SyntheticTree>();
  initTree(s->tree);
  std::mt19937_64 random(fileBudget);
  static const char16_t* kNames[] = {u"index.js", u"photo.jpg", u"report.pdf", u"setup.exe",
                                     u"movie.mp4", u"data.bin", u"notes.txt", u"lib.dll",
                                     u"archive.zip", u"README", u"main.cpp", u"song.mp3"};
  int32_t root = addNode(s->tree, kNoNode, u"C:\\", 3, 0, 0, true);
  s->tree.rootIndex = root;
  s->tree.rootPath = u"C:\\";
  std::vector<int32_t> queue{root};
  for (size_t head = 0; head < queue.size() && s->files < fileBudget; ++head) {
    int32_t folder = queue[head];
    int entries = 20 + int(random() % 41);
    int subfolders = head < 4 ? 8 : int(random() % 4);
    for (int i = 0; i < subfolders; ++i) queue.push_back(addNode(s->tree, folder, u"sub", 3, 0, 0, true));
    for (int i = subfolders; i < entries && s->files < fileBudget; ++i, ++s->files) {
      int decade = int(random() % 6);
      int64_t size = int64_t(random() % 1000 + 1);
      for (int d = 0; d < decade; ++d) size *= 10;
      const char16_t* name = kNames[random() % 12];
      size_t length = 0;
      while (name[length]) ++length;
      addNode(s->tree, folder, name, length, size, size, false);
    }
  }
  finalizeTree(s->tree);
  return s;
}

const SyntheticTree& tree500k() {
  static std::unique_ptr<SyntheticTree> tree = buildSyntheticTree(500000);
  return *tree;
}

void runLayout(benchmark::State& state, const SyntheticTree& s) {
  TreemapLayout layout;
  for (auto _ : state) {
    layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, 0, false);
    benchmark::DoNotOptimize(layout.rectCount);
  }
  state.counters["nodes"] = double(s.tree.nodeCount);
  state.counters["rects"] = double(layout.rectCount);
  state.counters["ns/node"] = benchmark::Counter(double(s.tree.nodeCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  releaseTreemapLayout(layout);
}

void Layout500k(benchmark::State& state) { runLayout(state, tree500k()); }
void Layout10M(benchmark::State& state) {
  static std::unique_ptr<SyntheticTree> tree = buildSyntheticTree(9500000);
  runLayout(state, *tree);
}

void Layout500kGapGlow(benchmark::State& state) {
  const SyntheticTree& s = tree500k();
  TreemapLayout layout;
  for (auto _ : state) {
    layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, 3, true);
    benchmark::DoNotOptimize(layout.rectCount);
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["gapLines"] = double(layout.gapLines.size());
  releaseTreemapLayout(layout);
}

void rasterWithScheme(benchmark::State& state, int32_t scheme, int32_t gap, int32_t patternSize) {
  const SyntheticTree& s = tree500k();
  setCurrentMapSchemeIndex(scheme);
  TreemapLayout layout;
  layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, gap, false);
  std::vector<uint32_t> pixels(1920 * 1080);
  for (auto _ : state) {
    rasterTreemap(layout, pixels.data(), pixels.size(), 1920, 1080, 0xFFFFFFFF, patternSize);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["ns/pixel"] = benchmark::Counter(1920.0 * 1080.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  releaseTreemapLayout(layout);
  setCurrentMapSchemeIndex(0);
}

void Raster500k(benchmark::State& state) { rasterWithScheme(state, 0, 0, 0); }
void Raster500kPatterns(benchmark::State& state) { rasterWithScheme(state, 0, 0, 8); }
void Raster500kLavaHalo(benchmark::State& state) { rasterWithScheme(state, 4, 3, 0); }
}  // namespace

BENCHMARK(Layout500k)->Unit(benchmark::kMillisecond);
BENCHMARK(Layout500kGapGlow)->Unit(benchmark::kMillisecond);
BENCHMARK(Layout10M)->Unit(benchmark::kMillisecond);
BENCHMARK(Raster500k)->Unit(benchmark::kMillisecond);
BENCHMARK(Raster500kPatterns)->Unit(benchmark::kMillisecond);
BENCHMARK(Raster500kLavaHalo)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
