#include "config/window_placement.h"

WindowPlacementText parseWindowPlacement(std::u16string_view text) {
  WindowPlacementText placement;
  int32_t* fields[] = {&placement.left, &placement.top, &placement.right, &placement.bottom};
  size_t at = 0;
  auto digit = [&](size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  for (int32_t* field : fields) {
    size_t start = at;
    bool negative = at < text.size() && text[at] == u'-';
    if (negative) start++;
    if (!digit(start)) break;
    int64_t value = 0;
    for (at = start; digit(at); at++) {
      value = value * 10 + (text[at] - u'0');
      if (value > INT32_MAX) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    *field = static_cast<int32_t>(value);
    placement.count++;
    if (at < text.size() && text[at] == u',') at++;
  }
  placement.maximised = placement.count == 4 && text.substr(at) == u"max";
  return placement;
}

std::u16string formatWindowPlacement(int32_t left, int32_t top, int32_t right, int32_t bottom, bool maximised) {
  std::string text = std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
                     std::to_string(bottom) + (maximised ? ",max" : "");
  return std::u16string(text.begin(), text.end());
}

bool isUsablePlacement(const WindowPlacementText& placement) {
  return placement.count == 4 && int64_t(placement.right) - placement.left >= 400 &&
         int64_t(placement.bottom) - placement.top >= 300;
}
