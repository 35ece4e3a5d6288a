// The progress of a run on the window's taskbar button. The window owns one TaskbarProgress and the run
// talks to it; the real one goes through the shell's ITaskbarList3, tests put a recorder in its place.
// Knows nothing of runs: the window's run observer decides which state a moment of the run is.
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

namespace qv {

enum class TaskbarState {
  kNone,     // no progress shown (between runs)
  kNormal,   // converting
  kError,    // a file of the run failed; the run goes on
  kPaused,   // the run waits for the answer to the cancel question
};

class TaskbarProgress {
 public:
  virtual ~TaskbarProgress() = default;
  virtual void SetState(TaskbarState state) = 0;
  // `done` of `total` files; nothing for a total of 0 or less.
  virtual void SetValue(int done, int total) = 0;
};

// The registered message "TaskbarButtonCreated": the shell sends it to a top-level window once its
// button exists (and again when Explorer restarts). Zero when it cannot be registered.
UINT TaskbarButtonCreatedMessage();

// The taskbar button of one top-level window. The shell's object is made on the first call after
// construction or after ButtonCreated; Windows accepts progress only once the button exists, while Wine
// takes the calls whether or not it ever sends the message. Every failure is silent: the taskbar is
// decoration. Needs COM initialised on the calling thread.
class TaskbarButton : public TaskbarProgress {
 public:
  TaskbarButton() = default;
  void SetWindow(HWND window) { window_ = window; }
  // On "TaskbarButtonCreated": the object is made again on the next call, and the last state and value
  // are shown again (a restarted Explorer has forgotten them).
  void ButtonCreated();
  void SetState(TaskbarState state) override;
  void SetValue(int done, int total) override;
  // True once the shell's object has been made.
  bool HasShellObject() const { return list_ != nullptr; }

 private:
  bool EnsureList();

  HWND window_ = nullptr;
  Microsoft::WRL::ComPtr<ITaskbarList3> list_;
  bool failed_ = false;  // the object could not be made: no further attempt until ButtonCreated
  TaskbarState state_ = TaskbarState::kNone;
  int done_ = 0;
  int total_ = 0;
};

}  // namespace qv
