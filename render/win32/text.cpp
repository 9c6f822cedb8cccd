#include "render/win32/text.h"
#include "render/scale.h"
#include "render/win32/device.h"
#include <cmath>
#include <string>

namespace {
const wchar_t* face(TextStyle style) { return reinterpret_cast<const wchar_t*>(textStyleSpec(style).face); }
}  // namespace

TextStyles& programTextStyles() {
  static TextStyles styles;
  return styles;
}

bool createTextStyles(TextStyles& styles, uint32_t dpi) {
  destroyTextStyles(styles);
  styles.dpi = dpi;
  bool all = true;
  for (int32_t i = 0; i < kTextStyleCount; i++) {
    const TextStyleSpec& entry = kTextStyleSpecs[i];
    styles.fonts[i] = CreateFontW(-scaleDip(entry.sizeDip, dpi), 0, 0, 0, entry.weight, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, face(static_cast<TextStyle>(i)));
    all = all && styles.fonts[i];
  }
  return all;
}

void destroyTextStyles(TextStyles& styles) {
  releaseTextFormats(styles);
  for (HFONT& font : styles.fonts) {
    if (font) DeleteObject(font);
    font = nullptr;
  }
  styles.dpi = 0;
}

void releaseTextFormats(TextStyles& styles) {
  for (int32_t i = 0; i < kTextStyleCount; i++) {
    releaseCom(styles.ellipses[i]);
    releaseCom(styles.formats[i]);
  }
}

void releaseTextFormatsHook(void* styles) { releaseTextFormats(*static_cast<TextStyles*>(styles)); }

HFONT textStyleFont(const TextStyles& styles, TextStyle style) { return styles.fonts[static_cast<int>(style)]; }

int32_t textStyleOfFont(const TextStyles& styles, HFONT font) {
  for (int32_t i = 0; font && i < kTextStyleCount; i++)
    if (styles.fonts[i] == font) return i;
  return -1;
}

IDWriteTextFormat* textFormat(TextStyles& styles, TextStyle style) {
  int i = static_cast<int>(style);
  if (styles.formats[i]) return styles.formats[i];
  IDWriteFactory* factory = sharedWriteFactory();
  if (!factory) return nullptr;
  uint32_t dpi = styles.dpi ? styles.dpi : programDpi();
  const TextStyleSpec& entry = kTextStyleSpecs[i];
  IDWriteTextFormat* format = nullptr;
  if (FAILED(factory->CreateTextFormat(face(style), nullptr, static_cast<DWRITE_FONT_WEIGHT>(entry.weight),
                                       DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                       static_cast<float>(scaleDip(entry.sizeDip, dpi)), L"", &format)))
    return nullptr;
  format->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  format->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
  IDWriteInlineObject* ellipsis = nullptr;
  if (SUCCEEDED(factory->CreateEllipsisTrimmingSign(format, &ellipsis))) {
    DWRITE_TRIMMING trimming = {DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    format->SetTrimming(&trimming, ellipsis);
  }
  styles.formats[i] = format;
  styles.ellipses[i] = ellipsis;
  return format;
}

IDWriteTextLayout* makeTextLayout(TextStyles& styles, std::u16string_view text, float width, float height,
                                  TextStyle style, uint32_t flags) {
  IDWriteTextFormat* format = textFormat(styles, style);
  IDWriteFactory* factory = sharedWriteFactory();
  if (!format || !factory) return nullptr;
  IDWriteTextLayout* layout = nullptr;
  if (FAILED(factory->CreateTextLayout(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT32>(text.size()),
                                       format, width > 0 ? width : 0, height > 0 ? height : 0, &layout)))
    return nullptr;
  layout->SetTextAlignment(flags & kTextCenter     ? DWRITE_TEXT_ALIGNMENT_CENTER
                           : flags & kTextTrailing ? DWRITE_TEXT_ALIGNMENT_TRAILING
                                                   : DWRITE_TEXT_ALIGNMENT_LEADING);
  if (flags & kTextWrap) {
    layout->SetWordWrapping(DWRITE_WORD_WRAPPING_WRAP);
    layout->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_NEAR);
  }
  DWRITE_TRIMMING trimming = {DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
  if (flags & kTextPathEllipsis) {
    trimming.delimiter = u'\\';
    trimming.delimiterCount = pathTrimmingDelimiterCount(text);
  }
  layout->SetTrimming(&trimming, styles.ellipses[static_cast<int>(style)]);
  return layout;
}

int32_t measureText(TextStyles& styles, std::u16string_view text, TextStyle style) {
  IDWriteTextLayout* layout = makeTextLayout(styles, text, 100000, 1000, style, 0);
  if (!layout) return 0;
  DWRITE_TEXT_METRICS metrics = {};
  layout->GetMetrics(&metrics);
  layout->Release();
  return static_cast<int32_t>(std::ceil(metrics.widthIncludingTrailingWhitespace));
}
