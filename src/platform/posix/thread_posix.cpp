// POSIX implementation of platform/thread.h: pthreads on stacks mapped here and unmapped at the join.
#include "platform/thread.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace qv {

namespace {

// A conversion's deepest calls use a small part of this; sanitizer builds have larger frames.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr size_t kStackBytes = size_t{16} << 20;
#else
constexpr size_t kStackBytes = size_t{2} << 20;
#endif

}  // namespace

struct WorkerThread::State {
  std::function<void()> body;
  pthread_t thread{};
  void* mapping = nullptr;  // guard page and stack
  size_t mappingBytes = 0;
  bool running = false;

  static void* Entry(void* self) {
    static_cast<State*>(self)->body();
    return nullptr;
  }
};

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() { Join(); }

bool WorkerThread::Start(std::function<void()> body) {
  state_.reset(new (std::nothrow) State);
  if (!state_) return false;
  State& s = *state_;
  s.body = std::move(body);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  s.mappingBytes = kStackBytes + page;
  void* mapping = mmap(nullptr, s.mappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (mapping == MAP_FAILED) return false;
  s.mapping = mapping;
  mprotect(mapping, page, PROT_NONE);  // the stack grows down onto this page and faults there
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  const bool ready = pthread_attr_setstack(&attributes, static_cast<char*>(mapping) + page, kStackBytes) == 0;
  s.running = ready && pthread_create(&s.thread, &attributes, &State::Entry, &s) == 0;
  pthread_attr_destroy(&attributes);
  return s.running;
}

void WorkerThread::Join() {
  if (!state_) return;
  if (state_->running) pthread_join(state_->thread, nullptr);
  if (state_->mapping != nullptr) munmap(state_->mapping, state_->mappingBytes);
  state_.reset();
}

}  // namespace qv
