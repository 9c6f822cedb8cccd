#include "render/text_styles.h"

const TextStyleSpec kTextStyleSpecs[kTextStyleCount] = {
    {u"Segoe UI Variable Display", 20, 600},   // title
    {u"Segoe UI Variable Display", 28, 600},   // large title
    {u"Segoe UI Variable Text", 14, 400},      // body
    {u"Segoe UI Variable Text", 14, 600},      // body strong
    {u"Segoe UI Variable Text", 12, 400},      // caption
    {u"Segoe Fluent Icons", 20, 400},          // icon
    {u"Segoe Fluent Icons", 16, 400},          // small icon
    {u"Segoe Fluent Icons", 48, 400},          // big icon
};

uint32_t pathTrimmingDelimiterCount(std::u16string_view text) {
  return !text.empty() && text.back() == u'\\' ? 2 : 1;
}
