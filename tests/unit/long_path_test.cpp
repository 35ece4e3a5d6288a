// Extended-length paths of the Win32 platform layer: which spellings get the prefix and how, and moving a
// file of a folder deeper than MAX_PATH to the recycle bin.
#include "platform/win32/long_path.h"

#include <gtest/gtest.h>

#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"
#include "test_support.h"

namespace qv {
namespace {

TEST(SystemPath, ExtendedFormOnlyFromTheLengthWhereTheOrdinaryFormStops) {
  const std::wstring deep = std::wstring(130, L'a') + L"\\" + std::wstring(130, L'b');
  const std::wstring atLimit = L"C:\\" + std::wstring(kPlainPathLimit - 4, L'x');  // kPlainPathLimit - 1 long
  struct Case {
    const char* what;
    std::wstring path, expected;
  } cases[] = {
      {"short path as it is", L"C:\\photos\\a.jpg", L"C:\\photos\\a.jpg"},
      {"just below the limit", atLimit, atLimit},
      {"at the limit", atLimit + L"y", L"\\\\?\\" + atLimit + L"y"},
      {"drive path", L"C:\\" + deep, L"\\\\?\\C:\\" + deep},
      {"slashes and dot components resolved", L"C:/x/./y/../" + deep, L"\\\\?\\C:\\x\\" + deep},
      {"server share", L"\\\\server\\share\\" + deep, L"\\\\?\\UNC\\server\\share\\" + deep},
      {"already extended", L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},
      {"device namespace", L"\\\\.\\" + deep, L"\\\\.\\" + deep},
      {"empty", L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SystemPath(c.path), c.expected) << c.what;
    if (c.expected.rfind(L"\\\\?\\", 0) == 0 && c.path.rfind(L"\\\\?\\", 0) != 0) {
      EXPECT_EQ(PlainPath(c.expected), FullPath(c.path)) << c.what;
    }
  }
}

TEST(SystemPath, RelativeLongPathIsTakenAgainstTheCurrentFolder) {
  const std::wstring relative = std::wstring(150, L'r') + L"\\" + std::wstring(150, L's');
  EXPECT_EQ(SystemPath(relative), L"\\\\?\\" + JoinPath(AbsolutePath(L"."), relative));
}

// The shell's path-based delete stops at MAX_PATH; a deeper file still goes to the recycle bin (under
// Wine: the prefix's freedesktop.org trash) and is gone from its folder.
TEST(RecycleFile, TakesAFileBeyondMaxPath) {
  test::ScratchDir dir;
  const std::wstring folder = test::MakeLongFolder(dir);
  ASSERT_FALSE(folder.empty());
  const std::wstring file = JoinPath(folder, L"recycled.jpg");
  ASSERT_TRUE(CreateOutputFile(file).Write("\xFF\xD8", 2));
  EXPECT_TRUE(RecycleFile(file));
  EXPECT_FALSE(PathExists(file));
}

}  // namespace
}  // namespace qv
