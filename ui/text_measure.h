// The seam through which the portable window code measures text. The Windows side
// backs it with DirectWrite (the width of a one-line layout including trailing
// blanks); tests use a deterministic fake.
//
// Threading: called on the window thread only.
#pragma once
#include "render/text_styles.h"
#include <string_view>

class TextMeasurer {
 public:
  // The width of `text` on one line in `style`, in DIPs.
  virtual double textWidth(TextStyle style, std::u16string_view text) const = 0;

 protected:
  ~TextMeasurer() = default;
};
