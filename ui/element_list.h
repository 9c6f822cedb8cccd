// The flat list of accessible elements: everything interactive or informative in the
// main window, with role, name, value, description, default action, shortcut, state,
// rectangle and group. Rebuilt from the ViewState at every use; the accessibility
// server, the Tab order and the arrow keys all read it.
//
// Threading: window thread.
#pragma once
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include <cstdint>
#include <string>
#include <vector>

// The Active Accessibility role numbers (ROLE_SYSTEM_*), so the Windows side passes
// them on unchanged.
enum class AccessibleRole : int32_t {
  Grip = 0x04,
  Alert = 0x08,
  Client = 0x0A,
  List = 0x21,
  ListItem = 0x22,
  PageTab = 0x25,
  StaticText = 0x29,
  Text = 0x2A,
  PushButton = 0x2B,
  CheckButton = 0x2C,
  RadioButton = 0x2D,
};

// The Active Accessibility state bits (STATE_SYSTEM_*) the window uses.
enum : uint32_t {
  kStateUnavailable = 0x1,
  kStateSelected = 0x2,
  kStateFocused = 0x4,
  kStateChecked = 0x10,
  kStateExpanded = 0x200,
  kStateCollapsed = 0x400,
  kStateInvisible = 0x8000,
  kStateOffscreen = 0x10000,
  kStateFocusable = 0x100000,
  kStateSelectable = 0x200000,
};

// A real control standing for an element; the Windows side maps it to its window.
enum class ChildControl : uint8_t { None, SearchEdit, TypesEdit, SizeEdit, AddressEdit, ListView };

enum : int32_t {
  kGroupNone = 0,
  kGroupDrives = 1,
  kGroupScanMode = 2,
  kGroupBreadcrumb = 3,
  kGroupSizeMode = 4,
  kGroupUnits = 5,
  kGroupTabs = 6,
};

struct AccessibleElement {
  std::u16string name, value, description, defaultAction, shortcut;
  PixelRect rect;
  ChildControl child = ChildControl::None;
  AccessibleRole role = AccessibleRole::StaticText;
  uint32_t state = 0;
  int32_t code = 0;       // ElementId × 4096 + sub-index + 1
  int32_t group = kGroupNone;
};

// The system's message for an error code (unreadable folders list their reasons).
using ErrorTextFunction = std::u16string (*)(uint32_t code);

std::vector<AccessibleElement> buildElementList(const ViewState& s, const WindowLayout& layout,
                                                ErrorTextFunction errorText);

// The unreadable folders as "path: reason" joined by `separator`, at most 15 of them,
// then "and N more".
std::u16string unreadableFoldersText(const Tree& tree, std::u16string_view separator, ErrorTextFunction errorText);

// The element carrying the keyboard focus's code: the focused cell stands for the map
// while one exists.
int32_t focusedElementCode(const ViewState& s);
// Index of the element with `code` in the list, -1 when absent.
int32_t findElement(const std::vector<AccessibleElement>& list, int32_t code);

// Extension points: the lists, the type and address suggestions and the drop hint
// join the list in buildElementList where their rows stand.
