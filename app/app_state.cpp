// The first word of the cell is -1 until the record has been built; a thread
// that finds another one building it waits until that is done. The record is
// never destroyed: worker threads may still read it while the process ends.
#include "app/app_state.h"
#include <atomic>
#include <new>
#include <thread>

namespace {
enum : int32_t { kUnbuilt = -1, kReady = 0, kBuilding = 1 };

struct AppStateCell {
  std::atomic<int32_t> word;
  alignas(AppState) unsigned char bytes[sizeof(AppState)];
};
constinit AppStateCell cell{{kUnbuilt}, {}};

void initAppState() {
  if (cell.word.load(std::memory_order_acquire) == kReady) return;
  int32_t expected = kUnbuilt;
  if (cell.word.compare_exchange_strong(expected, kBuilding, std::memory_order_acq_rel)) {
    new (cell.bytes) AppState();
    cell.word.store(kReady, std::memory_order_release);
    return;
  }
  while (cell.word.load(std::memory_order_acquire) != kReady) std::this_thread::yield();
}
}

AppState& appState() {
  initAppState();
  return *std::launder(reinterpret_cast<AppState*>(cell.bytes));
}

bool appStateReady() { return cell.word.load(std::memory_order_acquire) == kReady; }
