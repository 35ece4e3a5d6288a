// Console output, the user's message language and interruption for the command line.
#pragma once

#include <atomic>
#include <string>

namespace qv {

enum class Stream { kOut, kErr };

// Writes UTF-8 text. On a Windows console it is written as UTF-16 so Japanese names show correctly;
// redirected output is UTF-8 on every platform. False when not all of it could be written (a full disk,
// a closed pipe, which the command line ignores SIGPIPE for).
bool WriteText(Stream stream, const std::string& utf8);

// True when the stream is an interactive terminal.
bool IsTerminal(Stream stream);

// Width of the terminal in columns (80 when unknown).
int TerminalColumns();

// True when the user's language for messages is Japanese: POSIX the first set of LC_ALL, LC_MESSAGES
// and LANG begins with "ja"; Windows the user's interface language is Japanese.
bool PrefersJapaneseMessages();

// Interruption of a long command. The first Ctrl-C, SIGTERM or SIGHUP (Windows: Ctrl-C, Ctrl-Break, or
// closing the console window) sets `flag`, and the caller stops at its next check. A second one ends the
// process at once: `hardStop` runs on a thread of its own (it must only use data that stays valid while
// the main thread goes on), then the process exits with status 128 + the signal's number (Windows 130).
// Closing the console on Windows leaves the process a few seconds: when the caller has not ended by then,
// the same hard stop follows. Install once.
void InstallInterruptHandling(std::atomic<bool>* flag, void (*hardStop)());

}  // namespace qv
