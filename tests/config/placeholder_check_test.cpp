#include <gtest/gtest.h>

#include "tools/langpack/text_file.h"

namespace {

TEST(PlaceholderCheck, TranslationsMustKeepTheEnglishPlaceholders) {
  struct Case {
    const char* english;
    const char* translation;
    bool accepted;
  } cases[] = {
      {"Exported %ls row to %ls|Exported %ls rows to %ls", "%2$ls に %1$ls 行をエクスポートしました", true},
      {"%ls item found|%ls items found", "%ls élément trouvé|%ls d'éléments trouvés|%ls éléments trouvés", true},
      {"Reading the MFT · %lld %% · %ls of %ls records", "MFT wird gelesen · %lld %% · %ls von %ls Einträgen", true},
      {"Downloading Mossbloom %ls · %d %%", "Téléchargement de Mossbloom %1$ls · %2$d %%", true},
      {"Scan", "Scannen", true},
      {"Version %ls", "Version", false},                        // a placeholder dropped
      {"Version %ls", "Version %ls %ls", false},                // one added
      {"Windows error %lu.", "Windows-Fehler %d.", false},      // another kind
      {"Downloading Mossbloom %ls · %d %%", "%1$d %2$ls", false},  // reordered onto the wrong arguments
      {"%ls item|%ls items", "%ls Element|Elemente", false},    // one plural form lost it
      {"Scan", "Scan|Scans", false},                            // plural forms where English has none
      {"Version %ls", "Version %1$ls %ls", false},              // numbered and plain mixed
      {"Version %ls", "Version %y", false},                     // not a placeholder the formatter knows
  };
  for (const Case& c : cases) {
    std::string why = langpack::placeholderMismatch(c.english, c.translation);
    EXPECT_EQ(why.empty(), c.accepted) << c.translation << ": " << why;
  }
}

}  // namespace
