// The directory walk plus finalize on a real folder tree.
//   bench_walk --once PATH      one walk + finalize, prints the counts (for hyperfine
//                               and /usr/bin/time beside du and gdu, scripts/bench-walk.sh);
//                               with MB_WALK_PHASES set, the time of each phase on stderr
//   bench_walk [benchmark flags] with MB_WALK_ROOT=PATH: Google Benchmark loop
#include "engine/tree.h"
#include "base/utf.h"
#include "engine/walk.h"
#include "platform/platform.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
struct WalkResult {
  int64_t files = 0, folders = 0, bytes = 0;
  double walkMs = 0, finalizeMs = 0, releaseMs = 0;
};

double millisecondsSince(double& start) {
  double now = nowMs();
  double ms = now - start;
  start = now;
  return ms;
}

WalkResult walkOnce(const std::u16string& root) {
  WalkResult result;
  Thread thread = startClosureThread(kEngineThreadStackBytes, [&]() -> uint32_t {
    markWorkerThread();
    Tree tree;
    initTree(tree);
    ScanProgress progress;
    double clock = nowMs();
    walkScan(tree, root, progress);
    result.walkMs = millisecondsSince(clock);
    finalizeTree(tree);
    result.finalizeMs = millisecondsSince(clock);
    result.files = tree.fileCount;
    result.folders = tree.folderCount;
    result.bytes = logicalSize(tree, tree.rootIndex);
    releaseTree(tree);
    result.releaseMs = millisecondsSince(clock);
    return 0;
  });
  if (joinThread(thread) == kExitOutOfMemory) {
    fprintf(stderr, "out of memory\n");
    exit(1);
  }
  return result;
}

void BM_WalkAndFinalize(benchmark::State& state) {
  const char* root = getenv("MB_WALK_ROOT");
  if (!root) {
    state.SkipWithError("set MB_WALK_ROOT to a folder");
    return;
  }
  std::u16string path = utf16FromUtf8(root);
  WalkResult r;
  for (auto _ : state) r = walkOnce(path);
  state.counters["files"] = static_cast<double>(r.files);
  state.counters["folders"] = static_cast<double>(r.folders);
}
BENCHMARK(BM_WalkAndFinalize)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
  installOutOfMemoryHandler();
  if (argc == 3 && strcmp(argv[1], "--once") == 0) {
    WalkResult r = walkOnce(utf16FromUtf8(argv[2]));
    printf("%lld files, %lld folders, %lld bytes\n", static_cast<long long>(r.files),
           static_cast<long long>(r.folders), static_cast<long long>(r.bytes));
    if (getenv("MB_WALK_PHASES"))
      fprintf(stderr, "walk %.1f ms, finalize %.1f ms, release %.1f ms\n", r.walkMs, r.finalizeMs, r.releaseMs);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
