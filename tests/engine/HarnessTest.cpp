// The harness itself: tests run as Windows x64 programs in a prefix that
// reports Windows 10 and has a usable temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/common/TempDir.h"

TEST(Harness, RunsAsWindows10x64WithTempFolder) {
  EXPECT_EQ(sizeof(void*), 8u);
  zn::test::TempDir dir;
  HANDLE h = CreateFileW(dir.File(L"probe.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_NE(GetFileAttributesW(dir.File(L"probe.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}
