// Carrying out what a decision of the portable window code asks for, in the
// order it asks: threads, settings, notices, focus, child windows. Effects that
// belong to parts of the window not built yet are named points that do nothing.
//
// Threading: the window thread.
#include "config/language.h"
#include "engine/format.h"
#include "ui/commands.h"
#include "ui/element_list.h"
#include "ui/filter_bar.h"
#include "ui/marking.h"
#include "ui/scan_lifecycle.h"
#include "ui/win32/accessible_main_window.h"
#include "ui/win32/address_field.h"
#include "ui/win32/main_window.h"
#include <oleacc.h>

namespace {

HWND childOf(const MainWindow& w, ElementRef element) {
  switch (element.id) {
    case ElementId::SearchEdit: return w.edits[0];
    case ElementId::TypesEdit: return w.edits[1];
    case ElementId::SizeEdit: return w.edits[2];
    case ElementId::AddressEdit: return w.edits[3];
    case ElementId::List:
      return w.state.currentView == MainView::Files        ? w.lists[0]
             : w.state.currentView == MainView::Extensions ? w.lists[1]
                                                           : nullptr;
    default: return nullptr;
  }
}

void showDriveMenu(MainWindow& w, int32_t driveIndex, bool offerContinue) {
  const SidebarLayout& sidebar = w.layout.sidebar;
  if (driveIndex < 0 || driveIndex >= static_cast<int32_t>(sidebar.driveRows.size())) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  std::u16string rescan(text(Text::Rescan)), more(text(Text::ContinueScanning)), cancel(text(Text::Cancel));
  AppendMenuW(menu, MF_STRING, kDriveMenuRescan, reinterpret_cast<const wchar_t*>(rescan.c_str()));
  if (offerContinue) AppendMenuW(menu, MF_STRING, kDriveMenuContinue, reinterpret_cast<const wchar_t*>(more.c_str()));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kDriveMenuCancel, reinterpret_cast<const wchar_t*>(cancel.c_str()));
  // At the entry's lower left, its bottom clipped to the visible part of the list.
  const PixelRect& row = sidebar.driveRows[driveIndex];
  POINT at = {row.left, std::min(row.bottom, sidebar.driveList.bottom)};
  ClientToScreen(w.window, &at);
  int32_t choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, w.window, nullptr);
  DestroyMenu(menu);
  Outcome next = driveMenuChosen(w.state, driveIndex, choice);
  runOutcome(w, next);
}

void announce(MainWindow& w, DWORD event, int32_t code) { announceElement(w, event, code); }

void runEffect(MainWindow& w, Effect& e) {
  ViewState& s = w.state;
  switch (e.kind) {
    case EffectKind::CancelScan: cancelScanThread(w); break;
    // Esc leaves the state exporting until the thread reports; a cancel that already
    // ended the export in the state (a scan starts) waits for the thread here.
    case EffectKind::CancelExport: cancelExport(w, !s.exporting.running); break;
    case EffectKind::OpenExportDialog: openExportDialog(w); break;
    case EffectKind::CancelDeletion: cancelDeletionThread(w, e.tree); break;
    case EffectKind::FreeTree:
      // The cells and the weights belong to that tree: they go first.
      resetMainMap(w.paint, s);
      freeTree(e.tree);
      w.weights.clear();
      w.weights.shrink_to_fit();
      break;
    case EffectKind::RegisterRestart: registerRestart(w, e.text); break;
    case EffectKind::StartScanThread: beginScanThread(w, e); break;
    case EffectKind::StartImportThread: beginImportThread(w, e); break;
    case EffectKind::StartContinueThread: beginContinueThread(w, e); break;
    case EffectKind::RequestStop: w.handOver.progress.cancel.store(1); break;
    case EffectKind::StopScanTimer: KillTimer(w.window, kScanTimer); break;
    case EffectKind::ReadMemoryCounters: s.performance.memory = memoryCounters(); break;
    case EffectKind::SaveSetting: saveSetting(w, e.section, e.key, e.text); break;
    case EffectKind::NoticeShown:
      SetPropW(w.window, L"Mossbloom.Info", reinterpret_cast<HANDLE>(static_cast<intptr_t>(e.number)));
      if (e.number != 0) announce(w, EVENT_SYSTEM_ALERT, elementCode({ElementId::ReadOnlyText, kNoticeText}));
      break;
    case EffectKind::RelaunchAsAdministrator: relaunchForFastScan(w); break;
    case EffectKind::ApplyFilters: applyFilters(w); break;
    case EffectKind::ClearFilterFields:
      for (int i = 0; i < 3; i++) SetWindowTextW(w.edits[i], L"");
      KillTimer(w.window, kFilterTimer);   // the edits' change notices are answered now
      break;
    case EffectKind::SetDecimalSizes: setDecimalSizes(e.flag); break;
    case EffectKind::ResetMap: resetMainMap(w.paint, s); break;
    case EffectKind::ZoomMap: zoomMapNow(w, e); break;
    case EffectKind::StartPanelAnimation:
      w.panelAnimationStart = nowMs();
      SetTimer(w.window, kPanelTimer, 15, nullptr);
      break;
    case EffectKind::StartResizeTimer: SetTimer(w.window, kResizeTimer, 150, nullptr); break;
    case EffectKind::FocusChild:
      if (HWND child = childOf(w, e.element)) setKeyboardFocus(w, child);
      break;
    case EffectKind::FocusMainWindow: setKeyboardFocus(w, w.window); break;
    case EffectKind::AnnounceFocus: announce(w, EVENT_OBJECT_FOCUS, focusedElementCode(s)); break;
    case EffectKind::AnnounceValueChange: announce(w, EVENT_OBJECT_VALUECHANGE, elementCode(e.element)); break;
    case EffectKind::ShowAddressEdit: {
      HWND edit = w.edits[3];
      SetWindowTextW(edit, reinterpret_cast<const wchar_t*>(e.text.c_str()));
      ShowWindow(edit, SW_SHOW);
      setKeyboardFocus(w, edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      break;
    }
    case EffectKind::HideAddressEdit: hideAddressEdit(w); break;
    case EffectKind::ShowDriveMenu: showDriveMenu(w, e.number, e.flag); break;
    case EffectKind::CaptureMouse: SetCapture(w.window); break;
    case EffectKind::ReleaseMouse:
      if (GetCapture() == w.window) ReleaseCapture();
      break;
    case EffectKind::RestartFilterTimer: SetTimer(w.window, kFilterTimer, kTypingPauseMs, nullptr); break;
    case EffectKind::SetWindowTitle: SetWindowTextW(w.window, reinterpret_cast<const wchar_t*>(e.text.c_str())); break;
    case EffectKind::RaiseAlert: announce(w, EVENT_SYSTEM_ALERT, elementCode(e.element)); break;
    case EffectKind::ShowFilterEdits:
      for (int i = 0; i < 3; i++) ShowWindow(w.edits[i], e.flag ? SW_SHOWNA : SW_HIDE);
      break;
    case EffectKind::SetFieldText:
      if (HWND edit = childOf(w, e.element)) {
        // The edit's change notice follows at once and updates the state from the text.
        SetWindowTextW(edit, reinterpret_cast<const wchar_t*>(e.text.c_str()));
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(e.number), static_cast<LPARAM>(e.number));
      }
      break;
    case EffectKind::ShowSuggestions: showSuggestionPopup(w); break;
    case EffectKind::HideSuggestions: hideSuggestionPopup(w); break;
    case EffectKind::ShowLists:
      hideListViews(w, static_cast<MainView>(e.number));
      repaint(w);   // the wanted list is shown and filled at the paint
      break;
    case EffectKind::SelectAllListRows: selectAllListRows(w); break;
    case EffectKind::StartDeletion: beginDeletion(w); break;
    case EffectKind::RequestDeletionCancel: requestDeletionStop(w); break;
    case EffectKind::MarksTransition: startMarksTransitionNow(w, e.flag); break;
    case EffectKind::MarkNodes: {
      Outcome next;
      markNodes(s, e.nodes, next);
      runOutcome(w, next);
      break;
    }
    // Named points of the parts still to come: the About card, the Settings window,
    // updates, Explorer, dragging to mark.
    case EffectKind::StartListDrag:
    case EffectKind::ShowAbout:
    case EffectKind::OpenSettings:
    case EffectKind::CheckForUpdates:
    case EffectKind::StartUpdateDownload:
    case EffectKind::ShowInExplorer:
    case EffectKind::ArmDragToMark:
    case EffectKind::CancelDragToMark:
    case EffectKind::MarkOrUnmark:   // Delete on a cell changes the state itself now
      break;
  }
}

}  // namespace

void runOutcome(MainWindow& w, Outcome& outcome) {
  for (Effect& e : outcome.effects) runEffect(w, e);
  if (outcome.relayout) relayout(w);
  if (outcome.repaint) repaint(w);
}

void showNoticeNow(MainWindow& w, NoticeKind kind, std::u16string_view message) {
  Outcome out;
  showNotice(w.state, kind, message, out);
  runOutcome(w, out);
}

void showStartNotice(MainWindow& w, NoticeKind kind, std::u16string_view message) { showNoticeNow(w, kind, message); }
