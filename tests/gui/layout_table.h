// What the GUI tests compare of a window's layout: one line per descendant window (its id path, class,
// rectangle in the top-level client area and text) and the sizes that live inside controls
// (list columns, tab items, tree rows). Lines are plain text so that a table taken from one build can be
// kept beside the tests and compared with another.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::guitest {

struct LayoutLine {
  std::wstring key;    // id path and class, e.g. "1010/1031/1101 Button"
  RECT rect{};         // in the client area of the top-level window
  std::wstring extra;  // inner sizes and text
};

std::vector<LayoutLine> LayoutTable(HWND topLevel);
std::wstring FormatLine(const LayoutLine& line);
// The table of a file written by WriteLayoutTable (UTF-8); empty when it cannot be read.
std::vector<std::wstring> ReadLayoutTable(const std::wstring& path);
bool WriteLayoutTable(const std::wstring& path, const std::vector<LayoutLine>& table);

}  // namespace qv::guitest
