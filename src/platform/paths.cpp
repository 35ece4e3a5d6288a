// Path text operations shared by both platforms.
#include "platform/system_folders.h"

namespace qv {

namespace {
bool IsSeparator(wchar_t c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == L'/';
#endif
}
}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  std::wstring joined = folder;
  if (!IsSeparator(joined.back())) joined += kPathSeparator;
  size_t skip = 0;
  while (skip < name.size() && IsSeparator(name[skip])) ++skip;
  joined.append(name, skip, std::wstring::npos);
  return joined;
}

std::wstring LastPathComponent(const std::wstring& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return path.substr(i);
  return path;
}

std::wstring StripTrailingSeparator(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 1 && IsSeparator(p.back()) && !(p.size() == 3 && p[1] == L':')) p.pop_back();
  return p;
}

std::wstring ParentPath(const std::wstring& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) {
      size_t end = i - 1;
      // Keep the root's separator ("/" or "C:\").
      if (end == 0 || (end == 2 && path[1] == L':')) ++end;
      return path.substr(0, end);
    }
  }
  return std::wstring();
}

}  // namespace qv
