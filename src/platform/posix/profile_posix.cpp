// POSIX implementation of platform/profile.h: our own reader and writer of the INI format that the Windows
// private-profile functions read and write, so that one settings file reads the same on both systems.
//
// What the Windows functions do and this file copies:
// - A file starting with FF FE is UTF-16LE; we also take a UTF-8 byte-order mark, and a file without any
//   mark as UTF-8 (Windows would read the ANSI code page there; files we write always carry FF FE).
//   Lines end in CR LF, CR or LF; we write CR LF.
// - A line whose first non-blank character is '[' and that holds a ']' opens a section named by the text
//   between them. A line holding '=' is a key: the text before the first '=' is the key, the rest the
//   value. Blanks (space, tab, vertical tab, form feed) around section names, keys and values do not
//   count, and a value enclosed in a pair of equal quotes (" or ') loses them. Other lines are kept but
//   mean nothing; keys before the first section belong to a section with an empty name.
// - Names compare without regard to ASCII letter case. Only the first section of a name is searched,
//   and the first key of a name in it wins.
// Where we differ on purpose: a removed section goes with all its duplicates at once, blank lines and
// all other lines outside removed sections are kept as they were, and a value is cut at its first line
// break (a line break cannot be stored).
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace qv {

namespace {

constexpr std::wstring_view kBlanks = L" \t\v\f";

std::wstring_view Trim(std::wstring_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::wstring_view::npos) return std::wstring_view();
  const size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// `fileName` is already trimmed; the caller's name is trimmed here.
bool SameName(std::wstring_view fileName, std::wstring_view wanted) {
  wanted = Trim(wanted);
  if (fileName.size() != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i)
    if (FoldAscii(fileName[i]) != FoldAscii(wanted[i])) return false;
  return true;
}

std::wstring_view Unquote(std::wstring_view value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

struct Line {
  enum class Kind { kOther, kSection, kKey };
  std::wstring text;  // as in the file, without the line end
  Kind kind = Kind::kOther;
  std::wstring name;   // section name or key, trimmed
  std::wstring value;  // key lines: trimmed and unquoted
};

Line ClassifyLine(std::wstring text) {
  Line line;
  line.text = std::move(text);
  const std::wstring_view view(line.text);
  const size_t start = view.find_first_not_of(kBlanks);
  if (start == std::wstring_view::npos) return line;
  if (view[start] == L'[') {
    const size_t close = view.find(L']', start + 1);
    if (close != std::wstring_view::npos) {
      line.kind = Line::Kind::kSection;
      line.name = Trim(view.substr(start + 1, close - start - 1));
      return line;
    }
  }
  const size_t equals = view.find(L'=', start);
  if (equals != std::wstring_view::npos) {
    line.kind = Line::Kind::kKey;
    line.name = Trim(view.substr(start, equals - start));
    line.value = Unquote(Trim(view.substr(equals + 1)));
  }
  return line;
}

// Wide text of a profile file's bytes (see the encodings at the top).
std::wstring DecodeFileText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        const char32_t low =
            static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
      if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
      text += static_cast<wchar_t>(unit);
    }
    return text;
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return FromUtf8(bytes.substr(3));
  return FromUtf8(bytes);
}

std::vector<Line> SplitLines(const std::wstring& text) {
  std::vector<Line> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find_first_of(L"\r\n", begin);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(ClassifyLine(text.substr(begin, end - begin)));
    if (end < text.size() && text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ++end;
    begin = end + 1;
  }
  return lines;
}

void AppendUtf16Le(std::string& out, char32_t c) {
  auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
  if (c >= 0x10000) {
    c -= 0x10000;
    unit(0xD800 + (c >> 10));
    unit(0xDC00 + (c & 0x3FF));
  } else {
    unit(c);
  }
}

// The bytes that we write: FF FE, then every line followed by CR LF.
std::string EncodeFileText(const std::vector<Line>& lines) {
  std::string out = "\xFF\xFE";
  for (const Line& line : lines) {
    for (wchar_t c : line.text) AppendUtf16Le(out, static_cast<char32_t>(c));
    AppendUtf16Le(out, U'\r');
    AppendUtf16Le(out, U'\n');
  }
  return out;
}

// Reads all of a regular file. False when it is missing (then `missing` is set), not a regular file or
// unreadable. A FIFO at the path is refused without waiting for a writer.
bool ReadWholeFile(const std::string& path, std::string& bytes, bool* missing = nullptr) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (missing != nullptr) *missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char buf[65536];
  while (ok) {
    const ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}

// Index of the first line of the first section named `section`'s body and one past its last line;
// {npos, npos} when there is no such section. Lines before the first header form the section "".
std::pair<size_t, size_t> FindSection(const std::vector<Line>& lines, const std::wstring& section) {
  size_t begin = std::wstring::npos;
  if (Trim(section).empty()) begin = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::Kind::kSection) continue;
    if (begin != std::wstring::npos) return {begin, i};
    if (SameName(lines[i].name, section)) begin = i + 1;
  }
  if (begin == std::wstring::npos) return {begin, begin};
  return {begin, lines.size()};
}

size_t FindKey(const std::vector<Line>& lines, std::pair<size_t, size_t> body, const std::wstring& key) {
  for (size_t i = body.first; i < body.second; ++i)
    if (lines[i].kind == Line::Kind::kKey && SameName(lines[i].name, key)) return i;
  return std::wstring::npos;
}

class PosixProfileReader : public ProfileReader {
 public:
  explicit PosixProfileReader(const std::wstring& path) {
    std::string bytes;
    exists_ = ReadWholeFile(ToUtf8(path), bytes);
    if (exists_) lines_ = SplitLines(DecodeFileText(bytes));
  }

  std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key,
                                  size_t maxChars) const override {
    const auto body = FindSection(lines_, section);
    if (body.first == std::wstring::npos) return std::nullopt;
    const size_t at = FindKey(lines_, body, key);
    if (at == std::wstring::npos) return std::nullopt;
    return lines_[at].value.substr(0, maxChars);
  }

  bool Exists() const override { return exists_; }

 private:
  bool exists_ = false;
  std::vector<Line> lines_;
};

// The writer keeps the file as lines in memory; Commit writes them out.
class PosixProfileWriter : public ProfileWriter {
 public:
  explicit PosixProfileWriter(const std::wstring& path) : path_(ToUtf8(path)) {
    // A settings file that is a symbolic link is rewritten where the link points.
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path_.c_str(), resolved) != nullptr)
      path_ = resolved;
    std::string bytes;
    bool missing = false;
    if (ReadWholeFile(path_, bytes, &missing)) {
      lines_ = SplitLines(DecodeFileText(bytes));
    } else if (!missing) {
      // A file that exists but cannot be read is not replaced: its other sections would be lost.
      unreadable_ = true;
    }
  }

  void RemoveSection(const std::wstring& section) override {
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool removing = false;
    for (Line& line : lines_) {
      if (line.kind == Line::Kind::kSection) removing = SameName(line.name, section);
      if (!removing) kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
  }

  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) override {
    const std::wstring stored = value.substr(0, value.find_first_of(L"\r\n"));
    const auto body = FindSection(lines_, section);
    if (body.first == std::wstring::npos) {
      lines_.push_back(ClassifyLine(L"[" + section + L"]"));
      lines_.push_back(ClassifyLine(key + L"=" + stored));
      return;
    }
    const size_t at = FindKey(lines_, body, key);
    if (at != std::wstring::npos) {
      lines_[at] = ClassifyLine(lines_[at].name + L"=" + stored);
      return;
    }
    // After the section's last line that is not blank, so that blank lines keep separating sections.
    size_t insertAt = body.first;
    for (size_t i = body.first; i < body.second; ++i)
      if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), ClassifyLine(key + L"=" + stored));
  }

  bool Commit() override {
    if (unreadable_) return false;
    struct stat old;
    const bool hadFile = stat(path_.c_str(), &old) == 0;
    // A read-only settings file stays as it is, as on Windows (a rename would replace it regardless).
    if (hadFile && (!S_ISREG(old.st_mode) || (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                    access(path_.c_str(), W_OK) != 0))
      return false;

    std::string temp = path_ + ".XXXXXX";
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = !hadFile || fchmod(fd, old.st_mode & 07777) == 0;
    const std::string bytes = EncodeFileText(lines_);
    for (size_t done = 0; ok && done < bytes.size();) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = false;
      } else {
        done += static_cast<size_t>(n);
      }
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), path_.c_str()) == 0;
    if (!ok) {
      unlink(temp.c_str());
      return false;
    }
    // Make the rename itself durable; a failure here no longer endangers the old or the new content.
    const size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path_.substr(0, slash));
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      fsync(dirFd);
      close(dirFd);
    }
    return true;
  }

 private:
  std::string path_;
  std::vector<Line> lines_;
  bool unreadable_ = false;
};

}  // namespace

std::unique_ptr<ProfileReader> OpenProfileForReading(const std::wstring& path) {
  return std::make_unique<PosixProfileReader>(path);
}

std::unique_ptr<ProfileWriter> OpenProfileForWriting(const std::wstring& path) {
  return std::make_unique<PosixProfileWriter>(path);
}

}  // namespace qv
