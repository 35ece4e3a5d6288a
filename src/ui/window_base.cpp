// Window and dialog procedures that route to objects.
#include "ui/window_base.h"

#include <new>
#include <stdexcept>

#include "batch/messages.h"
#include "ui/message_box.h"
#include "ui/process.h"

namespace qv {

namespace {

// What an exception says to the user: running out of memory has its own message.
MessageCode FailureOf() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return MessageCode::kMemory;
  } catch (const std::length_error&) {
    return MessageCode::kMemory;
  } catch (...) {
    return MessageCode::kExecuteFailed;
  }
}

}  // namespace

void ReportEscapedException(HWND window) {
  MessageCode code = MessageCode::kExecuteFailed;
  try {
    code = FailureOf();
  } catch (...) {
  }
  HWND owner = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
  try {
    ShowAppMessage(owner, code);
  } catch (...) {
  }
}

WindowBase::~WindowBase() {
  if (window_ == nullptr) return;
  HWND window = window_;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  window_ = nullptr;
  DestroyWindow(window);
}

bool WindowBase::RegisterClass(const wchar_t* name, HICON icon, HCURSOR cursor, HBRUSH background) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(Process().instance, name, &existing)) return true;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  cls.lpfnWndProc = Procedure;
  cls.hInstance = Process().instance;
  cls.hIcon = icon;
  cls.hCursor = cursor;
  cls.hbrBackground = background;
  cls.lpszClassName = name;
  return RegisterClassExW(&cls) != 0;
}

HWND WindowBase::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                        int width, int height, HWND parent, int id) {
  return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Process().instance, this);
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

WindowBase* WindowBase::ObjectOf(HWND window) {
  if (window == nullptr) return nullptr;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  wchar_t name[128] = {};
  // Only windows of our own procedure carry an object in their user data.
  if (GetClassNameW(window, name, 128) == 0 || !GetClassInfoExW(Process().instance, name, &cls) ||
      cls.lpfnWndProc != Procedure)
    return nullptr;
  return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<WindowBase*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self != nullptr) {
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Route(message, wParam, lParam);
}

LRESULT WindowBase::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  LRESULT result = 0;
  try {
    result = HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportEscapedException(window);
    // A window whose creation failed half-way is not made.
    if (message == WM_NCCREATE) return FALSE;
    if (message == WM_CREATE) return -1;
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    OnFinalMessage();
  }
  return result;
}

INT_PTR DialogBase::RunModal(int templateId, HWND owner) {
  return DialogBoxParamW(Process().instance, MAKEINTRESOURCEW(templateId), owner, Procedure,
                         reinterpret_cast<LPARAM>(this));
}

DialogBase* DialogBase::ObjectOf(HWND dialog) {
  // Only dialogs of our own procedure carry an object in their user data.
  if (dialog == nullptr || GetWindowLongPtrW(dialog, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(Procedure))
    return nullptr;
  return reinterpret_cast<DialogBase*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK DialogBase::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogBase*>(lParam);
    self->dialog_ = dialog;
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  }
  auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportEscapedException(dialog);
    if (message == WM_INITDIALOG) EndDialog(dialog, -1);
    return FALSE;
  }
}

}  // namespace qv
