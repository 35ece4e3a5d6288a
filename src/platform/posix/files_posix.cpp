// POSIX implementation of platform/files.h: open/mmap for inputs, plain descriptors for outputs,
// mkstemp for unique temporary files, anonymous zero pages for pixel blocks.
#include "platform/files.h"

#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/mman.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/text.h"

namespace qv {

namespace {

// Opens a regular file for reading. O_NONBLOCK keeps the open of a FIFO without a writer (or of a device)
// from waiting; such files are then refused. Reads from a regular file ignore the flag. -1 on failure.
int OpenRegularFileForReading(const std::wstring& path, struct stat& st) {
  const int fd = open(ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.known = true;
  id.volume = static_cast<uint64_t>(st.st_dev);
  id.index = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<uint64_t>(st.st_size);
  id.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

}  // namespace

FileIdentity IdentifyFile(const std::wstring& path) {
  struct stat st;
  if (stat(ToUtf8(path).c_str(), &st) != 0) return FileIdentity{};
  return IdentityOf(st);
}

uint32_t MapInputFile(const std::wstring& path, MappedInputFile& m) {
  UnmapInputFile(m);
  struct stat st;
  const int fd = OpenRegularFileForReading(path, st);
  if (fd < 0) return 0;
  m.file = fd;
  m.identity = IdentityOf(st);
  // A size the 32-bit count cannot describe is refused instead of being mapped truncated.
  if (st.st_size <= 0 || static_cast<uint64_t>(st.st_size) > 0xFFFFFFFFull) return 0;
  void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) return 0;
  m.view = static_cast<const unsigned char*>(view);
  m.size = static_cast<uint32_t>(st.st_size);
  return m.size;
}

void UnmapInputFile(MappedInputFile& m) {
  if (m.view != nullptr) munmap(const_cast<unsigned char*>(m.view), m.size);
  if (m.file != kInvalidFile) close(static_cast<int>(m.file));
  m.file = kInvalidFile;
  m.mapping = 0;
  m.view = nullptr;
  m.size = 0;
  m.identity = FileIdentity{};
}

bool PathExists(const std::wstring& path) {
  struct stat st;
  return stat(ToUtf8(path).c_str(), &st) == 0;
}

bool IsRegularFile(const std::wstring& path) {
  struct stat st;
  return stat(ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadFileHead(const std::wstring& path, unsigned char* out, size_t count) {
  struct stat st;
  const int fd = OpenRegularFileForReading(path, st);
  if (fd < 0) return false;
  size_t got = 0;
  while (got < count) {
    ssize_t n = read(fd, out + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  return got == count;
}

std::wstring TemporaryFolder() {
  const char* dir = getenv("TMPDIR");
  std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return FromUtf8(folder);
}

bool CreateUniqueTempFile(const std::wstring& folder, std::wstring& out) {
  std::string pattern = ToUtf8(folder);
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += "tmpXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  out = FromUtf8(name.data());
  return true;
}

OutputFile CreateOutputFile(const std::wstring& path) {
  OutputFile out;
  const int fd = open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd >= 0) out.handle_ = fd;
  return out;
}

bool OutputFile::Write(const void* data, size_t count) {
  if (!IsOpen()) return false;
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = write(static_cast<int>(handle_), p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

void OutputFile::Close() {
  if (handle_ != kInvalidFile) close(static_cast<int>(handle_));
  handle_ = kInvalidFile;
}

bool DeleteFileAt(const std::wstring& path) { return unlink(ToUtf8(path).c_str()) == 0; }

bool SetModificationTime(const std::wstring& target, const FileIdentity& source) {
  if (!source.known) return false;
  const timespec times[2] = {{0, UTIME_OMIT},
                             {static_cast<time_t>(source.modified / 1000000000), static_cast<long>(source.modified % 1000000000)}};
  return utimensat(AT_FDCWD, ToUtf8(target).c_str(), times, 0) == 0;
}

namespace {
// Descriptors of the owner locks this process holds.
std::vector<int>& OwnerLocks() {
  static std::vector<int>* locks = new std::vector<int>;  // never destroyed: a hard stop may come at exit
  return *locks;
}
std::mutex gOwnerLocksMutex;
}  // namespace

bool HoldOwnerLock(const std::wstring& path) {
  // The descriptor stays open (and locked) until the process ends; the kernel drops the lock then,
  // however the process ended.
  const int fd = open(ToUtf8(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  // Marked as owned only once locked: a file found empty may belong to a process between its open and
  // its lock.
  const ssize_t written = write(fd, "1", 1);
  std::lock_guard<std::mutex> lock(gOwnerLocksMutex);
  OwnerLocks().push_back(fd);
  return written == 1;
}

void ReleaseOwnerLocks() {
  std::lock_guard<std::mutex> lock(gOwnerLocksMutex);
  for (const int fd : OwnerLocks()) close(fd);
  OwnerLocks().clear();
}

bool IsOwnerLockAbandoned(const std::wstring& path) {
  const int fd = open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool abandoned = false;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
    // Nobody holds it. An empty file may be a lock being made this moment; after a minute it is not.
    abandoned = st.st_size > 0 || time(nullptr) - st.st_mtim.tv_sec > 60;
    flock(fd, LOCK_UN);
  }
  close(fd);
  return abandoned;
}

void* AllocatePixelBlock(size_t bytes) {
  if (bytes == 0) return nullptr;
  // calloc hands out fresh zero pages for large blocks without touching them.
  return calloc(1, bytes);
}

void ReleasePixelBlock(void* block, size_t /*bytes*/) { free(block); }

void KeepLargeAllocationsForReuse() {
  static const bool done = [] {
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // glibc's largest allowed threshold
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    // Each thread's own arena would reserve 64 MB of address space (and keep what it freed); the few
    // allocations of a conversion do not need them.
    mallopt(M_ARENA_MAX, 1);
    return true;
  }();
  (void)done;
}

void ReturnFreedMemory() { malloc_trim(0); }

uint64_t PhysicalMemoryBytes() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool IsProcessRunning(unsigned long processId) {
  if (processId == 0 || processId > 0x7FFFFFFFul) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

int ProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  int count = sched_getaffinity(0, sizeof(set), &set) == 0 ? CPU_COUNT(&set) : 0;
  if (count <= 0) count = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
  return count > 0 ? count : 1;
}

uint64_t PeakResidentMemoryBytes() {
  struct rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0 || usage.ru_maxrss < 0) return 0;
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux counts in KiB
}

}  // namespace qv
