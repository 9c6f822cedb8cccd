// The eight text styles of the interface, in the order of their table: each has a
// face, a size in DIPs and a weight, and is recreated when the DPI changes.
#pragma once
#include <cstdint>

enum class TextStyle : uint8_t { Title, LargeTitle, Body, BodyStrong, Caption, Icon, SmallIcon, BigIcon };
constexpr int32_t kTextStyleCount = 8;
