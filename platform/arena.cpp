#include "platform/arena.h"

namespace {
constexpr uint64_t kSmallestFallback = 1ull << 20;

// The arrays reserve far more than most scans use. Where the address space is limited
// (ulimit -v, a job object) the full size is refused: find the largest size that still
// fits by halving, then keep a quarter of it, so that the arrays reserved after this
// one, thread stacks and the heap find room too. A scan that outgrows it runs out of
// memory as it would with less memory.
void* reserveWhatFits(uint64_t& size) {
  uint64_t fits = size / 2;
  void* probe = nullptr;
  while (fits >= kSmallestFallback && !(probe = reserveAddressSpace(roundUpToPage(fits)))) fits /= 2;
  if (!probe) return nullptr;
  releaseAddressSpace(probe, roundUpToPage(fits));
  uint64_t kept = fits / 4 > kSmallestFallback ? fits / 4 : kSmallestFallback;
  if (kept > fits) kept = fits;
  size = roundUpToPage(kept);
  return reserveAddressSpace(size);
}
}  // namespace

void arenaReserve(Arena& arena, uint64_t bytes) {
  arena = {};
  uint64_t size = roundUpToPage(bytes);
  void* base = reserveAddressSpace(size);
  if (!base && size > kSmallestFallback) base = reserveWhatFits(size);
  if (!base) failOutOfMemory();
  arena.base = static_cast<uint8_t*>(base);
  arena.reserved = size;
}

void arenaRelease(Arena& arena) {
  if (arena.base) releaseAddressSpace(arena.base, arena.reserved);
  arena = {};
}

void arenaEnsure(Arena& arena, uint64_t bytes) {
  if (bytes <= arena.committed) return;
  if (bytes > arena.reserved) failOutOfMemory();
  uint64_t step = arena.committed / 8 > (1ull << 20) ? arena.committed / 8 : (1ull << 20);
  uint64_t target = arena.committed + step;
  if (target < bytes) target = bytes;
  target = roundUpToPage(target);
  if (target > arena.reserved) target = arena.reserved;
  if (!commitMemory(arena.base + arena.committed, target - arena.committed)) failOutOfMemory();
  arena.committed = target;
}

void arenaTrim(Arena& arena, uint64_t usedBytes) {
  uint64_t keep = roundUpToPage(usedBytes);
  if (keep >= arena.committed) return;
  decommitMemory(arena.base + keep, arena.committed - keep);
  arena.committed = keep;
}
