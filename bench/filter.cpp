// applyFilter over a synthetic 10-million-node tree: a types filter, a name
// pattern, and the pass with no filter at all.
#include "engine/filter.h"
#include <benchmark/benchmark.h>
#include <string>

namespace {

Tree& syntheticTree() {
  static Tree tree = [] {
    Tree t;
    initTree(t);
    t.rootPath = u"C:\\";
    t.rootIndex = addNode(t, kNoNode, u"C:\\", 3, 0, 0, true);
    static const char16_t* kNames[] = {u"index.js", u"README.md", u"photo.jpg", u"clip.mp4", u"data.bin",
                                       u"thumbs.db", u"desktop.ini", u"report.pdf", u"main.cpp", u"song.mp3"};
    const int64_t target = 10'000'000;
    int32_t folder = t.rootIndex;
    uint64_t seed = 1;
    while (t.nodeCount < target) {
      if (t.nodeCount % 21 == 1) {
        std::u16string name = u"folder" + std::u16string(1, u'a' + t.nodeCount % 26);
        int32_t parent = folder == t.rootIndex || seed % 3 ? t.rootIndex : folder;
        folder = addNode(t, parent, name.data(), name.size(), 0, 0, true);
      }
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      const char16_t* name = kNames[(seed >> 33) % 10];
      int64_t size = static_cast<int64_t>((seed >> 40) % 70000);
      addNode(t, folder, name, std::char_traits<char16_t>::length(name), size, size, false);
    }
    finalizeTree(t);
    return t;
  }();
  return tree;
}

void run(benchmark::State& state, const char16_t* names, const char16_t* types) {
  Tree& tree = syntheticTree();
  CompiledFilter filter = compileFilter(names, types, 0);
  std::vector<float> weights;
  int64_t matches = 0;
  for (auto _ : state) {
    matches = applyFilter(tree, filter, false, weights, nullptr, false);
    benchmark::DoNotOptimize(weights.data());
  }
  state.counters["nodes"] = static_cast<double>(tree.nodeCount);
  state.counters["matches"] = static_cast<double>(matches);
}

void BM_FilterTypes(benchmark::State& state) { run(state, u"", u"jpg, video"); }
void BM_FilterNames(benchmark::State& state) { run(state, u"*.cpp;report", u""); }
void BM_FilterNone(benchmark::State& state) { run(state, u"", u""); }

}  // namespace

BENCHMARK(BM_FilterTypes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterNone)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
