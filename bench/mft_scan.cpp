// The fast scan of a large NTFS image (MB_MFT_IMAGE, made by bench/make_mft_image.sh)
// against the floor: reading the same table bytes and nothing else.
// Run through bench/run_mft_bench.sh, which also times dd and an ntfs-3g walk.
#include "engine/mft_format.h"
#include "app/failure_text.h"
#include "engine/mft_layout.h"
#include "engine/mft_scan.h"
#include "base/utf.h"
#include "platform/arena.h"
#include "platform/platform.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

namespace {

const char* imagePath() { return std::getenv("MB_MFT_IMAGE"); }

// Byte ranges of the table, from the boot sector and record 0 (with its attribute list).
std::vector<std::pair<uint64_t, uint64_t>> tableExtents(VolumeHandle& handle) {
  std::vector<std::pair<uint64_t, uint64_t>> extents;
  uint8_t sector[512];
  MftVolumeReader reader;
  reader.context = &handle;
  reader.read = readMftVolumeHandle;
  if (!readVolumeAt(handle, 0, sector, 512) || !ntfsVolumeDataFromBootSector(sector, reader.data)) return extents;
  std::vector<uint8_t> buffer(4u << 20);
  TableLayout layout;
  MftFailure error = MftFailure::None;
  if (!readTableLayout(reader, buffer.data(), uint32_t(buffer.size()), layout, error)) return extents;
  uint64_t left = uint64_t(std::max<int64_t>(layout.dataSize, 0));
  for (const DataRun& run : layout.dataRuns) {
    uint64_t bytes = std::min<uint64_t>(uint64_t(run.clusters * reader.data.bytesPerCluster), left);
    if (run.start >= 0) extents.push_back({uint64_t(run.start * reader.data.bytesPerCluster), bytes});
    left -= bytes;
  }
  return extents;
}

void BM_ReadTableBytes(benchmark::State& state) {
  if (!imagePath()) return state.SkipWithError("set MB_MFT_IMAGE to an NTFS image");
  VolumeHandle handle;
  uint64_t size = 0;
  if (openVolumeImage(imagePath(), handle, size) != VolumeOpenResult::Opened) return state.SkipWithError("cannot open");
  // Page-aligned like the scan's own buffer: a misaligned one makes the kernel's copy
  // several times slower and the floor too low a bar.
  Arena arena;
  arenaReserve(arena, 4 << 20);
  arenaEnsure(arena, 4 << 20);
  uint8_t* buffer = arena.base;
  const uint32_t bufferBytes = 4 << 20;
  uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (auto [offset, bytes] : tableExtents(handle)) {
      for (uint64_t done = 0; done < bytes;) {
        uint32_t piece = uint32_t(std::min<uint64_t>(bytes - done, bufferBytes));
        if (!readVolumeAt(handle, offset + done, buffer, piece)) return state.SkipWithError("read failed");
        done += piece;
        total += piece;
      }
    }
    benchmark::DoNotOptimize(buffer);
  }
  state.counters["table_MiB"] = double(total) / (1 << 20);
  arenaRelease(arena);
  closeVolume(handle);
}

void BM_MftScanAndFinalize(benchmark::State& state) {
  if (!imagePath()) return state.SkipWithError("set MB_MFT_IMAGE to an NTFS image");
  uint64_t before = memoryCounters().workingSet;
  int64_t records = 0, files = 0, treeMemory = 0;
  // The first scan of a process and the later ones differ: the C library keeps some of
  // the heap the first one freed.
  uint64_t firstPeak = 0;
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    ScanProgress progress;
    MftFailure error = MftFailure::None;
    if (!mftScanImage(tree, utf16FromUtf8(imagePath()), progress, error)) {
      state.SkipWithError(utf8FromUtf16(std::u16string(mftFailureText(error))).c_str());
      releaseTree(tree);
      return;
    }
    finalizeTree(tree);
    records = progress.total.load();
    files = tree.fileCount;
    treeMemory = treeBytes(tree);
    releaseTree(tree);
    if (!firstPeak) firstPeak = memoryCounters().peakWorkingSet;
  }
  uint64_t peak = memoryCounters().peakWorkingSet;
  state.counters["records"] = double(records);
  if (firstPeak) state.counters["first_peak_bytes_per_record"] = double(firstPeak - before) / double(records);
  state.counters["files"] = double(files);
  state.counters["tree_bytes_per_record"] = double(treeMemory) / double(records);
  state.counters["peak_bytes_per_record"] = double(peak - before) / double(records);
}

}  // namespace

BENCHMARK(BM_ReadTableBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_MftScanAndFinalize)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
// One scan in a fresh process, for its maximum resident set (run_mft_bench.sh).
BENCHMARK(BM_MftScanAndFinalize)->Name("BM_MftScanOnce")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
