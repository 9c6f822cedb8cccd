// Treemap layout and raster timings on synthetic trees shaped like a real drive:
// folders of 20 to 60 entries, nested 3 to 6 deep, sizes spread over six decades.
//
//   bench_treemap --benchmark_filter=Layout500k   (and Layout10M, Raster500k)
//   bench_treemap --benchmark_filter='Lava|FlowRuns'   (the glow against the raster of the same map)
#include "treemap/treemap.h"
#include "treemap/lava.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

// The scheme the maps of this file are drawn with.
static int32_t gTestScheme = 0;

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
    layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, 0, false, mapSchemeAt(gTestScheme));
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
    layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
    benchmark::DoNotOptimize(layout.rectCount);
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["gapLines"] = double(layout.gapLines.size());
  releaseTreemapLayout(layout);
}

void rasterWithScheme(benchmark::State& state, int32_t scheme, int32_t gap, int32_t patternSize) {
  const SyntheticTree& s = tree500k();
  gTestScheme = scheme;
  TreemapLayout layout;
  layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, gap, false, mapSchemeAt(gTestScheme));
  std::vector<uint32_t> pixels(1920 * 1080);
  for (auto _ : state) {
    rasterTreemap(layout, pixels.data(), pixels.size(), 1920, 1080, 0xFFFFFFFF, patternSize, mapSchemeAt(gTestScheme));
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["ns/pixel"] = benchmark::Counter(1920.0 * 1080.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  releaseTreemapLayout(layout);
  gTestScheme = 0;
}

// --- Lava ------------------------------------------------------------------------------
// The lava scheme's map of the 500 000-file tree at 1920 x 1080 with a gap of 3: its
// raster and one CPU glow step (copy the raster, add the glow) at a given progress.
struct LavaMap {
  TreemapLayout layout;
  std::vector<uint32_t> raster = std::vector<uint32_t>(1920 * 1080);
  LavaMap() {
    const SyntheticTree& s = tree500k();
    gTestScheme = 4;
    layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920, 1080, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
    rasterTreemap(layout, raster.data(), raster.size(), 1920, 1080, kMapSchemes[4].background, 0, mapSchemeAt(gTestScheme));
    gTestScheme = 0;
  }
};

LavaMap& lavaMap() {
  static LavaMap map;
  return map;
}

void LavaRaster500k(benchmark::State& state) {
  LavaMap& map = lavaMap();
  gTestScheme = 4;
  std::vector<uint32_t> pixels(map.raster.size());
  for (auto _ : state) {
    rasterTreemap(map.layout, pixels.data(), pixels.size(), 1920, 1080, kMapSchemes[4].background, 0, mapSchemeAt(gTestScheme));
    benchmark::DoNotOptimize(pixels.data());
  }
  gTestScheme = 0;
  state.counters["rects"] = double(map.layout.rectCount);
}

// state.range(0): the progress in percent of the whole flow (100 = at rest, every
// pixel of the network reached: the most work).
void LavaStep500k(benchmark::State& state) {
  LavaMap& map = lavaMap();
  int32_t t = int32_t(int64_t(lavaTotal(map.layout)) * state.range(0) / 100);
  std::vector<uint32_t> frame(map.raster.size());
  for (auto _ : state) {
    std::memcpy(frame.data(), map.raster.data(), frame.size() * sizeof(uint32_t));
    drawLavaFlow(map.layout, frame.data(), frame.size(), 1920, 1080, t);
    benchmark::DoNotOptimize(frame.data());
  }
  state.counters["runs"] = double(map.layout.flowRuns.size());
  state.counters["t"] = t;
}

// buildFlowRuns alone on the gap lines of the 500 000-file tree laid out on maps of
// 1, 2, 4 and 8 times 1920 x 1080 in each direction: more room, more gapped rectangles.
void FlowRuns500k(benchmark::State& state) {
  const SyntheticTree& s = tree500k();
  int32_t scale = int32_t(state.range(0));
  TreemapLayout layout;
  layoutTreemap(layout, s.tree, s.tree.rootIndex, 1920 * scale, 1080 * scale, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  for (auto _ : state) {
    buildFlowRuns(layout);
    benchmark::DoNotOptimize(layout.flowRuns.data());
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["gapLines"] = double(layout.gapLines.size());
  state.counters["runs"] = double(layout.flowRuns.size());
  state.counters["ns/rect"] = benchmark::Counter(double(layout.rectCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["ns/line"] = benchmark::Counter(double(layout.gapLines.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  releaseTreemapLayout(layout);
}

// buildFlowRuns on layouts of growing size with rectangles of the same size: n equal
// files in folders of 50 on a 16:9 map of 400 pixels per file, gap 3. Every file and
// folder is separated by gaps, so the gap lines grow with n and so does their length.
void FlowRunsTiles(benchmark::State& state) {
  int64_t files = state.range(0);
  Tree tree;
  initTree(tree);
  int32_t root = addNode(tree, kNoNode, u"T:\\", 3, 0, 0, true);
  tree.rootIndex = root;
  tree.rootPath = u"T:\\";
  for (int64_t i = 0; i < files; i += 50) {
    int32_t folder = addNode(tree, root, u"d", 1, 0, 0, true);
    for (int64_t k = i; k < files && k < i + 50; ++k) addNode(tree, folder, u"f.bin", 5, 1000, 1000, false);
  }
  finalizeTree(tree);
  double area = double(files) * 400;
  int32_t width = int32_t(std::sqrt(area * 16 / 9)), height = int32_t(area / width);
  TreemapLayout layout;
  layoutTreemap(layout, tree, root, width, height, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  for (auto _ : state) {
    buildFlowRuns(layout);
    benchmark::DoNotOptimize(layout.flowRuns.data());
  }
  state.counters["rects"] = double(layout.rectCount);
  state.counters["gapLines"] = double(layout.gapLines.size());
  state.counters["ns/rect"] = benchmark::Counter(double(layout.rectCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  releaseTreemapLayout(layout);
  releaseTree(tree);
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
BENCHMARK(LavaRaster500k)->Unit(benchmark::kMillisecond);
BENCHMARK(LavaStep500k)->Arg(100)->Arg(50)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(FlowRuns500k)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(FlowRunsTiles)->Arg(25000)->Arg(100000)->Arg(400000)->Arg(1600000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
