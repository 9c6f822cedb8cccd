#include "app/bench_mode.h"
#include "app/console.h"

int runBenchMode(std::span<const std::u16string> args) {
  writeConsoleLine(u"Mossbloom: the benchmark (--bench) is not available in this build yet.");
  return 1;
}
