#include "ui/address_field.h"

#include "base/utf.h"
#include "platform/scan_path.h"
#include "tests/support/temp_dir.h"
#include "ui/suggestions.h"
#include "ui_fixture.h"

namespace {

class AddressField : public TreeTextTest {
 protected:
  ViewState shown() {
    ViewState s = withTree();
    s.drives = {driveEntry(u'C')};
    s.addressShown = true;
    return s;
  }
};

std::string listed(const std::vector<Suggestion>& items) {
  std::string out;
  for (const Suggestion& i : items) out += narrow(i.label) + "=" + narrow(i.detail) + ">" + narrow(i.insert) + ";";
  return out;
}

TEST_F(AddressField, SuggestsChildFoldersLargestFirstAndTheRootForItsPrefix) {
  ViewState s = shown();
  struct Case { const char16_t* text; const char* items; };
  const Case cases[] = {
      {u"C:\\Us", "Users=8.0 kB>C:\\Users\\;"},
      {u"c:\\uS", "Users=8.0 kB>c:\\Users\\;"},
      {u"C:\\", "Users=8.0 kB>C:\\Users\\;empty=0 B>C:\\empty\\;"},
      {u"C:\\Users\\me\\", "photos=7.0 kB>C:\\Users\\me\\photos\\;"},
      {u"C:\\Users\\me\\doc", ""},   // a file is no folder to go to
      {u"C:", "C:\\=18.0 kB>C:\\;"},
      {u"c", "C:\\=18.0 kB>C:\\;"},
      {u"D:", ""},
      {u"C:\\missing\\x", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(listed(addressSuggestions(s, c.text)), c.items) << narrow(c.text);
  ViewState none = windowState(1280, 800);
  EXPECT_TRUE(addressSuggestions(none, u"C:").empty());
}

TEST_F(AddressField, ATypedChangeClearsTheErrorAndShowsThePopupOnlyWhileFocused) {
  ViewState s = shown();
  s.addressInvalid = true;
  Outcome unfocused;
  addressTextChanged(s, u"C:\\Us", false, unfocused);
  EXPECT_FALSE(s.addressInvalid);
  EXPECT_FALSE(popupOwnedBy(s, ElementId::AddressEdit));
  Outcome focused;
  addressTextChanged(s, u"C:\\Us", true, focused);
  ASSERT_TRUE(popupOwnedBy(s, ElementId::AddressEdit));
  EXPECT_EQ(listed(s.suggestions.items), "Users=8.0 kB>C:\\Users\\;");
}

TEST_F(AddressField, EnterOnAFolderOfTheTreeZoomsThereInOrOut) {
  ViewState s = shown();
  Outcome in;
  navigateAddress(s, u" \tC:\\Users\\me\t ", in);
  EXPECT_FALSE(s.addressShown);
  EXPECT_TRUE(in.has(EffectKind::HideAddressEdit));
  ASSERT_TRUE(in.find(EffectKind::ZoomMap));
  EXPECT_TRUE(in.find(EffectKind::ZoomMap)->flag) << "below the view root: in";
  EXPECT_EQ(s.shown.viewRoot, sample.me);

  s.addressShown = true;
  Outcome out;
  navigateAddress(s, u"C:\\", out);
  ASSERT_TRUE(out.find(EffectKind::ZoomMap));
  EXPECT_FALSE(out.find(EffectKind::ZoomMap)->flag) << "above it: out";
  EXPECT_EQ(s.shown.viewRoot, sample.root);

  s.addressShown = true;
  Outcome same;
  navigateAddress(s, u"c:\\", same);
  EXPECT_FALSE(s.addressShown);
  EXPECT_FALSE(same.has(EffectKind::ZoomMap)) << "already the view root";
}

TEST_F(AddressField, EnterElsewhereScansAnExistingFolderAndOtherwiseTurnsTheFieldRed) {
  TempDir dir;
  writeTestFile(dir.path + "/sub/file.txt", "x");
  const std::u16string folder = utf16FromUtf8(dir.path + "/sub");
  const std::u16string file = utf16FromUtf8(dir.path + "/sub/file.txt");

  ViewState s = shown();
  Outcome scan;
  navigateAddress(s, folder, scan);
  EXPECT_FALSE(s.addressShown);
  EXPECT_TRUE(s.scan.scanning);
  ASSERT_TRUE(scan.find(EffectKind::StartScanThread));
  EXPECT_EQ(narrow(scan.find(EffectKind::StartScanThread)->text), narrow(normalizeScanPath(folder, BareDrive::Root)));

  for (const std::u16string& bad : {file, folder + u"/missing"}) {
    ViewState t = shown();
    Outcome out;
    navigateAddress(t, bad, out);
    EXPECT_TRUE(t.addressShown) << narrow(bad);
    EXPECT_TRUE(t.addressInvalid) << narrow(bad);
    EXPECT_FALSE(t.scan.scanning) << narrow(bad);
  }

  ViewState empty = shown();
  Outcome hidden;
  navigateAddress(empty, u"  ", hidden);
  EXPECT_FALSE(empty.addressShown);
  EXPECT_FALSE(empty.addressInvalid);
}

TEST_F(AddressField, HidingOnlyActsWhileShown) {
  ViewState s = shown();
  Outcome first, second;
  hideAddress(s, first);
  EXPECT_TRUE(first.has(EffectKind::HideAddressEdit));
  hideAddress(s, second);
  EXPECT_TRUE(second.effects.empty());
}

}  // namespace
