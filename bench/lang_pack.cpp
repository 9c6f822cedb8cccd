// Loading the language pack: decompressing all nine languages' texts and laying
// one language over English, as the start-up and a language change do.
#include <benchmark/benchmark.h>

#include <vector>

#include "config/language.h"
#include "config/mszip.h"

namespace {

void BM_ReadLanguagePack(benchmark::State& state, const char16_t* code) {
  PackBytes pack = languagePackBytes();
  if (!pack.data) {
    state.SkipWithError("the build's language pack is missing");
    return;
  }
  LanguageTexts texts;
  for (auto _ : state) {
    bool ok = readLanguagePack(pack.data, pack.size, code, texts);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(texts.storage.data());
  }
  state.counters["packBytes"] = static_cast<double>(pack.size);
}
BENCHMARK_CAPTURE(BM_ReadLanguagePack, en, u"en")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadLanguagePack, ru, u"ru")->Unit(benchmark::kMillisecond);

// The decompression alone, the larger share of the work.
void BM_DecompressPack(benchmark::State& state) {
  PackBytes pack = languagePackBytes();
  if (!pack.data || pack.size < 16) {
    state.SkipWithError("the build's language pack is missing");
    return;
  }
  auto u32 = [&](size_t at) {
    return pack.data[at] | (pack.data[at + 1] << 8) | (pack.data[at + 2] << 16) | (uint32_t{pack.data[at + 3]} << 24);
  };
  size_t languages = pack.data[4] | (pack.data[5] << 8);
  size_t start = 16 + 12 * languages;
  std::vector<uint8_t> out;
  for (auto _ : state) {
    bool ok = decompressMszip(pack.data + start, u32(8), u32(12), out);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * u32(12));
}
BENCHMARK(BM_DecompressPack)->Unit(benchmark::kMillisecond);

// What the window does on start and on a language change, settings included.
void BM_LoadLanguage(benchmark::State& state) {
  for (auto _ : state) loadLanguage(u"de");
}
BENCHMARK(BM_LoadLanguage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
