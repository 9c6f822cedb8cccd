// Arbitrary command lines through the mode choice and the normal start's
// grammar, and arbitrary `window` settings through the placement parser.
#include "app/start_options.h"
#include "app/startup.h"
#include "config/window_placement.h"
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // UTF-16 units, any value including lone surrogates; U+0001 separates arguments.
  std::vector<std::u16string> args(1, u"mossbloom");
  std::u16string all;
  for (size_t i = 0; i + 1 < size; i += 2) {
    char16_t unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    all.push_back(unit);
    if (unit == 1) args.emplace_back();
    else args.back().push_back(unit);
  }
  chooseStartMode(args);
  ParsedStart parsed = parseStartOptions(args);
  // A command-line error always leaves the window without a scan target.
  if (!parsed.error.empty() && (parsed.target.drive || !parsed.target.folder.empty())) abort();
  if (!parsed.target.folder.empty() && parsed.target.drive == 0) abort();
  const StartOptions& options = parsed.options;
  if (options.theme < -1 || options.theme > 1 || options.accentIndex.value_or(-1) < -1 ||
      options.accentIndex.value_or(-1) > 4 || options.mapScheme.value_or(0) < 0 || options.mapScheme.value_or(0) > 4)
    abort();

  WindowPlacementText placement = parseWindowPlacement(all);
  if (placement.count < 0 || placement.count > 4 || (placement.maximised && placement.count != 4)) abort();
  if (isUsablePlacement(placement) && placement.count != 4) abort();
  return 0;
}
