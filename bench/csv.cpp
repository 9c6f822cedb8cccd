// CSV export and import of a synthetic 500 000-file tree: rows per second, bytes
// per second and the memory each adds on top of the tree (sampled while it runs).
//
//   bench_csv --benchmark_min_time=1 [--benchmark_filter=Export]
//   bench_csv --benchmark_filter=Import   (whole import, one thread, parse and build shares)
//   MB_BENCH_CSV_INPUT=export.csv bench_csv --benchmark_filter=Import   (any export instead)
//   MB_BENCH_CSV=/tmp/export.csv bench_csv && python3 bench/peers/csv_peers.py /tmp/export.csv
#include "engine/csv.h"
#include "engine/csv_import_rows.h"
#include "engine/tree.h"
#include "base/utf.h"
#include "platform/platform.h"
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubFolders = 50;
constexpr int kFilesPerFolder = 100;   // 500 000 files, 5 100 folders

// MB_BENCH_CSV names a file to keep for the peers script (bench/peers/csv_peers.py).
std::string benchFile() {
  const char* keep = getenv("MB_BENCH_CSV");
  return keep ? keep : "/tmp/mossbloom-bench-" + std::to_string(getpid()) + ".csv";
}

Tree& syntheticTree() {
  static Tree tree;
  static bool built = false;
  if (built) return tree;
  built = true;
  initTree(tree);
  std::mt19937_64 random(500000);
  tree.rootPath = u"/bench";
  tree.rootIndex = addNode(tree, kNoNode, tree.rootPath.data(), tree.rootPath.size(), 0, 0, true);
  const char16_t* stems[] = {u"report", u"IMG_", u"index", u"Makefile", u"data", u"libfoo", u"\u00E9t\u00E9", u"notes"};
  const char16_t* extensions[] = {u".txt", u".jpg", u".js", u"", u".bin", u".so", u".md", u".dat"};
  for (int t = 0; t < kTopFolders; t++) {
    std::u16string top = u"project" + utf16FromUtf8(std::to_string(t));
    int32_t a = addNode(tree, tree.rootIndex, top.data(), top.size(), 0, 0, true);
    for (int s = 0; s < kSubFolders; s++) {
      std::u16string sub = u"Sub folder " + utf16FromUtf8(std::to_string(s));
      int32_t b = addNode(tree, a, sub.data(), sub.size(), 0, 0, true);
      setTimeAndAttributes(tree, b, 0, 0x10);
      for (int f = 0; f < kFilesPerFolder; f++) {
        int k = static_cast<int>(random() % 8);
        std::u16string name = stems[k] + utf16FromUtf8(std::to_string(f)) + extensions[k];
        int64_t size = static_cast<int64_t>(random() % 5000000);
        int32_t n = addNode(tree, b, name.data(), name.size(), size, (size + 4095) / 4096 * 4096, false);
        int64_t time = kUnixEpochFiletime + static_cast<int64_t>(1300000000 + random() % 400000000) * 10000000;
        setTimeAndAttributes(tree, n, time, 0x20);
      }
    }
  }
  finalizeTree(tree);
  return tree;
}

// CPU seconds of the whole process (all threads): on a shared machine the wall
// clock mostly measures the other tenants.
double processCpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Highest resident set growth over `baseline` while `work` runs, sampled every millisecond.
uint64_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

template <typename Work>
double peakExtraMiB(Work&& work) {
  uint64_t baseline = residentBytes();
  std::atomic<bool> done{false};
  std::atomic<uint64_t> peak{baseline};
  std::thread sampler([&] {
    while (!done.load()) {
      uint64_t now = residentBytes();
      if (now > peak.load()) peak.store(now);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  work();
  done = true;
  sampler.join();
  uint64_t now = residentBytes();
  if (now > peak.load()) peak.store(now);
  return (peak.load() - baseline) / 1048576.0;
}

void Export(benchmark::State& state) {
  Tree& tree = syntheticTree();
  std::u16string path = utf16FromUtf8(benchFile());
  VolumeSummary volume{u"Bench", u"ext4", 1ll << 40, 1ll << 39};
  int64_t rows = 0;
  double extra = 0, cpu = 0;
  for (auto _ : state) {
    ScanProgress progress;
    ExportFailure error;
    double cpuStart = processCpuSeconds();
    bool ok = false;
    extra = std::max(extra, peakExtraMiB([&] { ok = exportCsvWithVolume(tree, path, volume, progress, error); }));
    cpu += processCpuSeconds() - cpuStart;
    if (!ok) state.SkipWithError("export failed");
    rows += progress.done.load();
  }
  std::ifstream file(benchFile(), std::ios::binary | std::ios::ate);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["fileMB"] = static_cast<double>(file.tellg()) / 1e6;
  state.counters["extraMiB"] = extra;
  state.counters["rows/cpu-s"] = rows / cpu;
  state.counters["treeMiB"] = treeBytes(tree) / 1048576.0;
}
BENCHMARK(Export)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor under the import: building the same tree with addNode and finalizing it.
void BuildTreeOnly(benchmark::State& state) {
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    std::u16string name = u"some file name.txt";
    tree.rootIndex = addNode(tree, kNoNode, u"/bench", 6, 0, 0, true);
    int32_t folder = tree.rootIndex;
    for (int i = 0; i < kTopFolders * kSubFolders * (kFilesPerFolder + 1); i++) {
      if (i % (kFilesPerFolder + 1) == 0) {
        name = u"Sub folder " + utf16FromUtf8(std::to_string(i));
        folder = addNode(tree, tree.rootIndex, name.data(), name.size(), 0, 0, true);
        continue;
      }
      name = u"file" + utf16FromUtf8(std::to_string(i % 1000)) + u".txt";
      int32_t n = addNode(tree, folder, name.data(), name.size(), i, (i + 4095) / 4096 * 4096, false);
      setTimeAndAttributes(tree, n, kUnixEpochFiletime + int64_t{1500000000} * 10000000, 0x20);
    }
    finalizeTree(tree);
    releaseTree(tree);
  }
}
BENCHMARK(BuildTreeOnly)->Unit(benchmark::kMillisecond);

// The file the import benchmarks read: MB_BENCH_CSV_INPUT names an existing export
// (a real tree's); otherwise the export of the synthetic tree, written once.
std::string importPath() {
  const char* input = getenv("MB_BENCH_CSV_INPUT");
  return input ? input : benchFile();
}

int64_t importFile(std::u16string& path) {
  static int64_t bytes = -1;
  path = utf16FromUtf8(importPath());
  if (bytes >= 0) return bytes;
  if (getenv("MB_BENCH_CSV_INPUT")) {
    std::ifstream file(importPath(), std::ios::binary | std::ios::ate);
    bytes = static_cast<int64_t>(file.tellg());
    return bytes;
  }
  ScanProgress progress;
  ExportFailure error;
  exportCsvWithVolume(syntheticTree(), path, VolumeSummary{u"Bench", u"ext4", 1ll << 40, 1ll << 39}, progress, error);
  std::ifstream file(benchFile(), std::ios::binary | std::ios::ate);
  bytes = static_cast<int64_t>(file.tellg());
  return bytes;
}

// The whole import as the window runs it: map, parse and build (on two threads for
// a file this size), finalize. MB/s is the wall-clock rate.
void importRuns(benchmark::State& state) {
  std::u16string path;
  int64_t bytes = importFile(path);
  int64_t rows = 0, processed = 0;
  double extra = 0, cpu = 0;
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    ScanProgress progress;
    bool ok = false;
    double cpuStart = processCpuSeconds();
    extra = std::max(extra, peakExtraMiB([&] { ok = importCsvFile(tree, path, progress).ok; }));
    cpu += processCpuSeconds() - cpuStart;
    if (!ok) state.SkipWithError("import failed");
    rows += progress.done.load();
    processed += bytes;
    releaseTree(tree);
  }
  state.SetBytesProcessed(processed);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(processed) / 1e6, benchmark::Counter::kIsRate);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["rows/cpu-s"] = rows / cpu;
  state.counters["MB/cpu-s"] = processed / 1e6 / cpu;
  state.counters["peakMiB"] = extra;   // tree built plus the mapped file's resident pages
}

void Import(benchmark::State& state) { importRuns(state); }
BENCHMARK(Import)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on one thread (the path files under 1 MiB take).
void ImportOneThread(benchmark::State& state) {
  setCsvImportTuningForTesting(SIZE_MAX, 0);
  importRuns(state);
  setCsvImportTuningForTesting(0, 0);
}
BENCHMARK(ImportOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parsing thread's share alone: rows to node records and their times, no tree.
void ImportParseOnly(benchmark::State& state) {
  std::u16string path;
  int64_t bytes = importFile(path);
  std::ifstream file(importPath(), std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  int64_t rows = 0, processed = 0;
  for (auto _ : state) {
    CsvHeader header;
    CsvRow first;
    readCsvHeader(p, data.size(), header, first);
    CsvNodeReader reader;
    startCsvNodes(reader, p, data.size(), header, 0);
    CsvNodeBatch batch;
    CsvTimeReader times;
    int64_t sum = 0;
    do {
      fillCsvNodeBatch(reader, batch, kCsvRowsPerBatch);
      rows += static_cast<int64_t>(batch.count);
      for (size_t i = 0; state.range(0) && i < batch.count; i++) {
        sum += csvTimeOfField(times, batch.records[i].modified, batch.records[i].modifiedLength);
      }
    } while (!batch.last);
    benchmark::DoNotOptimize(sum);
    processed += bytes;
  }
  state.SetBytesProcessed(processed);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(ImportParseOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The building thread's share alone, from records parsed beforehand: adding the
// nodes and converting their times; with argument 1 finalizing as well, which runs
// after both threads. An idle machine's wall time is about the larger of this
// (argument 0) and ImportParseOnly/0, plus finalizing.
void ImportBuildOnly(benchmark::State& state) {
  std::u16string path;
  importFile(path);
  std::ifstream file(importPath(), std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  CsvHeader header;
  CsvRow first;
  readCsvHeader(p, data.size(), header, first);
  CsvNodeReader reader;
  startCsvNodes(reader, p, data.size(), header, 0);
  std::vector<CsvNodeBatch> batches;
  int64_t rows = 0;
  do {
    batches.emplace_back();
    fillCsvNodeBatch(reader, batches.back(), kCsvRowsPerBatch);
    rows += static_cast<int64_t>(batches.back().count);
  } while (!batches.back().last);
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    tree.rootIndex = addNode(tree, kNoNode, header.rootPath.data(), header.rootPath.size(), 0, 0, true);
    CsvTimeReader times;
    ScanProgress progress;
    int64_t added = 1;
    for (const CsvNodeBatch& batch : batches) addCsvNodeBatch(tree, times, batch, progress, added);
    if (state.range(0)) finalizeTree(tree);
    state.PauseTiming();
    releaseTree(tree);
    state.ResumeTiming();
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ImportBuildOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (!getenv("MB_BENCH_CSV")) std::remove(benchFile().c_str());
  return 0;
}
