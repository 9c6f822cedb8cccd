// The portable element list carries Active Accessibility roles and states as plain
// numbers; they must be the system's own so the server hands them on unchanged.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include "ui/element_list.h"

namespace {

static_assert(static_cast<int32_t>(AccessibleRole::Grip) == ROLE_SYSTEM_GRIP);
static_assert(static_cast<int32_t>(AccessibleRole::Alert) == ROLE_SYSTEM_ALERT);
static_assert(static_cast<int32_t>(AccessibleRole::Client) == ROLE_SYSTEM_CLIENT);
static_assert(static_cast<int32_t>(AccessibleRole::List) == ROLE_SYSTEM_LIST);
static_assert(static_cast<int32_t>(AccessibleRole::ListItem) == ROLE_SYSTEM_LISTITEM);
static_assert(static_cast<int32_t>(AccessibleRole::PageTab) == ROLE_SYSTEM_PAGETAB);
static_assert(static_cast<int32_t>(AccessibleRole::StaticText) == ROLE_SYSTEM_STATICTEXT);
static_assert(static_cast<int32_t>(AccessibleRole::Text) == ROLE_SYSTEM_TEXT);
static_assert(static_cast<int32_t>(AccessibleRole::PushButton) == ROLE_SYSTEM_PUSHBUTTON);
static_assert(static_cast<int32_t>(AccessibleRole::CheckButton) == ROLE_SYSTEM_CHECKBUTTON);
static_assert(static_cast<int32_t>(AccessibleRole::RadioButton) == ROLE_SYSTEM_RADIOBUTTON);

static_assert(kStateUnavailable == STATE_SYSTEM_UNAVAILABLE);
static_assert(kStateSelected == STATE_SYSTEM_SELECTED);
static_assert(kStateFocused == STATE_SYSTEM_FOCUSED);
static_assert(kStateChecked == STATE_SYSTEM_CHECKED);
static_assert(kStateExpanded == STATE_SYSTEM_EXPANDED);
static_assert(kStateCollapsed == STATE_SYSTEM_COLLAPSED);
static_assert(kStateInvisible == STATE_SYSTEM_INVISIBLE);
static_assert(kStateOffscreen == STATE_SYSTEM_OFFSCREEN);
static_assert(kStateFocusable == STATE_SYSTEM_FOCUSABLE);
static_assert(kStateSelectable == STATE_SYSTEM_SELECTABLE);

TEST(AccessibilityValues, MatchTheSystemHeaders) { SUCCEED(); }

}  // namespace
