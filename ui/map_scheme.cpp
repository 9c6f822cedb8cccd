#include "ui/map_scheme.h"

#include "config/settings.h"
#include "treemap/schemes.h"
#include <string>

Outcome setMapScheme(ViewState& s, LavaState& lava, int32_t index) {
  Outcome out;
  if (index < 0 || index >= kMapSchemeCount) index = 0;
  s.mapScheme = index;
  // Going through a scheme without glow leaves the tree and root the glow played
  // for unchanged, so without this a return to lava would show it at rest.
  forgetLavaPlay(lava);
  s.mapStale = true;
  const char* name = kMapSchemes[index].name;
  Effect& save = out.add(EffectKind::SaveSetting);
  save.section = kSettingsSection;
  save.key = kMapSchemeKey;
  save.text = std::u16string(name, name + std::char_traits<char>::length(name));
  out.repaint = true;
  return out;
}
