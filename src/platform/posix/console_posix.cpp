// POSIX implementation of platform/console.h.
#include "platform/console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

namespace {
std::atomic<bool>* gInterruptFlag = nullptr;
void OnInterrupt(int) {
  if (gInterruptFlag != nullptr) gInterruptFlag->store(true);
}
int Fd(Stream s) { return s == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }
}  // namespace

void WriteText(Stream stream, const std::string& utf8) {
  const char* p = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    ssize_t n = write(Fd(stream), p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

bool IsTerminal(Stream stream) { return isatty(Fd(stream)) == 1; }

int TerminalColumns() {
  struct winsize ws;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

void InstallInterruptFlag(std::atomic<bool>* flag) {
  gInterruptFlag = flag;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace qv
