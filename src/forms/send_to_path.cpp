// The Send To shortcut's name.
#include "forms/send_to_path.h"

#include "platform/system_folders.h"

namespace qv {

std::wstring ShortcutPathIn(const std::wstring& sendToFolder, const std::wstring& exePath) {
  std::wstring name = LastPathComponent(exePath);
  if (sendToFolder.empty() || name.empty()) return std::wstring();
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return JoinPath(sendToFolder, name + L".lnk");
}

}  // namespace qv
