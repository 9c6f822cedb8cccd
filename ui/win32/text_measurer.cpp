#include "ui/win32/text_measurer.h"
#include "render/scale.h"

double DirectWriteMeasurer::textWidth(TextStyle style, std::u16string_view text) const {
  if (text.empty()) return 0;
  IDWriteTextLayout* layout = makeTextLayout(styles_, text, 100000, 1000, style, 0);
  if (!layout) return 0;
  DWRITE_TEXT_METRICS metrics = {};
  layout->GetMetrics(&metrics);
  layout->Release();
  // The formats are made at the pixel size of the styles' DPI.
  uint32_t dpi = styles_.dpi ? styles_.dpi : programDpi();
  return metrics.widthIncludingTrailingWhitespace * kBaseDpi / dpi;
}
