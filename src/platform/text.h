// Text conversions at the edges of the system: the system's ANSI code page (the comment marker) and
// UTF-8 (POSIX file names, the command line's output). Wide strings are UTF-16 on Windows, UTF-32 on POSIX.
#pragma once

#include <string>

namespace qv {

// Converts `text` to the system's ANSI code page: Windows CP_ACP (WideCharToMultiByte without flags),
// POSIX the code set of the current LC_CTYPE locale. Characters the code page cannot represent become
// the code page's default character ("?").
std::string ToAnsiCodePage(const std::wstring& text);

// UTF-8 <-> wide, lossless for every byte string (POSIX file names need not be valid UTF-8):
// - FromUtf8: each byte that does not begin a valid sequence (a stray continuation byte, a bad lead, a
//   truncated or overlong sequence, an encoded surrogate, a code point above U+10FFFF) becomes the one
//   code point U+DC00 + byte, i.e. U+DC80-U+DCFF; the bytes after it are decoded afresh.
// - ToUtf8: a lone U+DC80-U+DCFF becomes that one byte again; any other lone surrogate becomes U+FFFD.
// Thus ToUtf8(FromUtf8(bytes)) == bytes for all bytes. A wide text holding U+DC80-U+DCFF stands for a
// name with raw bytes: text meant for people (a terminal, JSON) should show those code points escaped,
// e.g. as "\xNN" of the byte, since they are no characters of their own.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace qv
