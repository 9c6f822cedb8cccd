// The layout's text measurer backed by DirectWrite: a one-line layout in the
// program's text styles (made for its DPI), its width including trailing blanks,
// converted back to DIPs.
//
// Threading: the window thread.
#pragma once
#include "render/win32/text.h"
#include "ui/text_measure.h"

class DirectWriteMeasurer final : public TextMeasurer {
 public:
  explicit DirectWriteMeasurer(TextStyles& styles) : styles_(styles) {}
  double textWidth(TextStyle style, std::u16string_view text) const override;

 private:
  TextStyles& styles_;
};
