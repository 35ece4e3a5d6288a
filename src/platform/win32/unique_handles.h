// Move-only owners of Win32 resources: kernel handles, find handles, change notifications, GDI objects,
// device contexts and the objects selected into them, hooks, LocalFree and CoTaskMemFree memory, and the
// COM apartment of a thread. Each releases its resource exactly once, when it is destroyed or assigned
// over; a moved-from owner is empty. For the Win32 platform layer and the user interface only.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace qv {

// An owner of one handle whose traits say what "empty" is and how the handle is released:
//   using Handle = ...;  static Handle Empty();  static bool IsValid(Handle);  static bool Close(Handle);
// A handle may be a small record where releasing needs more than one value (a window and its DC).
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Handle Get() const { return handle_; }
  bool IsValid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return IsValid(); }

  // Releases the handle held and takes `handle` (empty by default).
  void Reset(Handle handle = Traits::Empty()) {
    const Handle old = std::exchange(handle_, handle);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

  // Releases the handle now and tells whether the system reported success (true when empty): for files
  // written through the handle, a failed close is a failed write.
  bool Close() {
    const Handle old = Release();
    return !Traits::IsValid(old) || Traits::Close(old);
  }

  // Gives the handle up without releasing it.
  Handle Release() { return std::exchange(handle_, Traits::Empty()); }

  // Releases the handle held and returns where a function that hands out a new one writes it.
  Handle* Put() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

namespace handle_traits {

// Kernel objects closed with CloseHandle. Functions report failure as null or INVALID_HANDLE_VALUE
// depending on the function; both count as empty.
struct Kernel {
  using Handle = HANDLE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return CloseHandle(h) != FALSE; }
};

struct Find {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return FindClose(h) != FALSE; }
};

struct ChangeNotification {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return FindCloseChangeNotification(h) != FALSE; }
};

template <typename Object>
struct Gdi {
  using Handle = Object;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) { return DeleteObject(h) != FALSE; }
};

struct MemoryDc {
  using Handle = HDC;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) { return DeleteDC(h) != FALSE; }
};

struct Hook {
  using Handle = HHOOK;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) { return UnhookWindowsHookEx(h) != FALSE; }
};

template <typename Pointer>
struct LocalMemory {
  using Handle = Pointer;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) { return LocalFree(reinterpret_cast<HLOCAL>(h)) == nullptr; }
};

template <typename Pointer>
struct CoTaskMemory {
  using Handle = Pointer;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) {
    CoTaskMemFree(h);
    return true;
  }
};

}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueFindHandle = UniqueHandle<handle_traits::Find>;
using UniqueChangeNotification = UniqueHandle<handle_traits::ChangeNotification>;
template <typename Object>
using UniqueGdiObject = UniqueHandle<handle_traits::Gdi<Object>>;
using UniqueMemoryDc = UniqueHandle<handle_traits::MemoryDc>;
using UniqueHook = UniqueHandle<handle_traits::Hook>;
// Memory the system allocated with LocalAlloc for the caller (CommandLineToArgvW's array, …).
template <typename Pointer>
using UniqueLocalMemory = UniqueHandle<handle_traits::LocalMemory<Pointer>>;
// Memory the shell allocated with CoTaskMemAlloc for the caller (known-folder paths, item id lists, …).
template <typename Pointer>
using UniqueCoTaskMemory = UniqueHandle<handle_traits::CoTaskMemory<Pointer>>;

namespace handle_traits {

struct WindowDc {
  struct Handle {
    HWND window;
    HDC dc;
  };
  static Handle Empty() { return {nullptr, nullptr}; }
  static bool IsValid(const Handle& h) { return h.dc != nullptr; }
  static bool Close(const Handle& h) { return ReleaseDC(h.window, h.dc) != 0; }
};

struct Selection {
  struct Handle {
    HDC dc;
    HGDIOBJ previous;
  };
  static Handle Empty() { return {nullptr, nullptr}; }
  static bool IsValid(const Handle& h) { return h.dc != nullptr && h.previous != nullptr; }
  static bool Close(const Handle& h) { return SelectObject(h.dc, h.previous) != nullptr; }
};

struct Apartment {
  enum class Kind { kCom, kOle };
  struct Handle {
    bool initialised;
    Kind kind;
  };
  static Handle Empty() { return {false, Kind::kCom}; }
  static bool IsValid(const Handle& h) { return h.initialised; }
  static bool Close(const Handle& h) {
    if (h.kind == Kind::kOle)
      OleUninitialize();
    else
      CoUninitialize();
    return true;
  }
};

}  // namespace handle_traits

// The device context of a window's client area from GetDC, given back with ReleaseDC.
class WindowDc : public UniqueHandle<handle_traits::WindowDc> {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND window) : UniqueHandle(Handle{window, GetDC(window)}) {}
  HDC Get() const { return UniqueHandle::Get().dc; }
};

// An object selected into a device context for the owner's lifetime; the object it replaced is selected
// again at the end (Reset does it at once). The object itself stays its owner's.
class SelectedObject : public UniqueHandle<handle_traits::Selection> {
 public:
  SelectedObject() = default;
  SelectedObject(HDC dc, HGDIOBJ object) : UniqueHandle(Handle{dc, SelectObject(dc, object)}) {}
};

// COM (or OLE, which includes COM) initialised on the calling thread for the owner's lifetime. The
// matching uninitialisation runs only when the initialisation succeeded, as the system requires.
class ComApartment : public UniqueHandle<handle_traits::Apartment> {
 public:
  using Kind = handle_traits::Apartment::Kind;
  ComApartment() = default;
  explicit ComApartment(Kind kind) : UniqueHandle(Handle{Initialise(kind), kind}) {}
  bool Initialised() const { return IsValid(); }

 private:
  static bool Initialise(Kind kind) {
    return SUCCEEDED(kind == Kind::kOle ? OleInitialize(nullptr) : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
};

}  // namespace qv
