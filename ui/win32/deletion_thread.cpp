// The deletion thread as the window runs it, and the window's test properties of the
// marks and the review. The deleting itself is ShellDeletionBackend's (recycle_bin.h).
//
// Threading: see deletion_thread.h. postProgress and the closure run on the deletion
// thread; everything else here on the window thread.
#include "ui/win32/deletion_thread.h"

#include "platform/text.h"
#include <algorithm>
#include "treemap/treemap.h"
#include "ui/review.h"
#include "ui/review_text.h"
#include "ui/status_text.h"
#include "ui/win32/main_window.h"
#include "ui/win32/recycle_bin.h"

namespace {

// The deletion thread's side of the window: its closure and how it reports.
struct DeletionThreadContext {
  HWND window;
  uint32_t generation;
  DeletionJob* job;
  std::atomic<uint8_t>* posted;
};

void postProgress(void* context, bool finished) {
  const auto& c = *static_cast<DeletionThreadContext*>(context);
  const LPARAM generation = static_cast<LPARAM>(c.generation);
  if (!finished) {
    // One progress message in the queue at a time: the window reads the newest count.
    if (c.posted->exchange(1) == 0 && !PostMessageW(c.window, kDeleteProgressMessage, 0, generation)) c.posted->store(0);
    return;
  }
  // The end must arrive, or the review would wait for ever; only a window that
  // cancelled (and joins without it) or is gone does without it.
  while (!PostMessageW(c.window, kDeleteProgressMessage, 1, generation)) {
    if (c.job->cancel.load(std::memory_order_acquire) || !IsWindow(c.window)) return;
    Sleep(20);
  }
}

// Waits for the thread while answering messages other threads send to this one: the
// shell may send to the window that owns its questions.
void joinAnsweringSent(Thread& thread) {
  if (!thread.handle) return;
  HANDLE handle = static_cast<HANDLE>(thread.handle);
  while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  joinThread(thread);
}

void setProperty(HWND window, const wchar_t* name, int64_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}

}  // namespace

void beginDeletion(MainWindow& w) {
  DeletionRun& run = w.deletion;
  // The state refuses a second job; should one come anyway, never two threads run.
  if (run.thread.handle) cancelDeletionThread(w, w.state.shown.tree);
  run.job = std::make_unique<DeletionJob>();
  prepareDeletionJob(w.state, *run.job);
  run.generation++;
  run.progressPosted.store(0);
  DeletionJob* job = run.job.get();
  HWND window = w.window;
  const uint32_t generation = run.generation;
  std::atomic<uint8_t>* posted = &run.progressPosted;
  run.thread = startClosureThread(0, [context = DeletionThreadContext{window, generation, job, posted}]() mutable -> uint32_t {
    ShellDeletionBackend backend;
    backend.owner = context.window;
    backend.onProgress = postProgress;
    backend.context = &context;
    runDeletionJob(*context.job, backend);
    return 0;
  });
  // As with every thread of the window: one that cannot start ends the process.
  if (!run.thread.handle) failOutOfMemory();
}

void requestDeletionStop(MainWindow& w) {
  if (w.deletion.job) w.deletion.job->cancel.store(1, std::memory_order_release);
}

void cancelDeletionThread(MainWindow& w, Tree* tree) {
  DeletionRun& run = w.deletion;
  if (!run.thread.handle) return;
  run.job->cancel.store(1, std::memory_order_release);
  joinAnsweringSent(run.thread);
  if (tree) cutDeletedItems(*tree, *run.job);
  run.job.reset();
  run.generation++;   // its end message, still queued, belongs to nobody now
}

void onDeletionProgress(MainWindow& w, WPARAM finished, LPARAM generation) {
  DeletionRun& run = w.deletion;
  if (static_cast<uint32_t>(generation) != run.generation || !run.job) return;
  if (!finished) {
    run.progressPosted.store(0);
    deletionProgressed(w.state, run.job->progress.load(std::memory_order_acquire));
    repaint(w);
    return;
  }
  joinThread(run.thread);
  std::unique_ptr<DeletionJob> job = std::move(run.job);
  if (!w.state.review.deletionRunning) return;
  run.finished++;
  Outcome out;
  finishDeletion(w.state, *job, systemErrorText, out);
  runOutcome(w, out);
}

void publishDeletionTestState(MainWindow& w) {
  if (!w.testInput) return;
  const ViewState& s = w.state;
  HWND h = w.window;
  setProperty(h, L"MossbloomTest.MarkItems", s.marks.itemCount);
  setProperty(h, L"MossbloomTest.MarkNodes", static_cast<int64_t>(s.marks.set.nodes.size()));
  setProperty(h, L"MossbloomTest.MarkBytes", s.marks.bytes);
  setProperty(h, L"MossbloomTest.Review", (s.review.open ? 1 : 0) | (s.review.deletionRunning ? 2 : 0));
  setProperty(h, L"MossbloomTest.Failed", static_cast<int64_t>(s.review.failures.size()));
  setProperty(h, L"MossbloomTest.Permanent", static_cast<int64_t>(s.review.permanent.size()));
  setProperty(h, L"MossbloomTest.DeletionsDone", w.deletion.finished);
  publishTestText(h, L"MossbloomTest.ReviewText", s.review.open ? reviewCardText(s).text : std::u16string());
  publishTestText(h, L"MossbloomTest.DeleteError",
                  s.review.failures.empty() ? std::u16string() : s.review.failures.front().message);
  publishTestText(h, L"MossbloomTest.LeftOut", s.marks.leftOutText);
  // The largest cells by name and centre in client pixels ("name@x,y;…"), so that a test
  // can point at an item it knows by name.
  std::u16string cells;
  if (hasTree(s) && s.treemap && s.treemapWidth == w.layout.content.map.width()) {
    std::vector<uint64_t> order;
    for (uint64_t i = 0; i < s.treemap->rectCount; i++) order.push_back(i);
    auto area = [&](uint64_t i) {
      const TreemapRect& r = s.treemap->rects()[i];
      return int64_t(r.x1 - r.x0) * (r.y1 - r.y0);
    };
    std::sort(order.begin(), order.end(), [&](uint64_t a, uint64_t b) { return area(a) > area(b); });
    for (uint64_t i : order) {
      const TreemapRect& r = s.treemap->rects()[i];
      std::string centre = "@" + std::to_string(w.layout.content.map.left + (r.x0 + r.x1) / 2) + "," +
                           std::to_string(w.layout.content.map.top + (r.y0 + r.y1) / 2) + ";";
      std::u16string entry = nodeName(*s.shown.tree, r.node) + std::u16string(centre.begin(), centre.end());
      if (cells.size() + entry.size() > 255) break;
      cells += entry;
    }
  }
  publishTestText(h, L"MossbloomTest.CellNames", cells);
  // The item under the pointer as the status line names it, and its failure's reason.
  const int32_t hovered = hoverLineNode(s);
  publishTestText(h, L"MossbloomTest.Hover", hovered >= 0 ? nodeName(*s.shown.tree, hovered) : std::u16string());
  publishTestText(h, L"MossbloomTest.HoverError", hovered >= 0 ? deletionErrorOf(s, hovered) : std::u16string());
}
