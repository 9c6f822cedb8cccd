// The deletion thread as the main window runs it: starting a job, asking it to stop,
// cancelling and joining it, and taking its results over.
//
// Threads and ownership.
//  - `job` is created and filled by the window thread before the thread starts. While
//    the thread runs, the window writes only job->cancel and reads only job->progress;
//    the thread writes job->outcomes[i] before it stores progress i + 1 (release) and
//    reads cancel before each item (ui/deletion_job.h).
//  - `progressPosted` is the one other thing both touch: the thread sets it when it
//    posts a progress message, the window clears it when it handles one, so that a
//    long job never fills the message queue.
//  - The thread posts kDeleteProgressMessage (wParam 0 progress, 1 the end; lParam
//    the job's generation) and touches nothing of the window. The window takes the
//    outcomes over only after joining the thread on the end message of the newest
//    generation; it alone changes the tree and the marks, after the thread has ended.
//
// Threading: the window thread, apart from what the deletion thread's body does.
#pragma once
#include "platform/platform.h"
#include "ui/deletion_job.h"
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <memory>

struct MainWindow;
struct Tree;

constexpr UINT kDeleteProgressMessage = WM_APP + 11;   // wParam: 0 progress, 1 finished; lParam: generation

struct DeletionRun {
  std::unique_ptr<DeletionJob> job;
  Thread thread;
  uint32_t generation = 0;                 // of the newest job; late messages of older ones are ignored
  std::atomic<uint8_t> progressPosted{0};
  int64_t finished = 0;                    // jobs taken over (a test waits on it)
};

// StartDeletion: the job over the review's job nodes, then its thread.
void beginDeletion(MainWindow& w);
// RequestDeletionCancel: the thread stops before its next item.
void requestDeletionStop(MainWindow& w);
// CancelDeletion: stop and join the thread; what it deleted is cut out of `tree` when
// that tree lives on.
void cancelDeletionThread(MainWindow& w, Tree* tree);
// kDeleteProgressMessage.
void onDeletionProgress(MainWindow& w, WPARAM finished, LPARAM generation);
// Test-input mode: the marks, the review and the job as properties.
void publishDeletionTestState(MainWindow& w);
