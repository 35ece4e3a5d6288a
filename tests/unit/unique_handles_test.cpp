// The Win32 resource owners: a move hands the resource on, the moved-from owner is empty, and the
// resource is released exactly once (a closed handle or deleted object is no longer known to the system).
#include "platform/win32/unique_handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace qv {
namespace {

bool IsOpenHandle(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

bool IsGdiObject(HGDIOBJ object) { return GetObjectType(object) != 0; }

TEST(UniqueHandle, MovesHandOnAndReleasesOnce) {
  const HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  {
    UniqueKernelHandle a(first);
    UniqueKernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Get(), first);
    UniqueKernelHandle c(second);
    b = std::move(c);  // the first event is closed here
    EXPECT_FALSE(IsOpenHandle(first));
    EXPECT_FALSE(c);
    EXPECT_EQ(b.Get(), second);
    EXPECT_TRUE(IsOpenHandle(second));
  }
  EXPECT_FALSE(IsOpenHandle(second));

  // Release gives the handle up; Put hands a slot to a function that returns one.
  UniqueKernelHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE released = owner.Release();
  EXPECT_FALSE(owner);
  EXPECT_TRUE(IsOpenHandle(released));
  *owner.Put() = released;
  owner.Reset();
  EXPECT_FALSE(IsOpenHandle(released));

  // Both failure values of the kernel's functions count as empty, for every handle kind.
  EXPECT_FALSE(UniqueKernelHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(UniqueFindHandle());
  EXPECT_FALSE(UniqueFindHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(UniqueChangeNotification(INVALID_HANDLE_VALUE));
  WIN32_FIND_DATAW data{};
  EXPECT_FALSE(UniqueFindHandle(FindFirstFileW(L"Z:\\no\\such\\folder\\*", &data)));
}

TEST(UniqueHandle, GdiObjectsAndDeviceContextsAreGivenBack) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BRUSH);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  {
    UniqueGdiObject<HBRUSH> brush(red);
    SelectedObject selected(dc.Get(), brush.Get());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), red);
    SelectedObject moved(std::move(selected));
    selected.Reset();  // a moved-from selection restores nothing
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), red);
  }  // the selection ends before the brush is deleted
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
  EXPECT_FALSE(IsGdiObject(red));

  WindowDc screen(nullptr);
  EXPECT_TRUE(screen);
  WindowDc other(std::move(screen));
  EXPECT_FALSE(screen);
  EXPECT_TRUE(other);
}

TEST(ComApartment, UninitialisesOnceAfterAMove) {
  // Only meaningful on a thread without COM: then a balanced scope leaves it without COM again.
  const HRESULT before = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(before)) CoUninitialize();
  if (before != S_OK) GTEST_SKIP() << "COM is already initialised on this thread";
  for (ComApartment::Kind kind : {ComApartment::Kind::kCom, ComApartment::Kind::kOle}) {
    {
      ComApartment first(kind);
      EXPECT_TRUE(first.Initialised());
      ComApartment second(std::move(first));
      EXPECT_FALSE(first.Initialised());
      EXPECT_TRUE(second.Initialised());
    }
    const HRESULT after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(after, S_OK);  // S_FALSE would mean the scope left COM initialised
    if (SUCCEEDED(after)) CoUninitialize();
  }
}

}  // namespace
}  // namespace qv
