#include "platform/arena.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(Arena, GrowthRuleTable) {
  struct Case {
    uint64_t committed, request, expected;
  } cases[] = {
      {0, 1, 1 << 20},                        // the first step is 1 MiB
      {0, 5u << 20, 5u << 20},                 // a larger request wins
      {1 << 20, (1 << 20) + 1, 2u << 20},      // committed/8 is below 1 MiB
      {64u << 20, (64u << 20) + 1, 72u << 20}, // committed/8
      {64u << 20, 100u << 20, 100u << 20},
      {0, 4097, 1 << 20},
  };
  for (const Case& c : cases) {
    Arena arena;
    arenaReserve(arena, 1ull << 30);
    if (c.committed) arenaEnsure(arena, c.committed);
    ASSERT_EQ(arena.committed, c.committed ? roundUpToPage(std::max<uint64_t>(c.committed, 1 << 20)) : 0u);
    arenaEnsure(arena, c.request);
    EXPECT_EQ(arena.committed, c.expected) << c.committed << " + " << c.request;
    arenaRelease(arena);
  }
}

TEST(Arena, GrowthStopsAtTheReservation) {
  Arena arena;
  arenaReserve(arena, 3 * kPageBytes + 1);
  EXPECT_EQ(arena.reserved, 4 * kPageBytes);
  arenaEnsure(arena, 10);
  EXPECT_EQ(arena.committed, arena.reserved);  // 1 MiB step, limited to the reservation
  arenaRelease(arena);
  EXPECT_EQ(arena.base, nullptr);
}

TEST(Arena, ElementsNeverMoveAndMemoryIsZeroed) {
  Arena arena;
  arenaReserve(arena, 256ull << 20);
  arenaEnsure(arena, 100);
  uint8_t* first = arena.base;
  first[0] = 42;
  for (uint64_t size = 1 << 20; size <= (64u << 20); size *= 2) {
    arenaEnsure(arena, size);
    EXPECT_EQ(arena.base, first);
    EXPECT_EQ(arena.base[size - 1], 0);
    arena.base[size - 1] = 7;
  }
  EXPECT_EQ(first[0], 42);
  arenaRelease(arena);
}

TEST(Arena, TrimGivesBackTailAndRecommitReadsZero) {
  Arena arena;
  arenaReserve(arena, 64ull << 20);
  arenaEnsure(arena, 8u << 20);
  memset(arena.base, 0xAB, arena.committed);
  arenaTrim(arena, 5000);
  EXPECT_EQ(arena.committed, 2 * kPageBytes);
  EXPECT_EQ(arena.base[4999], 0xAB);  // kept pages keep their contents
  arenaEnsure(arena, 3u << 20);
  EXPECT_EQ(arena.base[(3u << 20) - 1], 0);  // given-back pages come back empty
  arenaTrim(arena, 100u << 20);            // beyond committed: nothing to give back
  EXPECT_GE(arena.committed, 3u << 20);
  arenaRelease(arena);
}

TEST(Arena, HugeReservationCostsNoMemory) {
  MemoryCounters before = memoryCounters();
  Arena arena;
  arenaReserve(arena, 24ull << 30);  // the node arena's reservation
  MemoryCounters after = memoryCounters();
  EXPECT_LT(after.privateBytes, before.privateBytes + (64u << 20));
  arenaRelease(arena);
}

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#define MB_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MB_SANITIZED 1
#endif
#endif

// In a child with 1 GiB of address space: five reservations the size of a tree's still
// succeed, each leaving room for the next, and all of them stay usable.
TEST(Arena, ALimitedAddressSpaceGetsSmallerReservations) {
#if defined(MB_SANITIZED)
  GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the limit";
#else
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit = {1ull << 30, 1ull << 30};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    Arena arenas[5];
    const uint64_t sizes[5] = {24ull << 30, 4ull << 30, 4ull << 30, 1ull << 30, 16ull << 30};
    uint64_t total = 0;
    for (int i = 0; i < 5; i++) {
      arenaReserve(arenas[i], sizes[i]);   // out of memory would end the child with 0x17
      if (arenas[i].reserved < (1u << 20) || arenas[i].reserved >= sizes[i]) _exit(3);
      arenaEnsure(arenas[i], 1u << 20);
      arenas[i].base[(1u << 20) - 1] = 1;
      total += arenas[i].reserved;
    }
    if (total > (1ull << 30)) _exit(4);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}
#endif
