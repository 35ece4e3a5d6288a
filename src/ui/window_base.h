// The base of every window and dialog of Quorvix.exe: the object is found from its handle (stored when
// the system first tells the window about itself), each class has one virtual message handler, and no C++
// exception crosses into the system's code: one that reaches the edge is reported with a message box
// ("メモリ確保に失敗しました。" when memory ran out) and the message gets its default handling.
#pragma once

#include <windows.h>

namespace qv {

class WindowBase {
 public:
  WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  // A window still alive when its object goes is destroyed first, so that no message reaches a
  // destroyed object.
  virtual ~WindowBase();

  HWND Handle() const { return window_; }

  // The object of a window made through Create, or null for any other window (or another type).
  template <typename T>
  static T* FromHandle(HWND window) {
    return dynamic_cast<T*>(ObjectOf(window));
  }

  // Registers a window class whose procedure routes every message to the object (idempotent).
  static bool RegisterClass(const wchar_t* name, HICON icon, HCURSOR cursor, HBRUSH background);

 protected:
  // Creates the window of this object with a class registered through RegisterClass; `id` is the child
  // id (0 for top-level windows). Null on failure.
  HWND Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
              int height, HWND parent, int id = 0);

  // Every message of the window after WM_NCCREATE. The default hands it to DefWindowProcW.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window_, message, wParam, lParam);
  }
  // After the window's last message (WM_NCDESTROY); the handle is already null.
  virtual void OnFinalMessage() {}

 private:
  static WindowBase* ObjectOf(HWND window);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

// The same for modal dialogs from a template: the object is passed to DialogBoxParamW and found again
// from the dialog's handle; one virtual handler; the same catch-all.
class DialogBase {
 public:
  DialogBase() = default;
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;
  virtual ~DialogBase() = default;

  // The object of a dialog run through RunModal, or null for any other window (or another type).
  template <typename T>
  static T* FromHandle(HWND dialog) {
    return dynamic_cast<T*>(ObjectOf(dialog));
  }

 protected:
  // Runs the dialog of template `templateId` modal to `owner`; its EndDialog result, -1 on failure.
  INT_PTR RunModal(int templateId, HWND owner);
  HWND Handle() const { return dialog_; }
  // WM_INITDIALOG comes here first; then every other message. Return as a dialog procedure does.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

 private:
  static DialogBase* ObjectOf(HWND dialog);
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HWND dialog_ = nullptr;
};

// What the catch-all does with an exception that reached a window procedure: the message box of the
// failure, owned by the window's top-level window. Meant for the catch blocks of the two bases.
void ReportEscapedException(HWND window);

}  // namespace qv
