// Text conversions at the edges of the system: the system's ANSI code page (the comment marker) and
// UTF-8 (POSIX file names, the command line's output). Wide strings are UTF-16 on Windows, UTF-32 on POSIX.
#pragma once

#include <string>

namespace qv {

// Converts `text` to the system's ANSI code page: Windows CP_ACP (WideCharToMultiByte without flags),
// POSIX the code set of the current LC_CTYPE locale. Characters the code page cannot represent become
// the code page's default character ("?").
std::string ToAnsiCodePage(const std::wstring& text);

// UTF-8 <-> wide. Invalid sequences become U+FFFD.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace qv
