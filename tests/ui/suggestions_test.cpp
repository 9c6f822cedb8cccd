#include "ui/suggestions.h"

#include "engine/extensions.h"
#include "ui/commands.h"
#include "ui/element_list.h"
#include "ui/filter_bar.h"
#include "ui_fixture.h"

namespace {

// Twelve types, more than the popup holds, one of them outside the Basic Multilingual
// Plane; sizes fall from mp4 to that last one, which is the table's order.
struct SuggestTree {
  TestTree t;
  int32_t root;
  SuggestTree() {
    root = t.root(u"C:\\");
    const struct {
      const char16_t* name;
      int64_t size;
    } files[] = {{u"movie.mp4", 90000}, {u"disc.iso", 80000},  {u"b.JPG", 5000},     {u"a.jpg", 5000},
                 {u"song.mp3", 4000},   {u"clip.mpg", 3000},   {u"page.vim", 2500},  {u"setup.exe", 2000},
                 {u"doc.pdf", 1500},    {u"notes.txt", 1000},  {u"data.csv", 900},   {u"zip.zip", 800},
                 {u"tune.\U0001D11E", 700}, {u"README", 600}};
    for (const auto& f : files) t.file(root, f.name, f.size);
    aggregateTree(t.tree);
  }
};

class Suggestions : public UiTest {
 protected:
  SuggestTree st;
  std::vector<std::string> labels(std::u16string_view text) {
    std::vector<std::string> out;
    for (const Suggestion& s : typeSuggestions(st.t.tree, text)) out.push_back(narrow(s.label));
    return out;
  }
};

struct TokenCase {
  const char16_t* text;
  const char16_t* kept;
  const char16_t* token;
  const char16_t* normalized;
};

TEST_F(Suggestions, TheCurrentTokenAndWhatIsKept) {
  const TokenCase cases[] = {
      {u"", u"", u"", u",,"},
      {u"vi", u"", u"vi", u",vi,"},
      {u"Video, ", u"Video, ", u"", u",video,,,"},
      {u"jpg,png", u"jpg, ", u"png", u",jpg,png,"},
      {u"mp4 jpg;M", u"mp4 jpg; ", u"m", u",mp4,jpg,m,"},
      {u"*.MP", u"", u"mp", u",*.mp,"},
      {u"a,\t*..Gz\t", u"a, ", u"gz", u",a,\t*..gz\t,"},
      {u"\U0001D11E", u"", u"\U0001D11E", u",\U0001D11E,"},
      {u"\u00C9T\u00C9", u"", u"\u00C9t\u00C9", u",\u00C9t\u00C9,"},   // only A-Z are lowered
  };
  for (const TokenCase& c : cases) {
    TypeToken t = typeToken(c.text);
    EXPECT_EQ(t.keptPrefix, c.kept) << narrow(c.text);
    EXPECT_EQ(t.token, c.token) << narrow(c.text);
    EXPECT_EQ(t.normalized, c.normalized) << narrow(c.text);
  }
}

struct SuggestCase {
  const char16_t* text;
  std::vector<std::string> labels;
};

TEST_F(Suggestions, CategoriesThenExtensionsInTheirOrderUpToEight) {
  const SuggestCase cases[] = {
      // An empty token: no category, the largest extensions, eight at most.
      {u"", {".mp4", ".iso", ".jpg", ".mp3", ".mpg", ".vim", ".exe", ".pdf"}},
      {u"vi", {"video", ".vim"}},
      {u"VI", {"video", ".vim"}},
      {u"*.mp", {".mp4", ".mp3", ".mpg"}},   // leading * and . are ignored; no category starts with mp
      {u"a", {"audio", "archives", "apps"}},
      {u"d", {"documents", "diskimages"}},
      {u"i", {"images", ".iso"}},
      {u"imagesx", {}},                      // longer than the keyword
      {u"audio, a", {"archives", "apps"}},   // audio is in the field already
      {u"mp4 jpg;m", {".mp3", ".mpg"}},
      // After accepting a category: every extension but those named.
      {u"video, ", {".mp4", ".iso", ".jpg", ".mp3", ".mpg", ".vim", ".exe", ".pdf"}},
      {u"mp4, iso, ", {".jpg", ".mp3", ".mpg", ".vim", ".exe", ".pdf", ".txt", ".csv"}},
      {u"\xD834", {".\xF0\x9D\x84\x9E"}},    // its lead unit alone already starts it
      // A word typed in full is in the field already.
      {u"\U0001D11E", {}},
      {u"jpg", {}},
      {u"video", {}},
      {u"q", {}},
  };
  for (const SuggestCase& c : cases) EXPECT_EQ(labels(c.text), c.labels) << narrow(c.text);
}

TEST_F(Suggestions, DetailsAndInsertTexts) {
  std::vector<Suggestion> items = typeSuggestions(st.t.tree, u"jpg;V");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(narrow(items[0].detail), "category");
  EXPECT_EQ(narrow(items[0].insert), "jpg; video, ");
  EXPECT_EQ(narrow(items[1].detail), "1 file \xC2\xB7 2.5 kB");
  EXPECT_EQ(narrow(items[1].insert), "jpg; vim, ");
  items = typeSuggestions(st.t.tree, u"j");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(narrow(items[0].detail), "2 files \xC2\xB7 10.0 kB");
  EXPECT_EQ(narrow(items[0].insert), "jpg, ");
}

TEST_F(Suggestions, HighlightWrapsBothWays) {
  SuggestionPopup popup;
  popup.items.resize(2);
  const struct {
    int32_t step;
    int32_t highlighted;
  } steps[] = {{1, 0}, {1, 1}, {1, 0}, {-1, 1}, {-1, 0}, {-1, 1}};
  for (const auto& s : steps) {
    moveHighlight(popup, s.step);
    EXPECT_EQ(popup.highlighted, s.highlighted);
  }
  popup.highlighted = -1;
  moveHighlight(popup, -1);
  EXPECT_EQ(popup.highlighted, 1) << "Up from none: the last item";
  popup.items.clear();
  popup.highlighted = -1;
  moveHighlight(popup, 1);
  EXPECT_EQ(popup.highlighted, -1);
}

TEST_F(Suggestions, PopupGeometryAtTwoScales) {
  const PixelRect owner{100, 40, 300, 64};
  EXPECT_EQ(suggestionPopupRect(owner, 3, 96), (PixelRect{100, 68, 420, 68 + 3 * 32 + 8}));
  EXPECT_EQ(suggestionPopupRect({100, 40, 600, 64}, 1, 96), (PixelRect{100, 68, 600, 108})) << "a wide field sets the width";
  EXPECT_EQ(suggestionPopupRect(owner, 2, 144), (PixelRect{100, 70, 580, 70 + 108}));
  const struct {
    int32_t y, dpi, row;
  } rows[] = {{3, 96, -1}, {4, 96, 0}, {35, 96, 0}, {36, 96, 1}, {67, 96, 1}, {68, 96, -1}, {-5, 96, -1},
              {5, 144, -1}, {6, 144, 0}, {54, 144, 1}, {101, 144, 1}, {102, 144, -1}};
  for (const auto& r : rows) EXPECT_EQ(suggestionRowAt(r.y, 2, r.dpi), r.row) << r.y << " at " << r.dpi;
}

TEST_F(Suggestions, RowLayoutLeavesRoomForTheDetail) {
  Suggestion item{u".jpg", u"2 files", u"jpg, "};
  // The caption style is 6 DIPs a unit: the detail is 42 wide.
  SuggestionRowLayout r = suggestionRowLayout(item, 1, 320, 96, measure);
  EXPECT_EQ(r.row, (PixelRect{4, 36, 316, 68}));
  EXPECT_EQ(r.accentBar, (PixelRect{4, 45, 7, 59}));
  EXPECT_EQ(r.detail, (PixelRect{316 - 10 - 42, 36, 306, 68}));
  EXPECT_EQ(r.label, (PixelRect{16, 36, 316 - 54 - 8, 68}));
  item.detail.clear();
  r = suggestionRowLayout(item, 0, 320, 96, measure);
  EXPECT_TRUE(r.detail.empty());
  EXPECT_EQ(r.label, (PixelRect{16, 4, 308, 36}));
}

class SuggestionPopupTest : public WindowTest {
 protected:
  SuggestTree st;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, st.t.tree);
    relayout();
  }
};

TEST_F(SuggestionPopupTest, TheTypesFieldOffersOnFocusAndAsItChanges) {
  Outcome out = filterFieldFocused(s, ElementId::TypesEdit);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::TypesEdit, -1}));
  EXPECT_EQ(s.suggestions.owner, ElementId::TypesEdit);
  EXPECT_EQ(s.suggestions.items.size(), 8u);
  ASSERT_TRUE(out.has(EffectKind::ShowSuggestions));
  out = filterFieldChanged(s, ElementId::TypesEdit, u"vid", true);
  ASSERT_EQ(s.suggestions.items.size(), 1u);
  EXPECT_EQ(narrow(s.suggestions.items[0].label), "video");
  EXPECT_TRUE(out.has(EffectKind::RestartFilterTimer));
  EXPECT_FALSE(out.has(EffectKind::ApplyFilters)) << "typing never filters per keystroke";
  out = filterFieldChanged(s, ElementId::TypesEdit, u"vidz", true);
  EXPECT_EQ(s.suggestions.owner, ElementId::None) << "nothing to offer hides the popup";
  EXPECT_TRUE(out.has(EffectKind::HideSuggestions));
  filterFieldChanged(s, ElementId::TypesEdit, u"v", false);
  EXPECT_EQ(s.suggestions.owner, ElementId::None) << "without the focus nothing is offered";
  filterFieldFocused(s, ElementId::SearchEdit);
  EXPECT_EQ(s.suggestions.owner, ElementId::None);
  filterFieldFocused(s, ElementId::TypesEdit);
  out = filterFieldBlurred(s, ElementId::TypesEdit);
  EXPECT_EQ(s.suggestions.owner, ElementId::None);
  EXPECT_TRUE(out.has(EffectKind::HideSuggestions));
}

TEST_F(SuggestionPopupTest, NoTreeNoSuggestions) {
  s.shown = {};
  filterFieldFocused(s, ElementId::TypesEdit);
  filterFieldChanged(s, ElementId::TypesEdit, u"v", true);
  EXPECT_EQ(s.suggestions.owner, ElementId::None);
}

TEST_F(SuggestionPopupTest, DownThenEnterInsertsVideo) {
  filterFieldFocused(s, ElementId::TypesEdit);
  filterFieldChanged(s, ElementId::TypesEdit, u"vid", true);
  FieldKeyResult down = filterFieldKeyDown(s, layout, ElementId::TypesEdit, Key::Down, false);
  EXPECT_TRUE(down.handled);
  EXPECT_EQ(s.suggestions.highlighted, 0);
  FieldKeyResult enter = filterFieldKeyDown(s, layout, ElementId::TypesEdit, Key::Enter, false);
  EXPECT_TRUE(enter.handled);
  const Effect* set = enter.out.find(EffectKind::SetFieldText);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->element, (ElementRef{ElementId::TypesEdit, -1}));
  EXPECT_EQ(narrow(set->text), "video, ");
  EXPECT_EQ(set->number, 7) << "the caret at the end";
  EXPECT_FALSE(enter.out.has(EffectKind::ApplyFilters));
  EXPECT_EQ(s.suggestions.owner, ElementId::None) << "the types field's popup hides";
  // The edit's change notification follows: the next token's suggestions.
  filterFieldChanged(s, ElementId::TypesEdit, u"video, ", true);
  EXPECT_EQ(s.suggestions.items.size(), 8u);
  EXPECT_EQ(narrow(s.suggestions.items[0].label), ".mp4");
  EXPECT_EQ(s.suggestions.highlighted, -1);
}

struct PopupKeyCase {
  Key key;
  int32_t highlightedBefore;
  bool accepts, applies, hides, movesFocus;
  int32_t highlightedAfter;
};

TEST_F(SuggestionPopupTest, KeysWhileThePopupIsOpen) {
  const PopupKeyCase cases[] = {
      {Key::Tab, 1, true, false, true, false, -1},
      {Key::Tab, -1, false, false, true, true, -1},
      {Key::Enter, 0, true, false, true, false, -1},
      {Key::Enter, -1, false, true, true, false, -1},
      {Key::Escape, 1, false, false, true, false, -1},
      {Key::Up, -1, false, false, false, false, 2},
      {Key::Up, 0, false, false, false, false, 2},
      {Key::Down, 2, false, false, false, false, 0},
  };
  for (const PopupKeyCase& c : cases) {
    s.focus = {ElementId::TypesEdit, -1};
    filterFieldChanged(s, ElementId::TypesEdit, u"a", true);   // audio, archives, apps
    ASSERT_EQ(s.suggestions.items.size(), 3u);
    s.suggestions.highlighted = c.highlightedBefore;
    FieldKeyResult r = filterFieldKeyDown(s, layout, ElementId::TypesEdit, c.key, false);
    const char* what = c.key == Key::Tab ? "Tab" : c.key == Key::Enter ? "Enter" : c.key == Key::Escape ? "Esc" : "arrow";
    EXPECT_TRUE(r.handled) << what;
    EXPECT_EQ(r.out.has(EffectKind::SetFieldText), c.accepts) << what;
    EXPECT_EQ(r.out.has(EffectKind::ApplyFilters), c.applies) << what;
    EXPECT_EQ(s.suggestions.owner == ElementId::None, c.hides) << what;
    EXPECT_EQ(s.focus.id != ElementId::TypesEdit, c.movesFocus) << what;
    if (!c.hides) {
      EXPECT_EQ(s.suggestions.highlighted, c.highlightedAfter) << what;
    }
    hideSuggestions(s, r.out);
  }
  filterFieldChanged(s, ElementId::TypesEdit, u"a", true);
  EXPECT_FALSE(filterFieldKeyDown(s, layout, ElementId::TypesEdit, Key::Left, false).handled)
      << "other keys edit the text";
}

TEST_F(SuggestionPopupTest, PointerHighlightsAndClickAccepts) {
  filterFieldFocused(s, ElementId::TypesEdit);
  filterFieldChanged(s, ElementId::TypesEdit, u"a", true);
  EXPECT_TRUE(suggestionPointerMoved(s, 40));
  EXPECT_EQ(s.suggestions.highlighted, 1);
  EXPECT_FALSE(suggestionPointerMoved(s, 50)) << "the same row: no repaint";
  EXPECT_FALSE(suggestionPointerMoved(s, 2)) << "the top margin keeps the highlight";
  EXPECT_EQ(s.suggestions.highlighted, 1);
  Outcome out = suggestionClicked(s, 80);
  const Effect* set = out.find(EffectKind::SetFieldText);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(narrow(set->text), "apps, ");
  EXPECT_TRUE(suggestionClicked(s, 80).effects.empty()) << "the popup is gone";
}

TEST_F(SuggestionPopupTest, TheAddressFieldKeepsItsPopupOnAccept) {
  Outcome out;
  showSuggestions(s, ElementId::AddressEdit, {{u"Users", u"", u"C:\\Users\\"}}, out);
  acceptSuggestion(s, 0, out);
  EXPECT_EQ(s.suggestions.owner, ElementId::AddressEdit);
  EXPECT_EQ(narrow(out.find(EffectKind::SetFieldText)->text), "C:\\Users\\");
  Outcome none;
  acceptSuggestion(s, 1, none);
  acceptSuggestion(s, -1, none);
  EXPECT_TRUE(none.effects.empty());
}

TEST_F(SuggestionPopupTest, ItemsAreAccessibleAndInvokable) {
  filterFieldFocused(s, ElementId::TypesEdit);
  filterFieldChanged(s, ElementId::TypesEdit, u"vi", true);
  moveHighlight(s.suggestions, 1);
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  std::vector<const AccessibleElement*> items;
  for (const AccessibleElement& e : list)
    if (e.code > static_cast<int32_t>(ElementId::TypesEdit) * 4096) {
      if (e.code <= static_cast<int32_t>(ElementId::TypesEdit) * 4096 + 8) items.push_back(&e);
    }
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(narrow(items[0]->name), "video");
  EXPECT_EQ(narrow(items[0]->description), "category");
  EXPECT_EQ(items[0]->role, AccessibleRole::ListItem);
  EXPECT_TRUE(items[0]->state & kStateSelected);
  EXPECT_FALSE(items[1]->state & kStateSelected);
  EXPECT_FALSE(items[0]->state & kStateFocusable) << "the focus stays in the field";
  const PixelRect popup = suggestionPopupRect(layout.typesField, 2, s.dpi);
  EXPECT_EQ(items[1]->rect, (PixelRect{popup.left + 4, popup.top + 36, popup.right - 4, popup.top + 68}));
  EXPECT_EQ(&list.back(), items[1]) << "over everything else";
  // The item's default action accepts it.
  Outcome out = invokeElement(s, layout, {ElementId::TypesEdit, 1});
  EXPECT_EQ(narrow(out.find(EffectKind::SetFieldText)->text), "vim, ");
}

}  // namespace
