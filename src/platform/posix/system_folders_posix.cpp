// POSIX implementation of platform/system_folders.h, following the XDG base-directory conventions.
#include "platform/system_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/text.h"

namespace qv {

std::wstring ProgramFilePath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return std::wstring();
  return FromUtf8(std::string(buf, static_cast<size_t>(n)));
}

namespace {
std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}
}  // namespace

std::wstring UserSettingsRoot() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return FromUtf8(xdg);
  const std::string home = Home();
  if (home.empty()) return std::wstring();
  return FromUtf8(home + "/.config");
}

std::wstring PicturesFolder() {
  const std::string home = Home();
  if (home.empty()) return std::wstring();
  // user-dirs.dirs holds lines such as XDG_PICTURES_DIR="$HOME/Pictures".
  const std::wstring config = UserSettingsRoot();
  std::ifstream dirs(ToUtf8(config) + "/user-dirs.dirs");
  std::string line;
  while (std::getline(dirs, line)) {
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    const size_t quote = value.find('"');
    if (quote != std::string::npos) value.resize(quote);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') return FromUtf8(value);
  }
  return FromUtf8(home + "/Pictures");
}

bool IsExistingFolder(const std::wstring& path) {
  struct stat st;
  return !path.empty() && stat(ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::wstring& path) { return mkdir(ToUtf8(path).c_str(), 0777) == 0; }

bool RemoveEmptyFolder(const std::wstring& path) { return rmdir(ToUtf8(path).c_str()) == 0; }

std::wstring AbsolutePath(const std::wstring& path) {
  if (path.empty() || path[0] == L'/') return path;
  char buf[4096];
  if (getcwd(buf, sizeof(buf)) == nullptr) return path;
  return JoinPath(FromUtf8(buf), path);
}

}  // namespace qv
