// The help command over the HTML Help system (initialised and uninitialised once by the process).
#include "about/help.h"

#include <windows.h>
#include <htmlhelp.h>

#include "platform/system_folders.h"
#include "platform/win32/long_path.h"

namespace qv {

namespace {

constexpr unsigned kTabContexts[] = {14, 16, 18};  // output settings, individual input, options
constexpr unsigned kGeneralContext = 2;
constexpr wchar_t kHelpExtension[] = L".chm";

void HtmlHelpTopic(const wchar_t* helpFile, unsigned context) {
  HtmlHelpW(nullptr, helpFile, HH_HELP_CONTEXT, context);  // a missing file or topic fails quietly
}

// A test seam, not window state: how a help topic is shown.
HelpTopicFunction gShowTopic = HtmlHelpTopic;

}  // namespace

unsigned HelpContextForTab(int selectedTab) {
  constexpr int kTabs = static_cast<int>(sizeof(kTabContexts) / sizeof(kTabContexts[0]));
  return selectedTab >= 0 && selectedTab < kTabs ? kTabContexts[selectedTab] : kGeneralContext;
}

std::wstring HelpFilePathFor(const std::wstring& programPath) {
  const std::wstring name = LastPathComponent(programPath);
  if (name.empty()) return std::wstring();
  const size_t dot = name.rfind(L'.');
  std::wstring path = programPath;
  if (dot != std::wstring::npos) path.erase(path.size() - (name.size() - dot));
  path += kHelpExtension;
  return path.size() <= kMaxPathChars ? path : std::wstring();
}

namespace {

// The help viewer opens files by paths of at most MAX_PATH - 1 characters. Beside a program deeper than
// that, the help file is named through the short (8.3) form of its folder where the volume has one; the
// file's own name stays as it is.
std::wstring ProgramPathForHelp() {
  const std::wstring program = ProgramFilePath();
  if (program.size() <= kMaxPathChars) return program;
  const std::wstring folder = SystemPath(ParentPath(program));
  std::wstring shortFolder(MAX_PATH, L'\0');
  const DWORD length = GetShortPathNameW(folder.c_str(), shortFolder.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return program;
  shortFolder.resize(length);
  return JoinPath(PlainPath(shortFolder), LastPathComponent(program));
}

}  // namespace

void ShowHelp(int selectedTab) {
  const std::wstring helpFile = HelpFilePathFor(ProgramPathForHelp());
  if (!helpFile.empty()) gShowTopic(helpFile.c_str(), HelpContextForTab(selectedTab));
}

HelpTopicFunction SetHelpTopicFunction(HelpTopicFunction function) {
  HelpTopicFunction previous = gShowTopic;
  gShowTopic = function != nullptr ? function : HtmlHelpTopic;
  return previous;
}

}  // namespace qv
