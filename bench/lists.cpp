// The lists and the filter bar on large trees:
//   FilesRows1M      a view root with 1 000 000 files: collecting the rows and ordering
//                    the first 10 000 (what opening the Files list costs); ByName after
//                    a click on "Name"
//   FilesScroll1M    reading a row inside the ordered prefix (scrolling): no work per row
//   ExtensionRows1M  the Extensions rows of the same view
//   TypeSuggestions  the types field's suggestions per keystroke
//   FilterToMap10M   the end of the typing pause to a new map, 10 million nodes, at the
//                    default window's map size: the weights, the layout, the raster
//
//   bench_lists [--benchmark_filter=FilesRows1M]
#include "engine/extensions.h"
#include "treemap/treemap.h"
#include "ui/extension_rows.h"
#include "ui/file_rows.h"
#include "ui/filter_bar.h"
#include "ui/layout.h"
#include "ui/suggestions.h"
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Files in folders of 20 to 60 entries, three levels deep, sizes over six decades and
// many of them equal, names from a small set (so many equal names too).
std::unique_ptr<Tree> buildTree(int64_t nodeBudget) {
  auto tree = std::make_unique<Tree>();
  Tree& t = *tree;
  initTree(t);
  t.rootPath = u"C:\\";
  t.rootIndex = addNode(t, kNoNode, u"C:\\", 3, 0, 0, true);
  static const char16_t* kNames[] = {u"index.js", u"photo.jpg", u"report.pdf", u"setup.exe", u"movie.mp4", u"data.bin",
                                     u"notes.txt", u"lib.dll",   u"archive.zip", u"README",  u"main.cpp",  u"song.mp3"};
  std::mt19937_64 random(static_cast<uint64_t>(nodeBudget));
  std::vector<int32_t> queue{t.rootIndex};
  for (size_t head = 0; head < queue.size() && t.nodeCount < nodeBudget; ++head) {
    const int32_t folder = queue[head];
    const int entries = 20 + int(random() % 41);
    const int subfolders = head < 40 ? 8 : 1 + int(random() % 2);
    for (int i = 0; i < subfolders; ++i) {
      std::u16string name = u"folder" + std::u16string(1, char16_t(u'a' + random() % 26));
      queue.push_back(addNode(t, folder, name.data(), name.size(), 0, 0, true));
    }
    for (int i = subfolders; i < entries && t.nodeCount < nodeBudget; ++i) {
      int64_t size = int64_t(random() % 1000 + 1);
      for (int d = int(random() % 6); d > 0; --d) size *= 10;
      const char16_t* name = kNames[random() % 12];
      // On disk as a 4 KiB cluster size gives it: no exception to store, as for most real files.
      const int64_t onDisk = (size + 4095) / 4096 * 4096;
      addNode(t, folder, name, std::char_traits<char16_t>::length(name), size, onDisk, false);
    }
  }
  aggregateTree(t);
  return tree;
}

Tree& millionFiles() {
  static std::unique_ptr<Tree> tree = buildTree(1'040'000);
  return *tree;
}

void runFilesRows(benchmark::State& state, FileSortKey key, bool ascending) {
  Tree& tree = millionFiles();
  FileRows rows;
  rows.key = key;
  rows.ascending = ascending;
  const FileOrder order{&tree, false, nullptr};
  for (auto _ : state) {
    collectFiles(tree, tree.rootIndex, nullptr, 0, rows.nodes);
    sortFileRows(rows, order);
    benchmark::DoNotOptimize(rows.nodes.data());
  }
  state.counters["files"] = double(rows.nodes.size());
  state.counters["ordered"] = double(rows.ordered);
}
void FilesRows1M(benchmark::State& state) { runFilesRows(state, FileSortKey::Size, false); }
void FilesRowsByName1M(benchmark::State& state) { runFilesRows(state, FileSortKey::Name, true); }

void FilesScroll1M(benchmark::State& state) {
  Tree& tree = millionFiles();
  FileRows rows;
  const FileOrder order{&tree, false, nullptr};
  collectFiles(tree, tree.rootIndex, nullptr, 0, rows.nodes);
  sortFileRows(rows, order);
  int64_t row = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fileRowNode(rows, order, row));
    row = (row + 37) % 10000;
  }
  if (rows.ordered != 10000) state.SkipWithError("scrolling inside the prefix ordered more rows");
}

void ExtensionRows1M(benchmark::State& state) {
  Tree& tree = millionFiles();
  ExtensionRows rows;
  for (auto _ : state) {
    buildExtensionRows(rows, tree, tree.rootIndex, nullptr, 0, false);
    benchmark::DoNotOptimize(rows.order.data());
  }
  state.counters["types"] = double(rows.entries.size());
}

void TypeSuggestions(benchmark::State& state) {
  Tree& tree = millionFiles();
  size_t count = 0;
  for (auto _ : state) {
    count = typeSuggestions(tree, u"video, m").size();
    benchmark::DoNotOptimize(count);
  }
  state.counters["items"] = double(count);
}

// Widths only matter for the layout's text-sized pieces, not for the map's area.
class RoughMeasurer : public TextMeasurer {
 public:
  double textWidth(TextStyle, std::u16string_view text) const override { return 7.0 * double(text.size()); }
};

void FilterToMap10M(benchmark::State& state) {
  static std::unique_ptr<Tree> tree = buildTree(10'000'000);
  // The default window: 1280 × 820 outside, so about 1264 × 781 of client area.
  ViewState s;
  s.dpi = 96;
  s.clientWidth = 1264;
  s.clientHeight = 781;
  s.outerWidth = 1280;
  s.shown.tree = tree.get();
  s.shown.viewRoot = tree->rootIndex;
  s.shown.path = tree->rootPath;
  s.filter.types = u"jpg, video";
  RoughMeasurer measure;
  const PixelRect map = layoutWindow(s, measure).content.map;
  std::vector<float> weights;
  std::vector<uint32_t> pixels(size_t(map.width()) * size_t(map.height()));
  TreemapLayout cells;
  // The steps in processor time: on a shared machine the wall clock mostly measures the neighbours.
  auto cpuMs = [] { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; };
  double filterMs = 0, layoutMs = 0, rasterMs = 0;
  for (auto _ : state) {
    Outcome out;
    const double start = cpuMs();
    applyFilters(s, weights, nullptr, out);
    const double filtered = cpuMs();
    layoutTreemap(cells, *tree, tree->rootIndex, map.width(), map.height(), s.shown.weights, s.shown.weightCount, 0,
                  false, kMapSchemes[0]);
    const double laidOut = cpuMs();
    rasterTreemap(cells, pixels.data(), pixels.size(), map.width(), map.height(), 0xFFFFFFFF, 0, kMapSchemes[0]);
    benchmark::DoNotOptimize(pixels.data());
    filterMs += filtered - start;
    layoutMs += laidOut - filtered;
    rasterMs += cpuMs() - laidOut;
  }
  const double runs = double(state.iterations());
  state.counters["filterMs"] = filterMs / runs;
  state.counters["layoutMs"] = layoutMs / runs;
  state.counters["rasterMs"] = rasterMs / runs;
  state.counters["nodes"] = double(tree->nodeCount);
  state.counters["matches"] = double(s.shown.matchingCount);
  state.counters["rects"] = double(cells.rectCount);
  state.counters["mapWidth"] = map.width();
  state.counters["mapHeight"] = map.height();
  releaseTreemapLayout(cells);
}

}  // namespace

BENCHMARK(FilesRows1M)->Unit(benchmark::kMillisecond);
BENCHMARK(FilesRowsByName1M)->Unit(benchmark::kMillisecond);
BENCHMARK(FilesScroll1M);
BENCHMARK(ExtensionRows1M)->Unit(benchmark::kMillisecond);
BENCHMARK(TypeSuggestions)->Unit(benchmark::kMicrosecond);
BENCHMARK(FilterToMap10M)->Unit(benchmark::kMillisecond)->Iterations(4);

BENCHMARK_MAIN();
