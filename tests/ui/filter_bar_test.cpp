#include "ui/filter_bar.h"

#include "list_fixture.h"
#include "ui/commands.h"
#include "ui/element_list.h"
#include "ui/summary_text.h"

namespace {

struct SizeCase {
  const char16_t* text;
  size_t length;                // 0: up to the literal's end
  bool decimal;
  bool valid;
  int64_t bytes;
};

TEST(FilterFields, MinimumSizesAsTyped) {
  const SizeCase cases[] = {
      {u"500", 0, true, true, 500000000},
      {u"500", 0, false, true, 524288000},
      {u"1.5 GB", 0, true, true, 1500000000},
      {u"1,5g", 0, true, true, 1500000000},
      {u"1.5GB", 0, true, true, 1500000000},
      {u"2 GiB", 0, true, true, 2147483648},
      {u"1.5.3 GB", 0, true, false, 0},
      {u"0.5", 0, true, true, 500000},
      {u" 2 tib\t", 0, true, true, 2199023255552},
      {u"kb", 0, true, false, 0},
      {u"10 B", 0, true, true, 10},
      {u"", 0, true, true, 0},
      {u" \t ", 0, true, true, 0},
      // The edit's text ends at its first NUL.
      {u"5\0 junk", 7, true, true, 5000000},
  };
  for (const SizeCase& c : cases) {
    FilterFields fields;
    fields.minimumSize = c.length ? std::u16string(c.text, c.length) : std::u16string(c.text);
    ParsedFilter parsed = parseFilterFields(fields, c.decimal);
    EXPECT_EQ(parsed.minimum.valid, c.valid) << narrow(c.text);
    if (c.valid) {
      EXPECT_EQ(parsed.minimum.bytes, c.bytes) << narrow(c.text);
    }
    EXPECT_EQ(isFilterActive(parsed.filter), c.valid && c.bytes > 0) << narrow(c.text) << ": an invalid size filters nothing";
  }
  EXPECT_TRUE(isBlankFieldText(u" \t"));
  EXPECT_FALSE(isBlankFieldText(u" x"));
  EXPECT_EQ(textBeforeNul(std::u16string_view(u"ab\0c", 4)), u"ab");
}

class FilterBar : public WindowTest {
 protected:
  ListTree lt;
  std::vector<float> weights;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, lt.tree());
    relayout();
  }
  Outcome apply(const char16_t* search, const char16_t* types, const char16_t* size) {
    s.filter.search = search;
    s.filter.types = types;
    s.filter.minimumSize = size;
    Outcome out;
    applyFilters(s, weights, nullptr, out);
    return out;
  }
};

struct ApplyCase {
  const char16_t *search, *types, *size;
  bool active, invalid, weighted;
  int64_t matching;
  double rootWeight;
};

TEST_F(FilterBar, ApplyingWeighsTheTree) {
  const ApplyCase cases[] = {
      {u"", u"jpg", u"", true, false, true, 3, 21000},
      {u"", u"video", u"", true, false, true, 1, 20000},
      {u"a*", u"", u"", true, false, true, 3, 7000 + 7000 + 9000},
      {u"", u"", u"6 kB", true, false, true, 5, 20000 + 21000 + 9000},
      {u"", u"jpg", u"6 kilo", true, true, true, 3, 21000},   // filtering goes on without the size
      {u"", u"", u"6 kilo", false, true, false, 13, 0},
      {u"", u"", u"  ", false, false, false, 13, 0},
  };
  for (const ApplyCase& c : cases) {
    const uint32_t generation = s.filterGeneration;
    Outcome out = apply(c.search, c.types, c.size);
    const std::string what = narrow(c.search) + "|" + narrow(c.types) + "|" + narrow(c.size);
    EXPECT_EQ(s.filterGeneration, generation + 1) << what;
    EXPECT_TRUE(out.relayout && out.repaint) << what;
    EXPECT_EQ(s.shown.filterActive, c.active) << what;
    EXPECT_EQ(s.filter.sizeInvalid, c.invalid) << what;
    EXPECT_EQ(s.shown.weightsInUse, c.weighted) << what;
    EXPECT_EQ(s.shown.matchingCount, c.matching) << what;
    if (c.weighted) {
      ASSERT_EQ(s.shown.weights, weights.data());
      EXPECT_DOUBLE_EQ(s.shown.weights[lt.root], c.rootWeight) << what;
      EXPECT_GE(s.performance.filterMs, 0) << what;
    } else {
      EXPECT_EQ(s.shown.weights, nullptr) << what;
      EXPECT_EQ(s.performance.filterMs, -1) << what;
    }
  }
}

TEST_F(FilterBar, OnDiskSizesWeighWithoutAFilter) {
  s.settings.sizeMode = SizeMode::OnDisk;
  setOnDisk(lt.tree(), lt.clip, 0);
  apply(u"", u"", u"");
  EXPECT_FALSE(s.shown.filterActive);
  EXPECT_TRUE(s.shown.weightsInUse);
  EXPECT_EQ(s.shown.weights[lt.clip], 0.0f) << "online-only";
  EXPECT_EQ(s.shown.weights[lt.root], 12 * 4096.0f);
}

TEST_F(FilterBar, TheSizeWarningLastsUntilTheTextChanges) {
  apply(u"", u"", u"lots");
  ASSERT_TRUE(s.filter.sizeInvalid);
  EXPECT_TRUE(filterFieldShowsError(s, ElementId::SizeEdit));
  EXPECT_FALSE(filterFieldShowsError(s, ElementId::TypesEdit));
  EXPECT_NE(narrow(summaryLine(summaryText(s))).find(" \xC2\xB7 size not understood (try 500 MB, 2 GB)"),
            std::string::npos);
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  bool found = false;
  for (const AccessibleElement& e : list)
    if (e.child == ChildControl::SizeEdit) {
      found = true;
      EXPECT_EQ(narrow(e.value), "lots");
      EXPECT_EQ(narrow(e.description), "size not understood (try 500 MB, 2 GB)");
    }
  EXPECT_TRUE(found);
  Outcome out = filterFieldChanged(s, ElementId::SizeEdit, u"lots o", true);
  EXPECT_FALSE(s.filter.sizeInvalid);
  EXPECT_EQ(s.filter.minimumSize, u"lots o");
  EXPECT_TRUE(out.has(EffectKind::RestartFilterTimer));
  EXPECT_EQ(narrow(summaryLine(summaryText(s))).find("size not understood"), std::string::npos);
}

TEST_F(FilterBar, ClearFiltersEmptiesEveryFieldAndTheWarning) {
  apply(u"", u"", u"lots");
  relayout();
  Outcome out = invokeElement(s, layout, {ElementId::ClearFilters, -1});
  ASSERT_TRUE(out.has(EffectKind::ClearFilterFields));
  ASSERT_TRUE(out.has(EffectKind::ApplyFilters));
  EXPECT_TRUE(s.filter.minimumSize.empty());
  applyFilters(s, weights, nullptr, out);
  EXPECT_FALSE(s.filter.sizeInvalid);
  EXPECT_FALSE(s.shown.weightsInUse);
}

struct FieldKeyCase {
  ElementId field;
  const char16_t* text;
  Key key;
  bool handled;
  EffectKind effect;            // expected among the effects (CaptureMouse: none expected)
};

TEST_F(FilterBar, KeysWithoutAPopup) {
  const FieldKeyCase cases[] = {
      {ElementId::SearchEdit, u"x", Key::Enter, true, EffectKind::ApplyFilters},
      {ElementId::SizeEdit, u"", Key::Enter, true, EffectKind::ApplyFilters},
      {ElementId::SearchEdit, u"x", Key::Escape, true, EffectKind::SetFieldText},
      {ElementId::TypesEdit, u"", Key::Escape, true, EffectKind::FocusMainWindow},
      {ElementId::SizeEdit, u"1", Key::Tab, true, EffectKind::AnnounceFocus},
      {ElementId::SearchEdit, u"x", Key::Left, false, EffectKind::CaptureMouse},
      {ElementId::SearchEdit, u"x", Key::Down, false, EffectKind::CaptureMouse},
  };
  for (const FieldKeyCase& c : cases) {
    s.focus = {c.field, -1};
    s.focusVisible = false;
    filterFieldChanged(s, c.field, c.text, false);
    FieldKeyResult r = filterFieldKeyDown(s, layout, c.field, c.key, false);
    EXPECT_EQ(r.handled, c.handled) << static_cast<int>(c.field) << " key " << static_cast<int>(c.key);
    if (c.effect != EffectKind::CaptureMouse)
      EXPECT_TRUE(r.out.has(c.effect)) << static_cast<int>(c.field) << " key " << static_cast<int>(c.key);
    else
      EXPECT_TRUE(r.out.effects.empty());
    if (c.key == Key::Escape && c.effect == EffectKind::SetFieldText) {
      EXPECT_TRUE(r.out.find(EffectKind::SetFieldText)->text.empty());
      EXPECT_EQ(r.out.find(EffectKind::SetFieldText)->element, (ElementRef{c.field, -1}));
    }
    if (c.key == Key::Tab) {
      EXPECT_TRUE(s.focusVisible);
      EXPECT_NE(s.focus, (ElementRef{c.field, -1})) << "the focus moved on";
    }
  }
  // Shift+Tab from the search field goes back, Tab forward: two different stops.
  s.focus = {ElementId::TypesEdit, -1};
  filterFieldKeyDown(s, layout, ElementId::TypesEdit, Key::Tab, true);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::SearchEdit, -1}));
  EXPECT_FALSE(filterFieldKeyDown(s, layout, ElementId::Map, Key::Enter, false).handled) << "not a filter field";
}

TEST_F(FilterBar, EscClearsThenLeaves) {
  s.focus = {ElementId::SearchEdit, -1};
  filterFieldChanged(s, ElementId::SearchEdit, u"abc", true);
  FieldKeyResult first = filterFieldKeyDown(s, layout, ElementId::SearchEdit, Key::Escape, false);
  ASSERT_TRUE(first.out.has(EffectKind::SetFieldText));
  EXPECT_FALSE(first.out.has(EffectKind::FocusMainWindow));
  // The edit's change notification for the emptied text restarts the pause.
  EXPECT_TRUE(filterFieldChanged(s, ElementId::SearchEdit, u"", true).has(EffectKind::RestartFilterTimer));
  FieldKeyResult second = filterFieldKeyDown(s, layout, ElementId::SearchEdit, Key::Escape, false);
  EXPECT_TRUE(second.out.has(EffectKind::FocusMainWindow));
  EXPECT_TRUE(s.windowHasFocus);
}

TEST_F(FilterBar, CueBannersAndNames) {
  const char* expected[3][2] = {{"Search names (* and ? wildcards)", "Search names"},
                                {"Types: video, jpg\xE2\x80\xA6", "File types"},
                                {"Larger than\xE2\x80\xA6", "Larger than"}};
  const ElementId ids[3] = {ElementId::SearchEdit, ElementId::TypesEdit, ElementId::SizeEdit};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(kFilterFields[i].id, ids[i]);
    EXPECT_EQ(narrow(text(kFilterFields[i].cue)), expected[i][0]);
    EXPECT_EQ(narrow(text(kFilterFields[i].name)), expected[i][1]);
    EXPECT_EQ(filterFieldRect(layout, ids[i]), i == 0 ? layout.searchField : i == 1 ? layout.typesField : layout.sizeField);
  }
}

TEST_F(FilterBar, SwallowedCharacters) {
  for (char16_t c : {u'\t', u'\r', u'\n', char16_t(0x1B)}) EXPECT_TRUE(fieldSwallowsCharacter(c)) << int(c);
  for (char16_t c : {u'a', u' ', u'\b'}) EXPECT_FALSE(fieldSwallowsCharacter(c)) << int(c);
}

TEST_F(FilterBar, FieldsAreAccessibleWithTheirTexts) {
  filterFieldChanged(s, ElementId::SearchEdit, u"*.txt", false);
  filterFieldChanged(s, ElementId::TypesEdit, u"video, \U0001D11E", false);
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  const struct {
    ChildControl child;
    const char* name;
    const char* value;
  } expected[] = {{ChildControl::SearchEdit, "Search names", "*.txt"},
                  {ChildControl::TypesEdit, "File types", "video, \xF0\x9D\x84\x9E"},
                  {ChildControl::SizeEdit, "Larger than", ""}};
  for (const auto& e : expected) {
    const AccessibleElement* found = nullptr;
    for (const AccessibleElement& a : list)
      if (a.child == e.child) found = &a;
    ASSERT_NE(found, nullptr) << e.name;
    EXPECT_EQ(narrow(found->name), e.name);
    EXPECT_EQ(narrow(found->value), e.value);
    EXPECT_EQ(found->role, AccessibleRole::Text);
    EXPECT_TRUE(found->description.empty());
  }
}

}  // namespace
