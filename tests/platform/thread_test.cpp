#include "platform/arena.h"
#include "platform/platform.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

TEST(Thread, ExitCodeComesBackFromJoin) {
  uint32_t values[] = {0, 1, 0x4D425550, 0xFFFFFFFF};
  for (uint32_t value : values) {
    Thread t = startClosureThread(kEngineThreadStackBytes, [value] { return value; });
    ASSERT_NE(t.handle, nullptr);
    EXPECT_EQ(joinThread(t), value);
    EXPECT_EQ(t.handle, nullptr);
  }
}

TEST(Thread, ExitThreadEndsOnlyThatThread) {
  Thread t = startClosureThread(0, []() -> uint32_t { exitThread(1234); });
  EXPECT_EQ(joinThread(t), 1234u);
}

static int deepRecursion(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  return depth == 0 ? frame[0] : deepRecursion(depth - 1) + frame[0] % 2;
}

TEST(Thread, EngineStackHoldsSixMegabytesOfFrames) {
  // A default 1 MiB stack would overflow here; the engine threads reserve 8 MiB.
  Thread t = startClosureThread(kEngineThreadStackBytes, [] { return static_cast<uint32_t>(deepRecursion(6000) >= 0); });
  EXPECT_EQ(joinThread(t), 1u);
}

TEST(Thread, WorkerMarkIsPerThread) {
  std::atomic<bool> markedInside{false};
  Thread t = startClosureThread(0, [&] {
    markWorkerThread();
    markedInside = isWorkerThread();
    return 0u;
  });
  joinThread(t);
  EXPECT_TRUE(markedInside);
  EXPECT_FALSE(isWorkerThread());
}

TEST(Thread, OutOfMemoryOnWorkerEndsOnlyTheWorker) {
  Thread t = startClosureThread(kEngineThreadStackBytes, []() -> uint32_t {
    markWorkerThread();
    Arena arena;
    arenaReserve(arena, 8 * kPageBytes);
    arenaEnsure(arena, 9 * kPageBytes);  // beyond the reservation
    return 0;
  });
  EXPECT_EQ(joinThread(t), kExitOutOfMemory);
}

TEST(Thread, FailedNewOnWorkerEndsOnlyTheWorker) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer aborts on impossible allocations before the new-handler runs";
#endif
  installOutOfMemoryHandler();
  Thread t = startClosureThread(kEngineThreadStackBytes, []() -> uint32_t {
    markWorkerThread();
    volatile size_t huge = size_t(1) << 62;
    static char* volatile sink;
    sink = new char[huge];
    sink[0] = 1;
    return 0;
  });
  EXPECT_EQ(joinThread(t), kExitOutOfMemory);
}

#if defined(_WIN32)
constexpr int kOutOfMemoryExit = static_cast<int>(kExitOutOfMemory);
#else
constexpr int kOutOfMemoryExit = static_cast<int>(kExitOutOfMemory & 0xFF);
#endif

TEST(ThreadDeathTest, OutOfMemoryOffWorkerEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Arena arena;
        arenaReserve(arena, kPageBytes);
        arenaEnsure(arena, 2 * kPageBytes);
      },
      testing::ExitedWithCode(kOutOfMemoryExit), "");
}

TEST(Thread, AForgottenThreadRunsToItsEnd) {
  std::atomic<int> stage{0};
  Thread t = startClosureThread(0, [&stage]() -> uint32_t {
    while (stage.load() == 0) std::this_thread::yield();
    stage.store(2);
    return 0;
  });
  ASSERT_NE(t.handle, nullptr);
  forgetThread(t);
  EXPECT_EQ(t.handle, nullptr);
  stage.store(1);   // only now may it finish: it outlived its handle
  while (stage.load() != 2) std::this_thread::yield();
}
