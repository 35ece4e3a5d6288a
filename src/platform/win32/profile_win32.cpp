// Win32 implementation of platform/profile.h over the private-profile functions
// (GetPrivateProfileStringW, WritePrivateProfileStringW).
//
// Writing never touches the settings file itself: the writer works on a copy beside it and moves the
// copy over the original in Commit, so a failure at any step leaves the old file as it was. The copy is
// always UTF-16LE with a byte-order mark, because only then do the private-profile functions write
// Unicode; an older file without the mark (ANSI, or UTF-8 with its mark) is converted when copied.
//
// The private-profile functions make the file's path full in a buffer of MAX_PATH characters and fail on
// a longer one. A settings file deeper than that is read from a copy in the folder for temporary files,
// and edited there too; at Commit the edited copy is first copied beside the settings file, so that the
// last step is still one rename in its own folder.
#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/system_folders.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace qv {

namespace {

// Returned for a missing key; a value of the file can hardly be this text.
constexpr wchar_t kMissing[] = L"\x1b\x01QV missing\x01\x1b";
constexpr size_t kMissingLength = sizeof(kMissing) / sizeof(kMissing[0]) - 1;

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameAsciiNoCase(const wchar_t* a, const std::wstring& b) {
  size_t i = 0;
  for (; a[i] != L'\0' && i < b.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return a[i] == L'\0' && i == b.size();
}

// True when the private-profile functions can open `path`.
bool ProfileCallsTake(const std::wstring& path) { return FullPath(path).size() < MAX_PATH; }

void DeleteIfNamed(const std::wstring& path) {
  if (path.empty()) return;
  SetFileAttributesW(SystemPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(SystemPath(path).c_str());
}

class Win32ProfileReader : public ProfileReader {
 public:
  explicit Win32ProfileReader(const std::wstring& path) : path_(path), source_(path) {
    if (ProfileCallsTake(path)) return;
    source_.clear();  // read as missing unless the copy is made
    if (!CreateUniqueFileIn(TemporaryFolder(), L"qvs", copy_)) return;
    if (CopyFileW(SystemPath(path).c_str(), SystemPath(copy_).c_str(), FALSE)) source_ = copy_;
  }
  ~Win32ProfileReader() override { DeleteIfNamed(copy_); }
  Win32ProfileReader(const Win32ProfileReader&) = delete;
  Win32ProfileReader& operator=(const Win32ProfileReader&) = delete;

  std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key,
                                  size_t maxChars) const override {
    if (source_.empty()) return std::nullopt;
    // The function copies at most size - 1 characters; the buffer also has room for the sentinel.
    std::vector<wchar_t> buffer((maxChars > kMissingLength ? maxChars : kMissingLength) + 1);
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), kMissing, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), source_.c_str());
    std::wstring value(buffer.data(), n);
    if (value == kMissing) return std::nullopt;
    if (value.size() > maxChars) value.resize(maxChars);
    return value;
  }

  bool Exists() const override {
    const DWORD attributes = GetFileAttributesW(SystemPath(path_).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

 private:
  std::wstring path_;
  std::wstring source_;  // the file the profile functions read: the settings file or its copy
  std::wstring copy_;    // the copy in the folder for temporary files, when one was made
};

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes, DWORD& openError) {
  const UniqueKernelHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    openError = GetLastError();
    return false;
  }
  unsigned char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), chunk, sizeof(chunk), &n, nullptr)) return false;
    if (n == 0) return true;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
  UniqueKernelHandle file(
      CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file.Get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  return file.Close() && ok;
}

// UTF-16LE text with its byte-order mark for file content in another encoding.
std::vector<wchar_t> ConvertToUtf16(const std::vector<unsigned char>& bytes) {
  UINT codePage = CP_ACP;
  size_t skip = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    codePage = CP_UTF8;
    skip = 3;
  }
  std::vector<wchar_t> text(1, static_cast<wchar_t>(0xFEFF));
  const char* source = reinterpret_cast<const char*>(bytes.data()) + skip;
  const int sourceLength = static_cast<int>(bytes.size() - skip);
  if (sourceLength == 0) return text;
  const int n = MultiByteToWideChar(codePage, 0, source, sourceLength, nullptr, 0);
  if (n <= 0) return {};
  text.resize(1 + static_cast<size_t>(n));
  MultiByteToWideChar(codePage, 0, source, sourceLength, text.data() + 1, n);
  return text;
}

class Win32ProfileWriter : public ProfileWriter {
 public:
  explicit Win32ProfileWriter(const std::wstring& path) : path_(path) {
    std::wstring folder = ParentPath(path_);
    if (folder.empty()) folder = L".";
    if (!CreateUniqueFileIn(folder, L"qvs", temp_)) return;
    if (!ProfileCallsTake(temp_)) {
      staged_ = std::move(temp_);
      temp_.clear();
      if (!CreateUniqueFileIn(TemporaryFolder(), L"qvs", temp_)) return;
    }
    ok_ = PrepareCopy();
  }

  ~Win32ProfileWriter() override {
    DeleteIfNamed(temp_);
    DeleteIfNamed(staged_);
  }
  Win32ProfileWriter(const Win32ProfileWriter&) = delete;
  Win32ProfileWriter& operator=(const Win32ProfileWriter&) = delete;

  void RemoveSection(const std::wstring& section) override {
    // The function removes only the first section of a name; duplicates go one call each.
    for (int guard = 0; ok_ && guard < 1000 && HasSection(section); ++guard)
      ok_ = WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, temp_.c_str()) != FALSE;
  }

  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) override {
    if (!ok_) return;
    const std::wstring stored = value.substr(0, value.find_first_of(L"\r\n"));
    ok_ = WritePrivateProfileStringW(section.c_str(), key.c_str(), stored.c_str(), temp_.c_str()) != FALSE;
  }

  bool Commit() override {
    if (!ok_ || temp_.empty()) return false;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, temp_.c_str());
    if (!staged_.empty() && !CopyFileW(temp_.c_str(), SystemPath(staged_).c_str(), FALSE)) return false;
    std::wstring& finished = staged_.empty() ? temp_ : staged_;
    if (!FlushToDisk(finished)) return false;
    if (!MoveFileExW(SystemPath(finished).c_str(), SystemPath(path_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    finished.clear();
    return true;
  }

 private:
  // Fills the temporary file with the current content of the settings file, or with just the
  // byte-order mark when there is none yet.
  bool PrepareCopy() {
    // A read-only settings file stays as it is (moving the copy over it might succeed regardless).
    const DWORD attributes = GetFileAttributesW(SystemPath(path_).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
      return false;
    unsigned char head[2] = {0, 0};
    std::vector<unsigned char> bytes;
    DWORD openError = 0;
    if (!ReadWholeFile(path_, bytes, openError)) {
      if (openError != ERROR_FILE_NOT_FOUND) return false;
      const unsigned char bom[2] = {0xFF, 0xFE};
      return WriteWholeFile(temp_, bom, sizeof(bom));
    }
    if (bytes.size() >= 2) {
      head[0] = bytes[0];
      head[1] = bytes[1];
    }
    if (head[0] == 0xFF && head[1] == 0xFE)
      return CopyFileW(SystemPath(path_).c_str(), SystemPath(temp_).c_str(), FALSE) != FALSE;
    const std::vector<wchar_t> text = ConvertToUtf16(bytes);
    return !text.empty() && WriteWholeFile(temp_, text.data(), text.size() * sizeof(wchar_t));
  }

  // The new content must be on the disk before it replaces the old file: a crash after the move would
  // otherwise leave a settings file without its data.
  static bool FlushToDisk(const std::wstring& path) {
    const UniqueKernelHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.Get()) != FALSE;
  }

  bool HasSection(const std::wstring& section) const {
    std::vector<wchar_t> names(4096);
    for (;;) {
      const DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), temp_.c_str());
      if (n + 2 < names.size()) break;
      names.assign(names.size() * 2, L'\0');
    }
    for (const wchar_t* name = names.data(); *name != L'\0'; name += wcslen(name) + 1)
      if (SameAsciiNoCase(name, section)) return true;
    return false;
  }

  std::wstring path_;
  std::wstring temp_;    // the copy being edited; empty once moved into place (or never made)
  std::wstring staged_;  // beside a settings file too deep for the profile functions: gets temp_'s content
  bool ok_ = false;
};

}  // namespace

std::unique_ptr<ProfileReader> OpenProfileForReading(const std::wstring& path) {
  return std::make_unique<Win32ProfileReader>(path);
}

std::unique_ptr<ProfileWriter> OpenProfileForWriting(const std::wstring& path) {
  return std::make_unique<Win32ProfileWriter>(path);
}

}  // namespace qv
