// Win32 implementation of platform/thread.h: the runtime's threads (Windows returns a thread's stack
// when the thread ends).
#include "platform/thread.h"

#include <new>
#include <system_error>
#include <thread>

namespace qv {

struct WorkerThread::State {
  std::thread thread;
};

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() { Join(); }

bool WorkerThread::Start(std::function<void()> body) {
  state_.reset(new (std::nothrow) State);
  if (!state_) return false;
  try {
    state_->thread = std::thread(std::move(body));
  } catch (const std::system_error&) {
    state_.reset();
    return false;
  }
  return true;
}

void WorkerThread::Join() {
  if (state_ && state_->thread.joinable()) state_->thread.join();
  state_.reset();
}

}  // namespace qv
