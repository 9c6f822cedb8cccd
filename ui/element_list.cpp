// The accessible element list, in the order screen readers and the Tab key meet it:
// sidebar, path bar, toolbar, notice, filter bar, tabs, review, content, marks,
// performance; then the final pass for the review and the focus.
#include "ui/element_list.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/content_text.h"
#include "ui/drive_text.h"
#include "ui/filter_bar.h"
#include "ui/lists.h"
#include "ui/navigation.h"
#include "ui/performance_text.h"
#include "ui/review_text.h"
#include "ui/status_text.h"
#include "ui/suggestions.h"
#include "ui/tooltip_text.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <string>

namespace {

struct ListBuilder {
  std::vector<AccessibleElement> list;

  // An element with the role's conventions: buttons and list items are focusable and
  // pressed, radios selected, check buttons checked or unchecked.
  AccessibleElement& add(ElementRef ref, AccessibleRole role, std::u16string_view name, const PixelRect& rect,
                         bool enabled = true, int32_t group = kGroupNone) {
    AccessibleElement e;
    e.code = elementCode(ref);
    e.role = role;
    e.name = std::u16string(name);
    e.rect = rect;
    e.group = group;
    switch (role) {
      case AccessibleRole::PushButton:
      case AccessibleRole::ListItem:
        e.state |= kStateFocusable;
        e.defaultAction = text(Text::Press);
        break;
      case AccessibleRole::RadioButton:
        e.state |= kStateFocusable;
        e.defaultAction = text(Text::Select);
        break;
      case AccessibleRole::CheckButton:
        e.state |= kStateFocusable;
        break;
      default:
        break;
    }
    if (!enabled) e.state = (e.state | kStateUnavailable) & ~kStateFocusable;
    list.push_back(std::move(e));
    return list.back();
  }
};

void checkedIf(AccessibleElement& e, bool on) {
  if (on) e.state |= kStateChecked;
}

void addSidebar(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  const SidebarLayout& bar = layout.sidebar;
  for (size_t i = 0; i < s.drives.size(); i++) {
    const DriveEntry& drive = s.drives[i];
    PixelRect row = i < bar.driveRows.size() ? bar.driveRows[i] : PixelRect{};
    PixelRect shown = intersect(row, bar.driveList);
    AccessibleElement& e = b.add({ElementId::Drive, static_cast<int32_t>(i)}, AccessibleRole::PushButton,
                                 driveTitle(drive), shown, true, kGroupDrives);
    e.description = driveDescription(s, drive);
    e.defaultAction = text(Text::Scan_12);
    if (static_cast<int32_t>(i) == s.scan.driveIndex) e.state |= kStateSelected;
    if (shown.empty()) e.state |= kStateOffscreen;
  }
  const bool fast = fastScanEffective(s);
  AccessibleElement& standard = b.add({ElementId::StandardScan, -1}, AccessibleRole::RadioButton, text(Text::StandardScan),
                                      bar.standardOption, true, kGroupScanMode);
  standard.description = text(Text::DirectoryWalk_15);
  checkedIf(standard, !fast);
  const uint8_t fastState = fastScanStateOf(s);
  AccessibleElement& fastScan = b.add({ElementId::FastScan, -1}, AccessibleRole::RadioButton, text(Text::FastScan),
                                      bar.fastOption, fastState < kFastScanRestartHidden, kGroupScanMode);
  const Text fastDescriptions[] = {Text::ReadsTheNTFSMFTDirectly, Text::RestartsAsAdministrator,
                                   Text::RequiresAdministratorRestartingAsAdministratorIs, Text::ManagedByYourOrganization};
  fastScan.description = text(fastDescriptions[fastState < 4 ? fastState : 3]);
  checkedIf(fastScan, fast);
  if (elevateCheckShown(s)) {
    bool allowed = elevateToggleAllowed(s);
    AccessibleElement& check = b.add({ElementId::ElevateAtStart, -1}, AccessibleRole::CheckButton,
                                     text(Text::AlwaysStartAsAdministrator), bar.elevateCheck, allowed);
    checkedIf(check, s.settings.elevateAtStart);
    check.defaultAction = text(s.settings.elevateAtStart ? Text::Uncheck : Text::Check);
    check.description = text(allowed ? Text::AsksForAdministratorRightsUACAt : Text::RestartingAsAdministratorIsTurnedOff);
  }
  if (s.facts.isAdministrator)
    b.add({ElementId::ReadOnlyText, kRunningAsAdministratorText}, AccessibleRole::StaticText,
          text(Text::RunningAsAdministrator), bar.adminLabel);
  b.add({ElementId::About, -1}, AccessibleRole::PushButton, text(Text::AboutMossbloom), bar.about).shortcut = u"F1";
  b.add({ElementId::Settings, -1}, AccessibleRole::PushButton, text(Text::Settings_201), bar.settings);
  AccessibleElement& version = b.add({ElementId::Version, -1}, AccessibleRole::PushButton,
                                     formatText(text(Text::Version), {s.facts.version}), bar.version, !updateChecksOff(s));
  if (updateChecksOff(s)) version.description = text(Text::ManagedByYourOrganization);
  else if (!s.facts.availableVersion.empty())
    version.description = formatText(text(Text::VersionIsAvailable), {s.facts.availableVersion});
  else version.description = text(Text::CheckForUpdates);
  AccessibleElement& grip = b.add({ElementId::Splitter, -1}, AccessibleRole::Grip, text(Text::SidebarWidth), bar.splitter);
  grip.state |= kStateFocusable;
  std::string width = std::to_string(bar.width);
  grip.value.assign(width.begin(), width.end());
  grip.description = text(Text::TheLeftAndRightArrowKeys);
  grip.defaultAction = text(Text::Press);
}

void addPathBar(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  if (s.addressShown) {
    AccessibleElement& field = b.add({ElementId::AddressEdit, -1}, AccessibleRole::Text, text(Text::Address), layout.addressEdit);
    field.state |= kStateFocusable;
    field.child = ChildControl::AddressEdit;
    return;
  }
  AccessibleElement& address = b.add({ElementId::Address, -1}, AccessibleRole::PushButton, text(Text::Address),
                                     layout.pathBar, !s.scan.scanning);
  address.value = hasTree(s) && isValidNode(s, s.shown.viewRoot) ? nodePath(*s.shown.tree, s.shown.viewRoot) : s.scan.rootPath;
  address.defaultAction = text(Text::Edit);
  address.shortcut = text(Text::CtrlL);
  const Breadcrumb& crumb = layout.breadcrumb;
  for (size_t i = 0; i + 1 < crumb.segments.size(); i++) {
    const BreadcrumbSegment& segment = crumb.segments[i];
    if (segment.node < 0 && segment.path.empty()) continue;
    AccessibleElement& e = b.add({ElementId::BreadcrumbSegment, static_cast<int32_t>(i)}, AccessibleRole::PushButton,
                                 segment.name, segment.rect, true, kGroupBreadcrumb);
    // Collapsed into "…": still listed, but neither shown nor a focus stop.
    if (segment.collapsed) e.state = (e.state | kStateInvisible | kStateOffscreen) & ~kStateFocusable;
  }
}

void addToolbarAndNotice(const ViewState& s, const WindowLayout& layout, ListBuilder& b, ErrorTextFunction errorText) {
  AccessibleElement& status = b.add({ElementId::ReadOnlyText, kStatusLineText}, AccessibleRole::StaticText,
                                    statusLine(s), layout.status.text);
  if (hasTree(s) && s.shown.tree->unreadableFolderCount > 0)
    status.description = unreadableFoldersText(*s.shown.tree, u"; ", errorText);
  b.add({ElementId::Up, -1}, AccessibleRole::PushButton, text(Text::Up), layout.upButton, upEnabled(s)).shortcut =
      text(Text::Backspace);
  b.add({ElementId::ScanButton, -1}, AccessibleRole::PushButton, scanButtonLabel(s, true), layout.scanButton,
        scanButtonEnabled(s))
      .shortcut = s.scan.scanning ? std::u16string(text(Text::Esc)) : u"F5";
  AccessibleElement& exportButton =
      b.add({ElementId::Export, -1}, AccessibleRole::PushButton, text(Text::Export), layout.exportButton, exportEnabled(s));
  exportButton.shortcut = text(Text::CtrlE);
  exportButton.description = text(Text::SavesTheScanAsACSV);
  if (!layout.continueButton.empty())
    b.add({ElementId::Continue, -1}, AccessibleRole::PushButton, text(Text::Continue), layout.continueButton);
  if (!layout.content.useFastScan.empty())
    b.add({ElementId::UseFastScan, -1}, AccessibleRole::PushButton, text(Text::UseFastScan), layout.content.useFastScan)
        .description = text(Text::TipFastScanReadsTheNTFS);
  if (noticeShown(s)) {
    b.add({ElementId::ReadOnlyText, kNoticeText}, AccessibleRole::Alert, s.notice.text, layout.noticeText);
    if (noticeActionShown(s))
      b.add({ElementId::NoticeAction, -1}, AccessibleRole::PushButton,
            text(s.notice.action == NoticeAction::Update ? Text::Update : Text::TurnOn), layout.noticeAction);
    b.add({ElementId::CloseNotice, -1}, AccessibleRole::PushButton, text(Text::CloseMessage), layout.noticeClose);
  }
}

void addFilterBar(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  const struct {
    ElementId id;
    Text name;
    const PixelRect* rect;
    ChildControl child;
    const std::u16string* value;
  } fields[] = {{ElementId::SearchEdit, Text::SearchNames, &layout.searchField, ChildControl::SearchEdit, &s.filter.search},
                {ElementId::TypesEdit, Text::FileTypes, &layout.typesField, ChildControl::TypesEdit, &s.filter.types},
                {ElementId::SizeEdit, Text::LargerThan_78, &layout.sizeField, ChildControl::SizeEdit, &s.filter.minimumSize}};
  for (const auto& f : fields) {
    AccessibleElement& e = b.add({f.id, -1}, AccessibleRole::Text, text(f.name), *f.rect);
    e.state |= kStateFocusable;
    e.child = f.child;
    e.value = *f.value;
    // The hint the summary line appends, without its joining " · ".
    if (filterFieldShowsError(s, f.id)) {
      std::u16string_view hint = text(Text::SizeNotUnderstoodTry500MB);
      e.description = std::u16string(hint.substr(std::min(hint.size(), hint.find_first_not_of(u" \u00B7"))));
    }
  }
  b.add({ElementId::ClearFilters, -1}, AccessibleRole::PushButton, text(Text::ClearFilters), layout.clearFilters,
        anyFilterText(s));
  const bool fixed = sizeModeFixedByPolicy(s);
  AccessibleElement& logical = b.add({ElementId::LogicalSizes, -1}, AccessibleRole::RadioButton, text(Text::LogicalSizes),
                                     layout.logicalSizes, !fixed, kGroupSizeMode);
  checkedIf(logical, s.settings.sizeMode == SizeMode::Logical);
  logical.description = tooltipText(s, 4, nullptr);
  AccessibleElement& onDisk = b.add({ElementId::SizesOnDisk, -1}, AccessibleRole::RadioButton, text(Text::SizesOnDisk),
                                    layout.sizesOnDisk, !fixed, kGroupSizeMode);
  checkedIf(onDisk, s.settings.sizeMode == SizeMode::OnDisk);
  onDisk.description = tooltipText(s, 5, nullptr);
  checkedIf(b.add({ElementId::DecimalUnits, -1}, AccessibleRole::RadioButton, text(Text::DecimalSizesGB), layout.decimalUnits,
                  true, kGroupUnits),
            s.settings.sizeUnits == SizeUnits::Decimal);
  checkedIf(b.add({ElementId::BinaryUnits, -1}, AccessibleRole::RadioButton, text(Text::BinarySizesGiB), layout.binaryUnits,
                  true, kGroupUnits),
            s.settings.sizeUnits == SizeUnits::Binary);
  const Text tabs[3] = {Text::Map, Text::Files_111, Text::Extensions};
  const char16_t* shortcuts[3] = {u"Ctrl+1", u"Ctrl+2", u"Ctrl+3"};
  for (int32_t i = 0; i < 3; i++) {
    AccessibleElement& tab = b.add({ElementId::ViewTab, i}, AccessibleRole::PageTab, text(tabs[i]), layout.tabs[i], true, kGroupTabs);
    tab.state |= kStateSelectable;
    if (static_cast<int32_t>(s.currentView) == i) tab.state |= kStateSelected;
    tab.shortcut = shortcuts[i];
  }
}

void addReview(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  if (!s.review.open) return;
  const ContentLayout& c = layout.content;
  ReviewCardText card = reviewCardText(s);
  b.add({ElementId::ReadOnlyText, kReviewCardText}, AccessibleRole::StaticText, card.text, c.reviewText);
  if (!c.reviewMain.empty()) b.add({ElementId::ReviewMain, -1}, AccessibleRole::PushButton, card.mainButton, c.reviewMain);
  if (!c.reviewSecond.empty())
    b.add({ElementId::ReviewSecond, -1}, AccessibleRole::PushButton, card.secondButton, c.reviewSecond);
  if (!c.reviewBack.empty())
    b.add({ElementId::ReviewBack, -1}, AccessibleRole::PushButton, text(Text::Back), c.reviewBack).shortcut = text(Text::Esc);
}

void addContent(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  const PixelRect& map = layout.content.map;
  if (listWanted(s)) {
    AccessibleElement& list = b.add({ElementId::List, -1}, AccessibleRole::List,
                                    text(s.currentView == MainView::Files ? Text::Files_111 : Text::Extensions), map);
    list.state |= kStateFocusable;
    list.child = ChildControl::ListView;
    return;   // the rows are the list view's own accessible items
  }
  const int32_t cell = focusedCell(s);
  AccessibleElement& treemap = b.add({ElementId::Map, -1}, AccessibleRole::List, text(Text::Treemap), map);
  if (s.scan.scanning) treemap.value = formatText(text(Text::Scanning_45), {s.scan.rootPath, scanProgressText(s)});
  else if (hasTree(s) && isValidNode(s, s.shown.viewRoot))
    treemap.value = formatText(text(Text::Text290), {nodePath(*s.shown.tree, s.shown.viewRoot),
                                                     formatSize(shownSize(s, s.shown.viewRoot))});
  if (cell < 0) {
    treemap.state |= kStateFocusable;
    return;
  }
  const Tree& tree = *s.shown.tree;
  const TreemapRect& r = s.treemap->rects()[cell];
  PixelRect rect{map.left + r.x0, map.top + r.y0, map.left + r.x1, map.top + r.y1};
  AccessibleElement& item = b.add({ElementId::Map, 0}, AccessibleRole::ListItem, nodeName(tree, r.node), rect);
  item.state |= kStateSelectable | kStateSelected;
  item.value = nodeSizeText(s, r.node);
  item.description = formatText(text(isFolder(tree, r.node) ? Text::Folder_149 : Text::File_150), {nodePath(tree, r.node)});
  if (std::u16string failure = deletionErrorOf(s, r.node); !failure.empty()) item.description += u" · " + failure;
  int32_t target = zoomTarget(s, cell);
  item.defaultAction = target >= 0 ? formatText(text(Text::ZoomInto), {nodeName(tree, target)})
                                   : std::u16string(text(Text::ShowInExplorer));
}

void addMarksAndPanel(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  if (!layout.status.marksPill.empty())
    b.add({ElementId::MarksPill, -1}, AccessibleRole::PushButton, marksPillName(s), layout.status.marksPill).description =
        text(Text::MarkedForDeletionNothingIsDeleted);
  if (!s.marks.leftOutText.empty())
    b.add({ElementId::ReadOnlyText, kLeftOutText}, AccessibleRole::Alert, s.marks.leftOutText, layout.status.text);
  // Extension point: the drop hint (34, 7) while a drag to mark runs.
  const PerformancePanel panel = panelState(s);
  if (panel == PerformancePanel::Hidden) return;
  AccessibleElement& header = b.add({ElementId::PerformanceHeader, -1}, AccessibleRole::PushButton,
                                    text(Text::PerformanceDetails), layout.status.panelButton);
  header.state |= panel == PerformancePanel::Open ? kStateExpanded : kStateCollapsed;
  if (panel == PerformancePanel::Open)
    b.add({ElementId::ReadOnlyText, kPerformanceText}, AccessibleRole::StaticText, text(Text::Performance),
          layout.panel.panel)
        .value = performanceAccessibleValue(s);
}

// The completion popup's items, over everything else: listed last, so that hit testing
// (the last element containing the point) finds them. The focus stays in the field.
void addSuggestions(const ViewState& s, const WindowLayout& layout, ListBuilder& b) {
  const SuggestionPopup& popup = s.suggestions;
  if (popup.owner == ElementId::None || popup.items.empty()) return;
  const int32_t count = static_cast<int32_t>(popup.items.size());
  const PixelRect area = suggestionPopupRect(filterFieldRect(layout, popup.owner), count, s.dpi);
  for (int32_t i = 0; i < count; i++) {
    const Suggestion& item = popup.items[i];
    const int32_t top = area.top + scaleDip(4 + 32 * int64_t(i), s.dpi);
    const int32_t bottom = area.top + scaleDip(4 + 32 * int64_t(i + 1), s.dpi);
    AccessibleElement& e = b.add({popup.owner, i}, AccessibleRole::ListItem, item.label,
                                 {area.left + scaleDip(4, s.dpi), top, area.right - scaleDip(4, s.dpi), bottom});
    e.description = item.detail;
    e.state = (e.state & ~kStateFocusable) | kStateSelectable;
    if (i == popup.highlighted) e.state |= kStateSelected;
  }
}

}  // namespace

std::u16string unreadableFoldersText(const Tree& tree, std::u16string_view separator, ErrorTextFunction errorText) {
  constexpr size_t kListed = 15;
  std::u16string out;
  size_t listed = 0;
  for (const UnreadableFolder& folder : tree.unreadableFolders) {
    if (folder.node < 0 || folder.node >= tree.nodeCount) continue;
    if (listed == kListed) {
      size_t more = tree.unreadableFolders.size() - kListed;
      out += formatText(text(Text::AndMore), {separator, formatCount(static_cast<int64_t>(more))});
      break;
    }
    if (listed++ > 0) out += separator;
    out += nodePath(tree, folder.node);
    out += u": ";
    if (errorText) out += errorText(static_cast<uint32_t>(folder.error));
  }
  return out;
}

int32_t focusedElementCode(const ViewState& s) {
  if (s.focus.id == ElementId::Map) return elementCode({ElementId::Map, focusedCell(s) >= 0 ? 0 : -1});
  return elementCode(s.focus);
}

int32_t findElement(const std::vector<AccessibleElement>& list, int32_t code) {
  for (size_t i = 0; i < list.size(); i++)
    if (list[i].code == code) return static_cast<int32_t>(i);
  return -1;
}

std::vector<AccessibleElement> buildElementList(const ViewState& s, const WindowLayout& layout, ErrorTextFunction errorText) {
  ListBuilder b;
  addSidebar(s, layout, b);
  addPathBar(s, layout, b);
  addToolbarAndNotice(s, layout, b, errorText);
  addFilterBar(s, layout, b);
  addReview(s, layout, b);
  addContent(s, layout, b);
  addMarksAndPanel(s, layout, b);
  addSuggestions(s, layout, b);

  const int32_t focusCode = s.focus.id == ElementId::None ? -1 : focusedElementCode(s);
  for (AccessibleElement& e : b.list) {
    if (s.review.open && ignoredInReview(elementFromCode(e.code).id)) e.state |= kStateUnavailable;
    if (e.state & kStateUnavailable) e.state &= ~kStateFocusable;
    if (s.windowHasFocus && e.code == focusCode && e.child == ChildControl::None) e.state |= kStateFocused;
  }
  return std::move(b.list);
}
