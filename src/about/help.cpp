// The help command over the HTML Help system (initialised and uninitialised once by the process).
#include "about/help.h"

#include <windows.h>
#include <htmlhelp.h>

#include "platform/system_folders.h"

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

void ShowHelp(int selectedTab) {
  const std::wstring helpFile = HelpFilePathFor(ProgramFilePath());
  if (!helpFile.empty()) gShowTopic(helpFile.c_str(), HelpContextForTab(selectedTab));
}

HelpTopicFunction SetHelpTopicFunction(HelpTopicFunction function) {
  HelpTopicFunction previous = gShowTopic;
  gShowTopic = function != nullptr ? function : HtmlHelpTopic;
  return previous;
}

}  // namespace qv
