// Threads for the conversion workers. On POSIX each has a stack of its own that goes back to the system
// when the thread is joined (the C library keeps the stacks of finished threads for reuse), so that a
// run that ends its workers holds no more address space than one that never had them.
#pragma once

#include <functional>
#include <memory>

namespace qv {

class WorkerThread {
 public:
  WorkerThread();
  ~WorkerThread();  // joins
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `body` on a new thread. False when the thread or its stack cannot be had (nothing runs then).
  // Call once per object.
  bool Start(std::function<void()> body);

  // Waits for the thread to end and releases its stack; nothing when it was not started.
  void Join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qv
