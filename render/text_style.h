// The eight text styles of the interface, in the order of their table: each has a
// face, a size in DIPs and a weight, and is recreated when the DPI changes.
#pragma once
#include <cstdint>

enum class TextStyle : uint8_t {
  title,        // the product name in the sidebar
  largeTitle,   // the path of the shown folder
  body,         // labels, buttons, tabs, edit fields
  bodyStrong,   // headings, first lines of items, values
  caption,      // second lines, status bar, hints
  icon,         // drive icons
  smallIcon,    // button, field and notice icons
  bigIcon,      // empty-state icons
};

constexpr int kTextStyleCount = 8;
