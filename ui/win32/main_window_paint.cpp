// WM_PAINT of the main window: one frame through the render layer, the frame's
// times for the performance panel and, in test-input mode, the window's state as
// properties that tests read (set before the frame counter, so a test that sees
// a new frame sees that frame's state).
//
// Test properties (test-input mode only; integers are the property handle):
//   MossbloomTest.Scan       0 no tree, 1 scanning, 2 stopping, 3 a tree shown (set last)
//   .ScanOf                  generation << 4 | Scan, for waiting on one scan's state (set last)
//   .Generation .Done        the newest scan's number and its items so far
//   .Files .Folders .Pending the shown tree's counts (pending: folders not scanned)
//   .RootSize .Shown         the shown tree's logical size, and its size as the map weighs it
//   .ViewRoot .Method        the view root's node; 0 walk, 1 fast scan, 2 CSV
//   .Continue                1 while "Continue" is shown
//   .Map                     the map area: left << 48 | top << 32 | right << 16 | bottom
//   .Cells .LargestCell      the map's cells and the largest one, in map pixels, packed as .Map
//   .Dpi .Focus              the window's DPI, whether it holds the keyboard focus
//   .LavaT .LavaTotal        the glow's progress (-1: none) and its value at rest
//   .LavaGpuFrames .LavaCpuFrames  map bitmaps the glow's GPU and CPU paths made
//   .Transition              1 a zoom transition runs, 2 a marks transition, 0 none
//   .ZoomFrames .MarksFrames frames drawn by each transition; .LastZoomFps (-1 none)
//   .ZoomFolder              the last zoom's folder rectangle in map pixels, packed as .Map
//   .NoticeText .Summary     global atoms holding the notice's and the summary line's texts
//                            (at most 255 units)
//   the marks, the review and the deletion: see publishDeletionTestState
//   .ExportName              an atom: the file name the last export dialog proposed
//   .DriveCount .Drive<N>    the sidebar's entries, each an atom "<title>\t<second line>"
//
// Threading: the window thread.
#include "treemap/treemap.h"
#include "ui/summary_text.h"
#include "ui/view_rules.h"
#include "ui/win32/drive_list.h"
#include "ui/win32/main_window.h"

namespace {

void setProperty(HWND window, const wchar_t* name, int64_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}

int64_t packed(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return (left & 0xFFFF) << 48 | (top & 0xFFFF) << 32 | (right & 0xFFFF) << 16 | (bottom & 0xFFFF);
}

}  // namespace

// A text as a global atom another process can read; the previous one is let go.
void publishTestText(HWND window, const wchar_t* name, std::u16string_view text) {
  std::wstring value(text.begin(), text.begin() + std::min<size_t>(text.size(), 255));
  ATOM old = static_cast<ATOM>(reinterpret_cast<uintptr_t>(GetPropW(window, name)));
  ATOM atom = value.empty() ? 0 : GlobalAddAtomW(value.c_str());
  SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(atom)));
  if (old) GlobalDeleteAtom(old);
}

void publishTestState(MainWindow& w) {
  if (!w.testInput) return;
  const ViewState& s = w.state;
  HWND h = w.window;
  setProperty(h, L"MossbloomTest.Generation", s.scan.generation);
  setProperty(h, L"MossbloomTest.Done", w.handOver.progress.done.load());
  const Tree* tree = hasTree(s) ? s.shown.tree : nullptr;
  setProperty(h, L"MossbloomTest.Files", tree ? tree->fileCount : 0);
  setProperty(h, L"MossbloomTest.Folders", tree ? tree->folderCount : 0);
  setProperty(h, L"MossbloomTest.Pending", tree ? tree->pendingFolderCount : 0);
  setProperty(h, L"MossbloomTest.RootSize", tree ? logicalSize(*tree, tree->rootIndex) : 0);
  setProperty(h, L"MossbloomTest.Shown", tree ? shownSize(s, tree->rootIndex) : 0);
  setProperty(h, L"MossbloomTest.ViewRoot", s.shown.viewRoot);
  setProperty(h, L"MossbloomTest.Method", static_cast<int64_t>(s.shown.source));
  setProperty(h, L"MossbloomTest.Continue", continueShown(s) ? 1 : 0);
  const PixelRect& map = w.layout.content.map;
  setProperty(h, L"MossbloomTest.Map", packed(map.left, map.top, map.right, map.bottom));
  int64_t cells = 0, largest = 0, largestArea = -1;
  if (s.treemap && s.treemapWidth == map.width() && s.treemapHeight == map.height()) {
    cells = static_cast<int64_t>(s.treemap->rectCount);
    for (uint64_t i = 0; i < s.treemap->rectCount; i++) {
      const TreemapRect& r = s.treemap->rects()[i];
      int64_t area = int64_t(r.x1 - r.x0) * (r.y1 - r.y0);
      if (area > largestArea) {
        largestArea = area;
        largest = packed(r.x0, r.y0, r.x1, r.y1);
      }
    }
  }
  setProperty(h, L"MossbloomTest.Cells", cells);
  setProperty(h, L"MossbloomTest.LargestCell", largest);
  setProperty(h, L"MossbloomTest.Dpi", s.dpi);
  const MapBitmap& bitmap = w.paint.bitmap;
  setProperty(h, L"MossbloomTest.LavaT", bitmap.lava.t);
  setProperty(h, L"MossbloomTest.LavaTotal", bitmap.lava.total);
  setProperty(h, L"MossbloomTest.LavaGpuFrames", static_cast<int64_t>(bitmap.gpuFrames));
  setProperty(h, L"MossbloomTest.LavaCpuFrames", static_cast<int64_t>(bitmap.cpuGlows));
  setProperty(h, L"MossbloomTest.Focus", s.windowHasFocus ? 1 : 0);
  const MapTransitions& transitions = w.paint.transitions;
  setProperty(h, L"MossbloomTest.Transition", transitions.zoom.running ? 1 : transitions.marks.running ? 2 : 0);
  setProperty(h, L"MossbloomTest.ZoomFrames", static_cast<int64_t>(transitions.zoomFramesDrawn));
  setProperty(h, L"MossbloomTest.MarksFrames", static_cast<int64_t>(transitions.marksFramesDrawn));
  setProperty(h, L"MossbloomTest.LastZoomFps", static_cast<int64_t>(s.performance.lastZoomFps));
  const PixelRect& folder = transitions.zoom.folder;
  setProperty(h, L"MossbloomTest.ZoomFolder", packed(folder.left, folder.top, folder.right, folder.bottom));
  publishTestText(h, L"MossbloomTest.NoticeText", s.notice.text);
  publishTestText(h, L"MossbloomTest.Summary", summaryLine(w.layout.summary));
  publishDeletionTestState(w);
  publishDriveTexts(w);
  // Last: a test that waits for a scan state reads the rest of the same state.
  int64_t scan = s.scan.stopping ? 2 : s.scan.scanning ? 1 : hasTree(s) ? 3 : 0;
  setProperty(h, L"MossbloomTest.Scan", scan);
  setProperty(h, L"MossbloomTest.ScanOf", int64_t(s.scan.generation) << 4 | scan);
}

void repaintHoverParts(MainWindow& w) {
  // The old and the new outlines and the status line, not the whole map: a hover
  // frame then draws and presents a few thin strips (main_paint.h).
  HoverDamage damage = hoverDamage(w.paint, w.state, w.layout);
  for (int32_t i = 0; i < damage.count; i++) {
    const PixelRect& r = damage.rects[i];
    RECT rect = {r.left, r.top, r.right, r.bottom};
    InvalidateRect(w.window, &rect, FALSE);
  }
}

void repaintStatusRegion(MainWindow& w) {
  PixelRect r = statusRegion(w.layout, w.state.clientHeight);
  RECT rect = {r.left, r.top, r.right, r.bottom};
  InvalidateRect(w.window, &rect, FALSE);
}

void syncLavaTimer(MainWindow& w) {
  if (w.paint.lavaFlowing == w.lavaTimerOn) return;
  w.lavaTimerOn = w.paint.lavaFlowing;
  if (w.lavaTimerOn) SetTimer(w.window, kLavaTimer, kLavaTimerMs, nullptr);
  else KillTimer(w.window, kLavaTimer);
}

void onLavaTimer(MainWindow& w) {
  if (!mapGlowStep(w.paint.bitmap, nowMs())) w.paint.lavaFlowing = false;
  syncLavaTimer(w);
  requestMapAnimationFrame(w);   // only the map changes
}

void onPaint(MainWindow& w) {
  if (!w.painting) {   // until Direct2D has started a paint only validates
    ValidateRect(w.window, nullptr);
    return;
  }
  // The texts the layout holds (progress, elapsed time, summary) change between
  // layouts; the pass is cheap and moves no child that stays where it is. A part
  // of the window kept from the last frame stays right only when they did not.
  const std::u16string summaryBefore = summaryLine(w.layout.summary);
  const PixelRect pathBefore = w.layout.pathBar, scanBefore = w.layout.scanButton;
  relayout(w);
  syncListViews(w);
  refreshSuggestionPopup(w);
  if (summaryLine(w.layout.summary) != summaryBefore || !(w.layout.pathBar == pathBefore) ||
      !(w.layout.scanButton == scanBefore))
    InvalidateRect(w.window, nullptr, FALSE);
  FrameOptions options;
  options.publishFrameCounter = w.testInput;
  options.timing = &w.state.performance.frames;
  options.zooming = w.state.zoomRunning;
  FrameDamage damage;
  options.damage = &damage;
  PaintMotion motion;
  paintWindow(w.window, w.resources, options,
              [&](ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
                motion = paintMainWindow(w.paint, w.state, w.layout, dc, brush, width, height, &damage);
                publishTestState(w);
              });
  // The moving segment, the tip's fade, the knobs and the splitter ask for frames
  // until they rest; an idle window keeps only its one-second timer.
  if (motion.any()) SetTimer(w.window, kMotionTimer, 15, nullptr);
  else KillTimer(w.window, kMotionTimer);
  syncLavaTimer(w);
  refreshMapOverlayAfterPaint(w);
}
