// The eight text styles, the flags of drawText and the icon glyphs. The faces
// are asked for by name exactly as written here; where a face is missing the
// text engine's own fallback applies (docs/window-testing.md says what Wine shows).
//
// Threading: constant data.
#pragma once
#include <cstdint>
#include <string_view>

enum class TextStyle : uint8_t { Title, LargeTitle, Body, BodyStrong, Caption, Icon, SmallIcon, BigIcon };
constexpr int32_t kTextStyleCount = 8;

struct TextStyleSpec {
  const char16_t* face;
  int32_t sizeDip;
  int32_t weight;   // 400 regular, 600 semibold
};
extern const TextStyleSpec kTextStyleSpecs[kTextStyleCount];
inline const TextStyleSpec& textStyleSpec(TextStyle style) { return kTextStyleSpecs[static_cast<int>(style)]; }

// Flags of drawText.
constexpr uint32_t kTextCenter = 0x1;          // centred horizontally (else leading)
constexpr uint32_t kTextTrailing = 0x2;        // aligned to the trailing edge
constexpr uint32_t kTextWrap = 0x10;           // wraps by words and starts at the top
constexpr uint32_t kTextPathEllipsis = 0x4000; // trims at "\" so a path keeps its last segment

// The trimming delimiter count for a path: two when it ends with "\" (the last
// segment then ends with one), else one.
uint32_t pathTrimmingDelimiterCount(std::u16string_view text);

// Code points of the icon font (the ellipsis is an ordinary character, drawn in the body style).
namespace Glyph {
constexpr char16_t Up = 0xE74A;
constexpr char16_t Rescan = 0xE72C;
constexpr char16_t Stop = 0xE711;             // also Cancel, Stopping… and closing a notice
constexpr char16_t Continue = 0xE768;
constexpr char16_t Export = 0xEDE1;
constexpr char16_t Drive = 0xEDA2;
constexpr char16_t Search = 0xE721;
constexpr char16_t ClearFilters = 0xE894;
constexpr char16_t PathSeparator = 0xE76C;
constexpr char16_t Ellipsis = 0x2026;
constexpr char16_t NoDrive = 0xE8B7;
constexpr char16_t NoMatch = 0xE71C;
constexpr char16_t NothingOnDisk = 0xE753;
constexpr char16_t FastScan = 0xE945;
constexpr char16_t Administrator = 0xEA18;
constexpr char16_t DeletionMark = 0xE74D;
constexpr char16_t PanelFolded = 0xE70D;
constexpr char16_t PanelOpen = 0xE70E;
constexpr char16_t Information = 0xE946;
constexpr char16_t Success = 0xE73E;
constexpr char16_t Error = 0xEA39;
constexpr char16_t Managed = 0xE72E;
constexpr char16_t Settings = 0xE713;
}  // namespace Glyph
