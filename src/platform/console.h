// Console output and interruption for the command line.
#pragma once

#include <atomic>
#include <string>

namespace qv {

enum class Stream { kOut, kErr };

// Writes UTF-8 text. On a Windows console it is written as UTF-16 so Japanese names show correctly;
// redirected output is UTF-8 on every platform.
void WriteText(Stream stream, const std::string& utf8);

// True when the stream is an interactive terminal.
bool IsTerminal(Stream stream);

// Width of the terminal in columns (80 when unknown).
int TerminalColumns();

// Ctrl-C (and SIGTERM on POSIX) set `flag` instead of ending the process.
void InstallInterruptFlag(std::atomic<bool>* flag);

}  // namespace qv
