// A reserved range of address space committed as it grows. Elements never move;
// growing past the reservation or a failed commit is the out-of-memory failure.
#pragma once
#include "platform/platform.h"

struct Arena {
  uint8_t* base = nullptr;
  uint64_t reserved = 0;    // bytes of address space
  uint64_t committed = 0;   // bytes usable from base
};

// Reserves `bytes` (rounded up to pages). When the address space is limited and refuses
// that, a smaller reservation that leaves room for others (`reserved` tells its size);
// out of memory when not even 1 MiB fits.
void arenaReserve(Arena& arena, uint64_t bytes);
void arenaRelease(Arena& arena);

// Makes at least `bytes` usable. Grows to the larger of the request and
// committed + max(committed / 8, 1 MiB), rounded up to a page, within the reservation.
void arenaEnsure(Arena& arena, uint64_t bytes);

// Gives back the pages past `usedBytes` rounded up to a page.
void arenaTrim(Arena& arena, uint64_t usedBytes);

constexpr uint64_t roundUpToPage(uint64_t bytes) { return (bytes + kPageBytes - 1) & ~(kPageBytes - 1); }
