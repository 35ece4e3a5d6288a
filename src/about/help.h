// The help command: the compiled HTML help file beside the program, opened at the topic of the tab that
// is shown. The program does not check that the file exists; the help system says what it says.
#pragma once

#include <string>

namespace qv {

// The help topic of tab `selectedTab` (0 output settings, 1 individual input, 2 options); the
// general topic for any other value, such as no selection.
unsigned HelpContextForTab(int selectedTab);

// `programPath` with the extension of its file name replaced by ".chm" (added when it has none). Empty
// when `programPath` is empty or the result is longer than the longest path the program takes.
std::wstring HelpFilePathFor(const std::wstring& programPath);

// Opens the help file beside the running program at the topic of `selectedTab`, without an owner
// window. Nothing happens when the help file's path cannot be made.
void ShowHelp(int selectedTab);

// Every help request goes through this function; the default asks the HTML Help system for the context
// topic. Tests put a recorder here. Returns the previous function; null restores the default.
using HelpTopicFunction = void (*)(const wchar_t* helpFile, unsigned context);
HelpTopicFunction SetHelpTopicFunction(HelpTopicFunction function);

}  // namespace qv
