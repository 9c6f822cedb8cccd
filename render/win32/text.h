// The eight text styles as GDI fonts (for the child edit controls) and cached
// DirectWrite text formats, and drawing and measuring text in them. The fonts
// are made together for one DPI; the formats are made on first use and
// released with the device's other resources (register releaseTextFormatsHook).
//
// Threading: the window thread.
#pragma once
#include "render/text_styles.h"
#include <windows.h>
#include <dwrite.h>
#include <cstdint>
#include <string_view>

struct TextStyles {
  uint32_t dpi = 0;                                   // 0: not made yet
  HFONT fonts[kTextStyleCount] = {};
  IDWriteTextFormat* formats[kTextStyleCount] = {};
  IDWriteInlineObject* ellipses[kTextStyleCount] = {};   // each format's "…" trimming sign
};

// The program's styles (the main window's and its cards').
TextStyles& programTextStyles();

// Makes all eight GDI fonts for the DPI, dropping every font and format of the
// old DPI first, so texts never mix sizes. False when a font cannot be made.
bool createTextStyles(TextStyles& styles, uint32_t dpi);
void destroyTextStyles(TextStyles& styles);
void releaseTextFormats(TextStyles& styles);
void releaseTextFormatsHook(void* styles);   // a ReleaseHook for DeviceBoundResources

HFONT textStyleFont(const TextStyles& styles, TextStyle style);
// The style a GDI font belongs to; -1 for a font of none.
int32_t textStyleOfFont(const TextStyles& styles, HFONT font);
// The cached format, made on first use; null when DirectWrite refuses.
IDWriteTextFormat* textFormat(TextStyles& styles, TextStyle style);

// A layout of `text` in a box, as drawText draws it (kText* flags): alignment,
// one centred line or word wrapping from the top, trimming by character with
// the ellipsis sign, at "\" for paths. The caller releases it; null on failure.
IDWriteTextLayout* makeTextLayout(TextStyles& styles, std::u16string_view text, float width, float height,
                                  TextStyle style, uint32_t flags);

// The width in pixels of a text on one line, trailing blanks included, rounded up.
int32_t measureText(TextStyles& styles, std::u16string_view text, TextStyle style);
