// POSIX implementation of platform/text.h: the ANSI code page is the code set of the LC_CTYPE locale.
#include <langinfo.h>
#include <climits>
#include <clocale>
#include <cwchar>

#include "platform/text.h"

namespace qv {

std::string ToAnsiCodePage(const std::wstring& text) {
  // wcrtomb converts to the current locale's code set; an unrepresentable character becomes '?' as the
  // Windows conversion without flags does.
  std::string out;
  out.reserve(text.size());
  char buf[MB_LEN_MAX];
  std::mbstate_t state{};
  for (wchar_t c : text) {
    size_t n = std::wcrtomb(buf, c, &state);
    if (n == static_cast<size_t>(-1)) {
      out += '?';
      state = std::mbstate_t{};
    } else {
      out.append(buf, n);
    }
  }
  return out;
}

}  // namespace qv
