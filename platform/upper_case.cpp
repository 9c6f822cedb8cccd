// The process-wide upper-case table. Built once by whichever thread needs it
// first; the others wait without a lock until it is published.
#include "platform/text.h"
#include "platform/upper_case.h"
#include <atomic>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#include <immintrin.h>
static inline void cpuPause() { _mm_pause(); }
#else
static inline void cpuPause() {}
#endif

namespace {
char16_t gTable[65536];
std::atomic<uint8_t> gState{0};   // 0 = not built, 1 = being built, 2 = ready
}  // namespace

const char16_t* upperCaseTable() {
  if (gState.load(std::memory_order_acquire) == 2) return gTable;
  uint8_t expected = 0;
  if (gState.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
    fillUpperCaseTable(gTable);
    gTable[0] = 0;
    gState.store(2, std::memory_order_release);
    return gTable;
  }
  while (gState.load(std::memory_order_acquire) != 2) cpuPause();
  return gTable;
}

bool equalNamesIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  const char16_t* upper = upperCaseTable();
  for (size_t i = 0; i < a.size(); i++)
    if (upper[a[i]] != upper[b[i]]) return false;
  return true;
}
