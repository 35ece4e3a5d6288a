// Layout tables of windows for the GUI tests.
#include "layout_table.h"

#include <commctrl.h>

#include <sstream>

#include "platform/text.h"

namespace qv::guitest {
namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring IdPath(HWND window, HWND top) {
  std::wstring path;
  for (HWND w = window; w != nullptr && w != top; w = GetParent(w))
    path = std::to_wstring(GetDlgCtrlID(w)) + (path.empty() ? L"" : L"/" + path);
  return path;
}

// Sizes kept inside common controls: column widths, tab item rectangles, tree row height and indent.
std::wstring InnerSizes(HWND window, const std::wstring& cls) {
  std::wstringstream out;
  if (cls == WC_LISTVIEWW) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    out << L" columns";
    for (int i = 0; i < columns; ++i) out << L' ' << SendMessageW(window, LVM_GETCOLUMNWIDTH, i, 0);
  } else if (cls == WC_TABCONTROLW) {
    const int items = static_cast<int>(SendMessageW(window, TCM_GETITEMCOUNT, 0, 0));
    out << L" items";
    for (int i = 0; i < items; ++i) {
      RECT r{};
      SendMessageW(window, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
      out << L' ' << r.left << L',' << r.top << L',' << r.right << L',' << r.bottom;
    }
  } else if (cls == WC_TREEVIEWW) {
    out << L" row " << SendMessageW(window, TVM_GETITEMHEIGHT, 0, 0) << L" indent "
        << SendMessageW(window, TVM_GETINDENT, 0, 0);
  }
  return out.str();
}

struct Collect {
  HWND top;
  std::vector<LayoutLine>* lines;
};

BOOL CALLBACK AddLine(HWND window, LPARAM param) {
  auto& c = *reinterpret_cast<Collect*>(param);
  LayoutLine line;
  const std::wstring cls = ClassOf(window);
  line.key = IdPath(window, c.top) + L" " + cls;
  GetWindowRect(window, &line.rect);
  MapWindowPoints(nullptr, c.top, reinterpret_cast<POINT*>(&line.rect), 2);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  std::wstringstream extra;
  extra << InnerSizes(window, cls) << L" \"" << text << L"\"";
  line.extra = extra.str();
  c.lines->push_back(line);
  return TRUE;
}

}  // namespace

std::vector<LayoutLine> LayoutTable(HWND topLevel) {
  std::vector<LayoutLine> lines;
  RECT client{};
  GetClientRect(topLevel, &client);
  lines.push_back(LayoutLine{L"client", client, L""});
  Collect c{topLevel, &lines};
  EnumChildWindows(topLevel, AddLine, reinterpret_cast<LPARAM>(&c));
  return lines;
}

std::wstring FormatLine(const LayoutLine& line) {
  std::wstringstream out;
  out << line.key << L' ' << line.rect.left << L' ' << line.rect.top << L' ' << line.rect.right - line.rect.left
      << L' ' << line.rect.bottom - line.rect.top << line.extra;
  return out.str();
}

std::vector<std::wstring> ReadLayoutTable(const std::wstring& path) {
  std::vector<std::wstring> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  std::wstring text = FromUtf8(bytes);
  std::wstringstream stream(text);
  std::wstring line;
  while (std::getline(stream, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

bool WriteLayoutTable(const std::wstring& path, const std::vector<LayoutLine>& table) {
  std::wstring text;
  for (const LayoutLine& line : table) text += FormatLine(line) + L"\n";
  const std::string bytes = ToUtf8(text);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE;
  CloseHandle(file);
  return ok;
}

}  // namespace qv::guitest
