// Text styles with real GDI and DirectWrite: the fonts of each style at a DPI,
// the cached formats, the layouts drawText makes, measuring, and the ellipsis.
#include "render/scale.h"
#include "render/win32/device.h"
#include "render/win32/text.h"
#include <gtest/gtest.h>
#include <string>

namespace {
struct StylesAt {
  explicit StylesAt(uint32_t dpi) { created = createTextStyles(styles, dpi); }
  ~StylesAt() { destroyTextStyles(styles); }
  TextStyles styles;
  bool created;
};

std::u16string u16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// Records what a layout draws: the text of each glyph run and how many inline
// objects (the trimming sign) it places.
struct Recorder : IDWriteTextRenderer {
  std::u16string drawn;
  int inlineObjects = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE IsPixelSnappingDisabled(void*, BOOL* disabled) override {
    *disabled = FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCurrentTransform(void*, DWRITE_MATRIX* m) override {
    *m = {1, 0, 0, 1, 0, 0};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelsPerDip(void*, FLOAT* pixels) override {
    *pixels = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawGlyphRun(void*, FLOAT, FLOAT, DWRITE_MEASURING_MODE, const DWRITE_GLYPH_RUN*,
                                         const DWRITE_GLYPH_RUN_DESCRIPTION* description, IUnknown*) override {
    if (description && description->string)
      drawn.append(reinterpret_cast<const char16_t*>(description->string), description->stringLength);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawUnderline(void*, FLOAT, FLOAT, const DWRITE_UNDERLINE*, IUnknown*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawStrikethrough(void*, FLOAT, FLOAT, const DWRITE_STRIKETHROUGH*, IUnknown*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawInlineObject(void*, FLOAT, FLOAT, IDWriteInlineObject*, BOOL, BOOL, IUnknown*) override {
    inlineObjects++;
    return S_OK;
  }
};

Recorder draw(TextStyles& styles, std::u16string_view text, float width, uint32_t flags) {
  Recorder recorder;
  IDWriteTextLayout* layout = makeTextLayout(styles, text, width, 40, TextStyle::Body, flags);
  EXPECT_NE(layout, nullptr);
  if (layout) {
    layout->Draw(nullptr, &recorder, 0, 0);
    layout->Release();
  }
  return recorder;
}
}  // namespace

TEST(TextStyles, GdiFontsOfEveryStyleAtTheDpi) {
  for (uint32_t dpi : {96u, 144u}) {
    StylesAt s(dpi);
    ASSERT_TRUE(s.created);
    EXPECT_EQ(s.styles.dpi, dpi);
    for (int i = 0; i < kTextStyleCount; i++) {
      LOGFONTW font = {};
      ASSERT_TRUE(GetObjectW(s.styles.fonts[i], sizeof font, &font));
      const TextStyleSpec& entry = kTextStyleSpecs[i];
      EXPECT_EQ(font.lfHeight, -scaleDip(entry.sizeDip, dpi)) << i << " at " << dpi;
      EXPECT_EQ(font.lfWeight, entry.weight) << i;
      EXPECT_EQ(font.lfQuality, CLEARTYPE_QUALITY) << i;
      EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET) << i;
      EXPECT_EQ(u16(font.lfFaceName), std::u16string(entry.face)) << "the face asked for by its name";
      EXPECT_EQ(textStyleOfFont(s.styles, s.styles.fonts[i]), i);
      EXPECT_EQ(textStyleFont(s.styles, static_cast<TextStyle>(i)), s.styles.fonts[i]);
    }
    EXPECT_EQ(textStyleOfFont(s.styles, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))), -1);
    EXPECT_EQ(textStyleOfFont(s.styles, nullptr), -1);
  }
}

TEST(TextStyles, ANewDpiReplacesFontsAndFormatsTogether) {
  StylesAt s(96);
  IDWriteTextFormat* body96 = textFormat(s.styles, TextStyle::Body);
  ASSERT_NE(body96, nullptr);
  EXPECT_FLOAT_EQ(body96->GetFontSize(), 14.0f);
  ASSERT_TRUE(createTextStyles(s.styles, 144));
  EXPECT_EQ(s.styles.formats[static_cast<int>(TextStyle::Body)], nullptr) << "no format of the old DPI survives";
  IDWriteTextFormat* body144 = textFormat(s.styles, TextStyle::Body);
  ASSERT_NE(body144, nullptr);
  EXPECT_FLOAT_EQ(body144->GetFontSize(), 21.0f);
  LOGFONTW font = {};
  GetObjectW(textStyleFont(s.styles, TextStyle::Caption), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -18);
}

TEST(TextStyles, FormatsAreCachedAndReleasedWithTheDevice) {
  StylesAt s(120);
  for (int i = 0; i < kTextStyleCount; i++) {
    auto style = static_cast<TextStyle>(i);
    IDWriteTextFormat* format = textFormat(s.styles, style);
    ASSERT_NE(format, nullptr) << i;
    EXPECT_EQ(textFormat(s.styles, style), format) << "made once";
    EXPECT_FLOAT_EQ(format->GetFontSize(), static_cast<float>(scaleDip(kTextStyleSpecs[i].sizeDip, 120)));
    EXPECT_EQ(format->GetFontWeight(), kTextStyleSpecs[i].weight);
    EXPECT_EQ(format->GetWordWrapping(), DWRITE_WORD_WRAPPING_NO_WRAP);
    EXPECT_EQ(format->GetParagraphAlignment(), DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
    wchar_t family[64] = {};
    format->GetFontFamilyName(family, 64);
    EXPECT_EQ(u16(family), std::u16string(kTextStyleSpecs[i].face));
    DWRITE_TRIMMING trimming = {};
    IDWriteInlineObject* sign = nullptr;
    format->GetTrimming(&trimming, &sign);
    EXPECT_EQ(trimming.granularity, DWRITE_TRIMMING_GRANULARITY_CHARACTER);
    EXPECT_NE(sign, nullptr) << "the ellipsis sign";
    if (sign) sign->Release();
  }
  HFONT body = textStyleFont(s.styles, TextStyle::Body);
  releaseTextFormatsHook(&s.styles);
  for (int i = 0; i < kTextStyleCount; i++) {
    EXPECT_EQ(s.styles.formats[i], nullptr);
    EXPECT_EQ(s.styles.ellipses[i], nullptr);
  }
  EXPECT_EQ(textStyleFont(s.styles, TextStyle::Body), body) << "the GDI fonts stay";
  EXPECT_NE(textFormat(s.styles, TextStyle::Body), nullptr) << "made again on the next use";
}

TEST(TextStyles, LayoutsFollowTheFlags) {
  StylesAt s(96);
  struct Case {
    uint32_t flags;
    std::u16string_view text;
    DWRITE_TEXT_ALIGNMENT alignment;
    DWRITE_WORD_WRAPPING wrapping;
    DWRITE_PARAGRAPH_ALIGNMENT paragraph;
    UINT32 delimiter, delimiterCount;
  } cases[] = {
      {0, u"a", DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_WORD_WRAPPING_NO_WRAP, DWRITE_PARAGRAPH_ALIGNMENT_CENTER, 0, 0},
      {kTextCenter, u"a", DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_WORD_WRAPPING_NO_WRAP, DWRITE_PARAGRAPH_ALIGNMENT_CENTER, 0, 0},
      {kTextTrailing, u"a", DWRITE_TEXT_ALIGNMENT_TRAILING, DWRITE_WORD_WRAPPING_NO_WRAP, DWRITE_PARAGRAPH_ALIGNMENT_CENTER, 0, 0},
      {kTextWrap, u"a b", DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_WORD_WRAPPING_WRAP, DWRITE_PARAGRAPH_ALIGNMENT_NEAR, 0, 0},
      {kTextPathEllipsis, u"C:\\a\\b", DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_WORD_WRAPPING_NO_WRAP,
       DWRITE_PARAGRAPH_ALIGNMENT_CENTER, u'\\', 1},
      {kTextPathEllipsis | kTextCenter, u"C:\\a\\b\\", DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_WORD_WRAPPING_NO_WRAP,
       DWRITE_PARAGRAPH_ALIGNMENT_CENTER, u'\\', 2},
  };
  for (const Case& c : cases) {
    IDWriteTextLayout* layout = makeTextLayout(s.styles, c.text, 120, -5, TextStyle::Body, c.flags);
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->GetTextAlignment(), c.alignment) << c.flags;
    EXPECT_EQ(layout->GetWordWrapping(), c.wrapping) << c.flags;
    EXPECT_EQ(layout->GetParagraphAlignment(), c.paragraph) << c.flags;
    EXPECT_FLOAT_EQ(layout->GetMaxWidth(), 120);
    EXPECT_FLOAT_EQ(layout->GetMaxHeight(), 0) << "never negative";
    DWRITE_TRIMMING trimming = {};
    IDWriteInlineObject* sign = nullptr;
    layout->GetTrimming(&trimming, &sign);
    EXPECT_EQ(trimming.granularity, DWRITE_TRIMMING_GRANULARITY_CHARACTER) << c.flags;
    EXPECT_EQ(trimming.delimiter, c.delimiter) << c.flags;
    EXPECT_EQ(trimming.delimiterCount, c.delimiterCount) << c.flags;
    EXPECT_NE(sign, nullptr);
    if (sign) sign->Release();
    layout->Release();
  }
}

TEST(TextStyles, ATextLongerThanItsRectangleEndsInTheEllipsis) {
  StylesAt s(96);
  std::u16string text = u"A text far longer than the rectangle it has to fit in";
  Recorder whole = draw(s.styles, text, 2000, 0);
  EXPECT_EQ(whole.inlineObjects, 0);
  EXPECT_EQ(whole.drawn, text);
  Recorder trimmed = draw(s.styles, text, 120, 0);
  EXPECT_EQ(trimmed.inlineObjects, 1) << "the trimming sign is drawn once";
  EXPECT_LT(trimmed.drawn.size(), text.size());
  EXPECT_EQ(text.compare(0, trimmed.drawn.size(), trimmed.drawn), 0) << "the start is kept";
}

TEST(TextStyles, MeasuringOneLine) {
  StylesAt at96(96), at144(144);
  EXPECT_EQ(measureText(at96.styles, u"", TextStyle::Body), 0);
  int32_t narrow = measureText(at96.styles, u"iiii", TextStyle::Body);
  int32_t wide = measureText(at96.styles, u"WWWW", TextStyle::Body);
  EXPECT_GT(narrow, 0);
  EXPECT_GT(wide, narrow);
  EXPECT_GT(measureText(at96.styles, u"a   ", TextStyle::Body), measureText(at96.styles, u"a", TextStyle::Body))
      << "trailing blanks count";
  EXPECT_GT(measureText(at96.styles, u"Disk usage", TextStyle::LargeTitle),
            measureText(at96.styles, u"Disk usage", TextStyle::Caption));
  int32_t w96 = measureText(at96.styles, u"Disk usage, at a glance", TextStyle::Body);
  int32_t w144 = measureText(at144.styles, u"Disk usage, at a glance", TextStyle::Body);
  EXPECT_NEAR(w144, w96 * 1.5, 4) << "the same text at 1.5 times the DPI";
  // Rounded up: a layout of exactly the measured width holds the text without trimming.
  Recorder exact = draw(at96.styles, u"Disk usage, at a glance", static_cast<float>(w96), 0);
  EXPECT_EQ(exact.inlineObjects, 0);
}
