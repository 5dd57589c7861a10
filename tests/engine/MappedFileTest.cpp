// Shared whole-file mappings: mapping, the private copy, resize, remap after
// another process grew the file, and reopen after the file went away.
#include <gtest/gtest.h>

#include "engine/MappedFile.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"

using zn::test::TempDir;

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

TEST(MappedFile, EmptyOrUnwritableFileBecomesPrivateCopy) {
  TempDir dir;
  std::wstring empty = dir.File(L"empty.bin");
  zn::test::WriteFileBytes(empty, {});
  MappedFile* mf = nullptr;
  ASSERT_EQ(OpenMappedFile(&mf, empty.c_str()), 1);
  ASSERT_NE(mf, nullptr);
  EXPECT_EQ(mf->size, 10u);
  EXPECT_EQ(mf->file, nullptr);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(mf->view[i], 0);
  CloseMappedFile(mf, 1);

  // Another program holds the file without sharing it for writing.
  std::wstring ro = dir.File(L"ro.bin");
  zn::test::WriteFileBytes(ro, Pattern(100));
  HANDLE holder = CreateFileW(ro.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_EQ(OpenMappedFile(&mf, ro.c_str()), 1);
  EXPECT_FALSE(IsWritableMapping(mf));
  EXPECT_EQ(mf->size, 110u);
  EXPECT_EQ(std::vector<uint8_t>(mf->view, mf->view + 100), Pattern(100));
  EXPECT_EQ(mf->view[100], 0);
  EXPECT_EQ(mf->view[101], 0);
  // Writers learn that nothing they write would reach the disk.
  EXPECT_EQ(ResizeMappedFile(mf, 500), 0);
  EXPECT_EQ(mf->size, 110u);
  EXPECT_EQ(FlushMappedFile(mf), 0);
  CloseMappedFile(mf, 1);
  CloseHandle(holder);

  EXPECT_EQ(OpenMappedFile(&mf, dir.File(L"missing.bin").c_str()), 0);
  EXPECT_EQ(mf, nullptr);
  EXPECT_EQ(ReadWholeFile(&mf, dir.File(L"missing.bin").c_str()), 0);
  EXPECT_EQ(mf, nullptr);
}

TEST(MappedFile, ResizeKeepsContentsAndZeroFillsGrowth) {
  TempDir dir;
  std::wstring path = dir.File(L"t.bin");
  zn::test::WriteFileBytes(path, Pattern(3000));
  MappedFile* mf = nullptr;
  ASSERT_EQ(OpenMappedFile(&mf, path.c_str()), 3000);
  EXPECT_TRUE(IsWritableMapping(mf));
  EXPECT_STREQ(mf->path, path.c_str());
  mf->view[10] = 0xEE;
  EXPECT_EQ(FlushMappedFile(mf), 1);
  EXPECT_EQ(zn::test::ReadFileBytes(path)[10], 0xEE) << "another reader sees the change at once";
  mf->view[10] = Pattern(11)[10];
  ASSERT_EQ(ResizeMappedFile(mf, 9000), 1);
  EXPECT_EQ(mf->size, 9000u);
  EXPECT_EQ(std::vector<uint8_t>(mf->view, mf->view + 3000), Pattern(3000));
  for (int i = 3000; i < 9000; ++i) ASSERT_EQ(mf->view[i], 0) << i;
  ASSERT_EQ(ResizeMappedFile(mf, 1000), 1);
  EXPECT_EQ(zn::test::ReadFileBytes(path).size(), 1000u);
  // A length of zero cannot be mapped: the table stays as it was.
  EXPECT_EQ(ResizeMappedFile(mf, 0), 0);
  EXPECT_EQ(mf->size, 1000u);
  EXPECT_EQ(mf->view[999], Pattern(1000)[999]);
  CloseMappedFile(mf, 1);
}

TEST(MappedFile, SecondMappingRemapsAfterTheFirstGrewTheFile) {
  TempDir dir;
  std::wstring path = dir.File(L"t.bin");
  zn::test::WriteFileBytes(path, Pattern(4096));
  MappedFile* writer = nullptr;
  MappedFile* reader = nullptr;
  ASSERT_GT(OpenMappedFile(&writer, path.c_str()), 0);
  ASSERT_GT(OpenMappedFile(&reader, path.c_str()), 0);
  uint8_t* before = reader->view;
  RemapIfResized(reader);
  EXPECT_EQ(reader->view, before) << "unchanged size: nothing happens";

  ASSERT_EQ(ResizeMappedFile(writer, 20000), 1);
  writer->view[19999] = 0x42;
  EXPECT_EQ(reader->size, 4096u) << "an old view keeps its old length";
  RemapIfResized(reader);
  ASSERT_EQ(reader->size, 20000u);
  EXPECT_EQ(reader->view[19999], 0x42);
  EXPECT_EQ(reader->view[5], Pattern(6)[5]);
  CloseMappedFile(reader, 1);
  CloseMappedFile(writer, 1);
}

TEST(MappedFile, ReopenOfVanishedFileLeavesEmptyRecord) {
  TempDir dir;
  std::wstring path = dir.File(L"t.bin");
  zn::test::WriteFileBytes(path, Pattern(64));
  MappedFile* mf = nullptr;
  ASSERT_EQ(ReadWholeFile(&mf, path.c_str()), 1);
  RemapIfResized(mf);  // a private copy is never re-read
  EXPECT_EQ(mf->size, 74u);
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_EQ(ReopenMappedFile(mf), 0);
  EXPECT_EQ(mf->view, nullptr);
  EXPECT_EQ(mf->size, 0u);
  CloseMappedFile(mf, 1);

  zn::test::WriteFileBytes(path, Pattern(64));
  ASSERT_GT(OpenMappedFile(&mf, path.c_str()), 0);
  MappedFile* same = mf;
  EXPECT_EQ(ReopenMappedFile(mf), 64);
  EXPECT_EQ(mf, same);
  EXPECT_TRUE(IsWritableMapping(mf));
  CloseMappedFile(mf, 1);
}

TEST(MappedFile, OverlongPathIsStoredCut) {
  TempDir dir;
  std::wstring path = dir.path();
  while (path.size() < 300) path += L".\\";
  path += L"t.bin";
  zn::test::WriteFileBytes(dir.File(L"t.bin"), Pattern(16));
  MappedFile* mf = nullptr;
  if (OpenMappedFile(&mf, path.c_str()) <= 0) GTEST_SKIP() << "host refuses long paths";
  EXPECT_EQ(wcslen(mf->path), 259u);
  EXPECT_EQ(std::wstring(mf->path), path.substr(0, 259));
  CloseMappedFile(mf, 1);
}

}  // namespace
