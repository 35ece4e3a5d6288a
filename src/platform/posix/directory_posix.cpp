// POSIX implementation of platform/directory.h: readdir, copies into a private file renamed into place
// without replacing (flushed with fsync when asked), GIO for the trash.
#include "platform/directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cerrno>
#include <ctime>
#include <cwctype>

#include "platform/text.h"

namespace qv {

namespace {

bool EndsWithIgnoringCase(const std::wstring& name, const std::wstring& suffix) {
  if (name.size() < suffix.size()) return false;
  const size_t start = name.size() - suffix.size();
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::towlower(static_cast<wint_t>(name[start + i])) != std::towlower(static_cast<wint_t>(suffix[i])))
      return false;
  return true;
}

LocalTime ToLocalTime(time_t t) {
  struct tm parts;
  LocalTime out;
  if (localtime_r(&t, &parts) == nullptr) return out;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  return out;
}

// The folder part of a path in bytes: "." for a bare name, "/" for a name in the root.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the entries of `folder` durable (a new file's name, not only its data). Best effort: some file
// systems cannot sync a folder, and the data itself is on the disk already.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Copies the rest of `in` to `out`; false on any read or write error.
bool CopyContents(int in, int out) {
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(in, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    const char* p = buf;
    while (n > 0) {
      const ssize_t w = write(out, p, static_cast<size_t>(n));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      p += w;
      n -= w;
    }
  }
}

bool Unsupported(int error) { return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP || error == EPERM; }

// Gives the written private file its final name without ever replacing an entry: a rename that refuses
// an existing target; where the file system has none, a hard link and the private name removed; where
// it has neither (FAT, some network shares), the contents copied into a target created exclusively.
// The private file stays for the caller to remove when this fails.
CopyResult GiveFinalName(const std::string& privatePath, const std::string& target) {
  if (renameat2(AT_FDCWD, privatePath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return CopyResult::kCopied;
  if (errno == EEXIST) return CopyResult::kTargetExists;
  if (!Unsupported(errno)) return CopyResult::kFailed;
  if (link(privatePath.c_str(), target.c_str()) == 0) {
    unlink(privatePath.c_str());
    return CopyResult::kCopied;
  }
  if (errno == EEXIST) return CopyResult::kTargetExists;
  if (!Unsupported(errno)) return CopyResult::kFailed;
  const int in = open(privatePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return CopyResult::kFailed;
  // A hard stop removes this target too: it is this call's own file until it is complete.
  const int registration = BeginPartialOutput(FromUtf8(target));
  const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    const int error = errno;
    EndPartialOutput(registration);
    close(in);
    return error == EEXIST ? CopyResult::kTargetExists : CopyResult::kFailed;
  }
  bool ok = CopyContents(in, out) && fsync(out) == 0;
  if (close(out) != 0) ok = false;
  close(in);
  if (!ok) unlink(target.c_str());
  EndPartialOutput(registration);
  if (!ok) return CopyResult::kFailed;
  unlink(privatePath.c_str());
  return CopyResult::kCopied;
}

}  // namespace

std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& extension) {
  std::vector<DirectoryEntry> entries;
  const std::string folderUtf8 = ToUtf8(folder);
  DIR* dir = opendir(folderUtf8.c_str());
  if (dir == nullptr) return entries;
  while (struct dirent* ent = readdir(dir)) {
    const std::string name = ent->d_name;
    if (name == "." || name == "..") continue;
    const std::wstring wide = FromUtf8(name);
    if (!EndsWithIgnoringCase(wide, extension)) continue;
    // A link is described by its target; a dangling one still occupies its name.
    const std::string path = folderUtf8 + "/" + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) continue;
    DirectoryEntry e;
    e.name = wide;
    if (name[0] == '.') e.attributes |= kAttributeHidden;
    if (S_ISDIR(st.st_mode)) e.attributes |= kAttributeDirectory;
    else if (!S_ISREG(st.st_mode)) e.attributes |= kAttributeNotRegular;
    e.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    e.lastWrite = ToLocalTime(st.st_mtime);
    entries.push_back(std::move(e));
  }
  closedir(dir);
  return entries;
}

bool IsNameTaken(const std::wstring& path) {
  const std::string bytes = ToUtf8(path);
  struct stat st;
  if (lstat(bytes.c_str(), &st) == 0) return true;
  const size_t slash = bytes.rfind('/');
  const std::wstring name = FromUtf8(slash == std::string::npos ? bytes : bytes.substr(slash + 1));
  DIR* dir = opendir(FolderOf(bytes).c_str());
  if (dir == nullptr) return false;  // nothing can be created there either; the copy will say so
  bool taken = false;
  while (struct dirent* ent = readdir(dir)) {
    if (NamesEqualIgnoringCase(FromUtf8(ent->d_name), name)) {
      taken = true;
      break;
    }
  }
  closedir(dir);
  return taken;
}

CopyResult CopyFileNoReplace(const std::wstring& source, const std::wstring& target, CopyDurability durability) {
  const std::string targetUtf8 = ToUtf8(target);
  const int in = open(ToUtf8(source).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return CopyResult::kFailed;
  // Nothing is written when the name is taken already (the common case of a collision found late).
  struct stat st;
  if (lstat(targetUtf8.c_str(), &st) == 0) {
    close(in);
    return CopyResult::kTargetExists;
  }
  const std::wstring privatePath = NewPrivateCopyName(target);
  const int registration = BeginPartialOutput(privatePath);
  const std::string privateUtf8 = ToUtf8(privatePath);
  const int out = open(privateUtf8.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    EndPartialOutput(registration);
    close(in);
    return CopyResult::kFailed;
  }
  bool ok = CopyContents(in, out);
  if (ok && TakeInjectedCopyFailure()) ok = false;
  const bool onDisk = durability == CopyDurability::kOnDisk;
  // On the disk before success is reported: the caller is about to delete the input.
  if (ok && onDisk && fsync(out) != 0) ok = false;
  if (close(out) != 0) ok = false;
  close(in);
  CopyResult result = CopyResult::kFailed;
  if (ok) {
    PauseCopyForTesting();
    result = GiveFinalName(privateUtf8, targetUtf8);
  }
  if (result != CopyResult::kCopied) unlink(privateUtf8.c_str());
  EndPartialOutput(registration);
  if (result == CopyResult::kCopied && onDisk) SyncFolder(FolderOf(targetUtf8));
  return result;
}

bool RecycleFile(const std::wstring& path) {
  // g_file_trash fails where there is no trash (some removable and network file systems); the file then
  // stays where it is, never deleted instead.
  GFile* file = g_file_new_for_path(ToUtf8(path).c_str());
  GError* error = nullptr;
  const gboolean trashed = g_file_trash(file, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  g_object_unref(file);
  return trashed != FALSE;
}

bool NamesEqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

bool IsWideDigit(wchar_t c) { return std::iswdigit(static_cast<wint_t>(c)) != 0; }

}  // namespace qv
