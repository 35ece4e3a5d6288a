// POSIX implementation of platform/console.h.
#include "platform/console.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qv {

namespace {

std::atomic<bool>* gInterruptFlag = nullptr;
void (*gHardStop)() = nullptr;
std::atomic<int> gSignalsSeen{0};
int gWakePipe[2] = {-1, -1};

// Async-signal-safe: an atomic store, or one write to the pipe the hard-stop thread waits on.
void OnSignal(int signalNumber) {
  if (gSignalsSeen.fetch_add(1) == 0) {
    if (gInterruptFlag != nullptr) gInterruptFlag->store(true);
    return;
  }
  const unsigned char number = static_cast<unsigned char>(signalNumber);
  const ssize_t ignored = write(gWakePipe[1], &number, 1);
  (void)ignored;
}

void WaitForHardStop() {
  unsigned char number = 0;
  while (read(gWakePipe[0], &number, 1) < 0 && errno == EINTR) {
  }
  if (gHardStop != nullptr) gHardStop();
  _exit(128 + number);
}

int Fd(Stream s) { return s == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }

bool StartsWithJa(const char* value) { return std::strncmp(value, "ja", 2) == 0; }

}  // namespace

bool WriteText(Stream stream, const std::string& utf8) {
  const char* p = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    const ssize_t n = write(Fd(stream), p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool IsTerminal(Stream stream) { return isatty(Fd(stream)) == 1; }

int TerminalColumns() {
  struct winsize ws;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

bool PrefersJapaneseMessages() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return StartsWithJa(value);
  }
  return false;
}

void InstallInterruptHandling(std::atomic<bool>* flag, void (*hardStop)()) {
  gInterruptFlag = flag;
  gHardStop = hardStop;
  if (pipe(gWakePipe) == 0) {
    fcntl(gWakePipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(gWakePipe[1], F_SETFD, FD_CLOEXEC);
    std::thread(WaitForHardStop).detach();
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &sa, nullptr);
}

}  // namespace qv
