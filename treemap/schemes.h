// Colour schemes of the map: five built-in schemes fix the type colours, the
// cushion lighting, the map background, the gap between rectangles and the glow.
// Files are coloured by a hash of their extension, folders and files without a
// type by two neutral colours.
//
// Threading: constant data and pure functions; whoever draws a map passes its scheme.
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <string_view>

constexpr int kTypeColorCount = 11;
constexpr int kMapSchemeCount = 5;

struct MapScheme {
  const char* name;          // the value of the setting and of --scheme
  double ambient;            // ambient share of the cushion light
  double intensity;          // overall brightness of the shading
  uint32_t typeColors[kTypeColorCount];   // 0x00RRGGBB
  uint32_t folderColor;      // folders drawn as one block
  uint32_t noTypeColor;      // files without a usable extension
  uint32_t background;       // 0 = the theme's map background; else 0xFF in the top byte
  uint32_t gap;              // device-independent pixels between rectangles, 0 = none
  bool glow;                 // halo around rectangles and the lava glow in the gaps
};

extern const MapScheme kMapSchemes[kMapSchemeCount];

// The scheme at `index`; an index outside 0..4 selects the standard one.
const MapScheme& mapSchemeAt(int32_t index);

// Exact, case-sensitive lookup of a scheme name; -1 when unknown.
int32_t findMapScheme(std::string_view name);
int32_t findMapScheme(std::u16string_view name);
// The scheme the mapScheme setting or --scheme names: the standard one (0) for a
// name that is none.
int32_t mapSchemeFromName(std::u16string_view name);

// A node's colour under `scheme`.
uint32_t schemeColorOf(const MapScheme& scheme, const Tree& tree, int32_t node);

// The colour of an extension given without its dot (1 to 16 code units; any other
// length has no type).
uint32_t typeColor(const MapScheme& scheme, const char16_t* extension, size_t length);

// FNV-1a over 16-bit code units with A-Z folded to lower case: the type hash.
uint32_t extensionHash(const char16_t* extension, size_t length);

// The hatch pattern of a colour: the position of the colour among the scheme's type
// colours, 0 for the first type colour and for colours that are none of them.
int32_t patternNumberOf(const MapScheme& scheme, uint32_t color);

// Glow colour (0x00RRGGBB) at an age in pixels of flow, for a gap of g pixels.
uint32_t lavaRamp(int32_t age, int32_t g);
