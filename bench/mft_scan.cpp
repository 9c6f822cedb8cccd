// The fast scan of a large NTFS image (MB_MFT_IMAGE, made by bench/make_mft_image.sh)
// against the floor: reading the same table bytes and nothing else.
// Run through bench/run_mft_bench.sh, which also times dd and an ntfs-3g walk.
#include "engine/mft_format.h"
#include "engine/mft_scan.h"
#include "engine/utf.h"
#include "platform/arena.h"
#include "platform/platform.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

namespace {

const char* imagePath() { return std::getenv("MB_MFT_IMAGE"); }

// Byte ranges of the table, from the boot sector and record 0.
std::vector<std::pair<uint64_t, uint64_t>> tableExtents(VolumeHandle& handle) {
  std::vector<std::pair<uint64_t, uint64_t>> extents;
  uint8_t sector[512];
  NtfsVolumeData data;
  if (!readVolumeAt(handle, 0, sector, 512) || !ntfsVolumeDataFromBootSector(sector, data)) return extents;
  std::vector<uint8_t> record(size_t(data.bytesPerRecord));
  if (!readVolumeAt(handle, uint64_t(data.mftStartLcn * data.bytesPerCluster), record.data(), uint32_t(record.size())) ||
      !applyUpdateSequence(record.data(), uint32_t(record.size()))) {
    return extents;
  }
  AttributeWalk walk;
  MftAttribute attribute;
  startAttributeWalk(walk, record.data(), uint32_t(record.size()));
  while (nextAttribute(walk, attribute)) {
    if (attribute.type != kAttrData || attribute.nameLength != 0 || !attribute.nonResident) continue;
    NonResidentInfo info;
    nonResidentInfo(attribute, info);
    std::vector<DataRun> runs;
    decodeRunList(attribute, runs);
    uint64_t left = uint64_t(info.dataSize);
    for (const DataRun& run : runs) {
      uint64_t bytes = std::min<uint64_t>(uint64_t(run.clusters * data.bytesPerCluster), left);
      if (run.start >= 0) extents.push_back({uint64_t(run.start * data.bytesPerCluster), bytes});
      left -= bytes;
    }
    break;
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
  for (auto _ : state) {
    Tree tree;
    initTree(tree);
    ScanProgress progress;
    std::u16string error;
    if (!mftScanImage(tree, utf16FromUtf8(imagePath()), progress, error)) {
      state.SkipWithError(utf8FromUtf16(error).c_str());
      releaseTree(tree);
      return;
    }
    finalizeTree(tree);
    records = progress.total.load();
    files = tree.fileCount;
    treeMemory = treeBytes(tree);
    releaseTree(tree);
  }
  uint64_t peak = memoryCounters().peakWorkingSet;
  state.counters["records"] = double(records);
  state.counters["files"] = double(files);
  state.counters["tree_bytes_per_record"] = double(treeMemory) / double(records);
  state.counters["peak_bytes_per_record"] = double(peak - before) / double(records);
}

}  // namespace

BENCHMARK(BM_ReadTableBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_MftScanAndFinalize)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_MAIN();
