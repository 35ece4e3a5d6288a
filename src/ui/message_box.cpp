// Message boxes through one replaceable function.
#include "ui/message_box.h"

namespace qv {

namespace {

int DefaultMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}

// A test seam, not window state: tests put a recorder here.
MessageBoxFunction gMessageBox = DefaultMessageBox;

}  // namespace

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
  MessageBoxFunction previous = gMessageBox;
  gMessageBox = function != nullptr ? function : DefaultMessageBox;
  return previous;
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return gMessageBox(owner, text, caption, type);
}

UINT MessageIconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError: return MB_ICONERROR;
    case MessageIcon::kWarning: return MB_ICONWARNING;
    case MessageIcon::kInformation: return MB_ICONINFORMATION;
  }
  return 0;
}

int ShowAppMessage(HWND owner, MessageCode code) {
  const MessageText& message = MessageFor(code);
  return ShowMessageBox(owner, message.text, message.caption,
                        MB_OK | MessageIconStyle(message.icon) | MB_SETFOREGROUND);
}

}  // namespace qv
