#include "platform/arena.h"

void arenaReserve(Arena& arena, uint64_t bytes) {
  arena = {};
  uint64_t size = roundUpToPage(bytes);
  void* base = reserveAddressSpace(size);
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
