#include "treemap/schemes.h"
#include "base/file_name.h"
#include "base/hash.h"
#include <cstring>

const MapScheme kMapSchemes[kMapSchemeCount] = {
  {"standard", 0.18, 1.05,
   {0x4C8DF6, 0xEF5A5A, 0x4CBB6C, 0xF2C230, 0x9B6CF0, 0xF58A3C, 0x33C1D6, 0xF06EAA, 0xA6CE39, 0x2EB5A0, 0x6D7BF2},
   0x9AA0A6, 0xB4B9BE, 0, 0, false},
  {"contrast", 0.55, 1.0,
   {0xFFE000, 0x00E5FF, 0xFF3DF0, 0x3DFF3D, 0xFF4545, 0x4D8DFF, 0xFF9A1F, 0xFFFFFF, 0xB98CFF, 0x00C48C, 0xFF9ECF},
   0x7A7A7A, 0xA8A8A8, 0xFF000000, 2, false},
  {"colorblind", 0.18, 1.05,
   {0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442, 0x0072B2, 0xD55E00, 0xCC79A7, 0x88CCEE, 0x44AA99, 0xDDCC77, 0xAA4499},
   0x9AA0A6, 0xB4B9BE, 0, 0, false},
  {"muted", 0.42, 1.0,
   {0x82A8E3, 0xDC8C8D, 0x82C197, 0xDDC576, 0xAD95E0, 0xDFA67D, 0x74C4D2, 0xDC96B9, 0xB4CB7B, 0x72BEB4, 0x949EE1},
   0xADB2B7, 0xBBC0C4, 0, 0, false},
  {"lava", 0.1, 1.15,
   {0x3563AC, 0xA73F3F, 0x35834C, 0xA98822, 0x6C4CA8, 0xAC612A, 0x248796, 0xA84D77, 0x749028, 0x207F70, 0x4C56A9},
   0x6C7074, 0x7E8285, 0xFF120A08, 3, true},
};

namespace {
template <typename Unit>
uint32_t hashUnits(const Unit* units, size_t length) {
  uint32_t hash = kFnv1aBasis;
  for (size_t i = 0; i < length; ++i) hash = fnv1aStep(hash, lowerAscii(static_cast<char16_t>(units[i])));
  return hash;
}

template <typename Unit>
uint32_t colorOfName(const MapScheme& scheme, const Unit* name, size_t length) {
  size_t start = extensionStart(name, length);
  if (start == 0) return scheme.noTypeColor;
  size_t extensionLength = length - start;
  if (extensionLength == 0 || extensionLength > kMaxExtensionLength) return scheme.noTypeColor;
  return scheme.typeColors[hashUnits(name + start, extensionLength) % kTypeColorCount];
}

struct RampStop { int32_t scale; uint32_t color; };   // age = scale * g
constexpr RampStop kLavaStops[4] = {{0, 0xFFF2C0}, {6, 0xFFA030}, {24, 0xFF2A0A}, {80, 0x6E1206}};
}  // namespace

const MapScheme& mapSchemeAt(int32_t index) { return kMapSchemes[index >= 0 && index < kMapSchemeCount ? index : 0]; }

int32_t findMapScheme(std::string_view name) {
  for (int32_t i = 0; i < kMapSchemeCount; ++i) {
    if (name == kMapSchemes[i].name) return i;
  }
  return -1;
}

int32_t mapSchemeFromName(std::u16string_view name) {
  int32_t index = findMapScheme(name);
  return index < 0 ? 0 : index;
}

int32_t findMapScheme(std::u16string_view name) {
  for (int32_t i = 0; i < kMapSchemeCount; ++i) {
    std::string_view candidate = kMapSchemes[i].name;
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) same = name[k] == char16_t(candidate[k]);
    if (same) return i;
  }
  return -1;
}

uint32_t schemeColorOf(const MapScheme& scheme, const Tree& tree, int32_t node) {
  if (tree.node(node).flags & kNodeFolder) return scheme.folderColor;
  NodeNameView name = nodeNameView(tree, node);
  return name.wide ? colorOfName(scheme, name.wide, name.length) : colorOfName(scheme, name.bytes, name.length);
}

uint32_t extensionHash(const char16_t* extension, size_t length) {
  return hashUnits(extension, length);
}

uint32_t typeColor(const MapScheme& scheme, const char16_t* extension, size_t length) {
  if (length == 0 || length > kMaxExtensionLength) return scheme.noTypeColor;
  return scheme.typeColors[extensionHash(extension, length) % kTypeColorCount];
}

int32_t patternNumberOf(const MapScheme& scheme, uint32_t color) {
  for (int32_t k = 0; k < kTypeColorCount; ++k) {
    if (scheme.typeColors[k] == color) return k;
  }
  return 0;
}

uint32_t lavaRamp(int32_t age, int32_t g) {
  if (age <= 0) return kLavaStops[0].color;
  int64_t last = int64_t(kLavaStops[3].scale) * g;
  if (age >= last) return kLavaStops[3].color;
  int k = 1;
  while (k < 3 && age >= int64_t(kLavaStops[k].scale) * g) ++k;
  int64_t lo = int64_t(kLavaStops[k - 1].scale) * g, hi = int64_t(kLavaStops[k].scale) * g;
  uint32_t c0 = kLavaStops[k - 1].color, c1 = kLavaStops[k].color;
  uint32_t result = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    int64_t a = (c0 >> shift) & 0xFF, b = (c1 >> shift) & 0xFF;
    int64_t channel = a + (age - lo) * (b - a) / (hi - lo);
    result |= uint32_t(channel) << shift;
  }
  return result;
}
