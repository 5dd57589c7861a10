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

// A record of a file that was empty or gone takes the file once it has a
// length, in the same record and as a first open would: mapped writable when
// it is a plain file, a copy when it has a second name. Any other copy is
// never read again.
TEST(MappedFile, EmptyOrVanishedFileIsOpenedAnewOnceItHasALength) {
  TempDir dir;
  const std::wstring path = dir.File(L"t.dmg");
  zn::test::WriteFileBytes(path, {});
  MappedFile* mf = nullptr;
  ASSERT_EQ(OpenMappedFile(&mf, path.c_str()), 1);
  MappedFile* same = mf;
  EXPECT_FALSE(ReopenIfFilled(mf)) << "still empty";
  // Built beside and renamed into place, as the builders do.
  zn::test::WriteFileBytes(dir.File(L"t.new"), Pattern(300));
  ASSERT_TRUE(MoveFileExW(dir.File(L"t.new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  RemapOrReopen(mf);
  EXPECT_EQ(mf, same);
  ASSERT_TRUE(IsWritableMapping(mf));
  ASSERT_EQ(mf->size, 300u);
  EXPECT_EQ(std::vector<uint8_t>(mf->view, mf->view + 300), Pattern(300));
  EXPECT_FALSE(ReopenIfFilled(mf)) << "a mapped record is remapped, not opened anew";

  // Gone, and put back.
  CloseMappedFile(mf, 1);
  ASSERT_EQ(ReadWholeFile(&mf, path.c_str()), 1);
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_EQ(ReopenMappedFile(mf), 0);
  EXPECT_FALSE(ReopenIfFilled(mf));
  zn::test::WriteFileBytes(path, Pattern(40));
  EXPECT_TRUE(ReopenIfFilled(mf));
  EXPECT_TRUE(IsWritableMapping(mf));
  EXPECT_EQ(mf->size, 40u);
  CloseMappedFile(mf, 1);

  // An empty file with a second name is read as a copy, and so is what it
  // holds later: never mapped writable.
  const std::wstring linked = dir.File(L"linked.dmg");
  zn::test::WriteFileBytes(linked, {});
  ASSERT_TRUE(CreateHardLinkW(dir.File(L"other.dmg").c_str(), linked.c_str(), nullptr));
  ASSERT_EQ(OpenMappedFile(&mf, linked.c_str()), 1);
  zn::test::WriteFileBytes(dir.File(L"other.dmg"), Pattern(64));
  ASSERT_EQ(zn::test::ReadFileBytes(linked).size(), 64u);
  EXPECT_TRUE(ReopenIfFilled(mf));
  EXPECT_FALSE(IsWritableMapping(mf));
  ASSERT_EQ(mf->size, 74u);
  EXPECT_EQ(std::vector<uint8_t>(mf->view, mf->view + 64), Pattern(64));
  EXPECT_EQ(ResizeMappedFile(mf, 500), 0);
  CloseMappedFile(mf, 1);

  // A copy of a file that had bytes stays as it was read.
  const std::wstring held = dir.File(L"held.dmg");
  zn::test::WriteFileBytes(held, Pattern(20));
  ASSERT_EQ(ReadWholeFile(&mf, held.c_str()), 1);
  zn::test::WriteFileBytes(held, Pattern(90));
  EXPECT_FALSE(ReopenIfFilled(mf));
  RemapOrReopen(mf);
  EXPECT_EQ(mf->size, 30u);
  CloseMappedFile(mf, 1);
}

// In a data folder the record of an empty file looks at it again only when
// the folder's growth word moved, so a key stroke asks the file system nothing.
TEST(MappedFile, EmptyCopyInADataFolderIsLookedAtWhenALengthChanged) {
  TempDir dir;
  zn::test::WriteFileBytes(dir.File(L"config.dsc"), zn::test::DefaultConfig());
  zn::test::WriteFileBytes(dir.File(L"main.dmg"), Pattern(4096));
  const std::wstring path = dir.File(L"sysl.dmg");
  zn::test::WriteFileBytes(path, {});
  MappedFile* mf = nullptr;
  ASSERT_EQ(OpenMappedFile(&mf, path.c_str()), 1);
  ASSERT_NE(mf->lockPage, nullptr);
  zn::test::WriteFileBytes(path, Pattern(200));
  RemapIfResized(mf);
  EXPECT_EQ(mf->size, 10u) << "no length in the folder changed";
  MappedFile* main = nullptr;
  ASSERT_GT(OpenMappedFile(&main, dir.File(L"main.dmg").c_str()), 0);
  ASSERT_EQ(ResizeMappedFile(main, 8192), 1);
  RemapIfResized(mf);
  EXPECT_TRUE(IsWritableMapping(mf));
  EXPECT_EQ(mf->size, 200u);
  CloseMappedFile(main, 1);
  CloseMappedFile(mf, 1);
}

// A folder moved away while a table of it stays open, another data folder
// put at its path: the record is never pointed at the other folder's file,
// which its folder's lock does not guard.
TEST(MappedFile, ARemapNeverCrossesIntoAFolderPutAtTheSamePath) {
  TempDir dir;
  const std::wstring folder = dir.File(L"data\\");
  for (const wchar_t* name : {L"data", L"other"}) {
    ASSERT_TRUE(CreateDirectoryW(dir.File(name).c_str(), nullptr));
    zn::test::WriteFileBytes(dir.File(name) + L"\\config.dsc", zn::test::DefaultConfig());
  }
  zn::test::WriteFileBytes(folder + L"main.dmg", Pattern(4096));
  zn::test::WriteFileBytes(dir.File(L"other\\main.dmg"), Pattern(8192));
  MappedFile* mf = nullptr;
  ASSERT_GT(OpenMappedFile(&mf, (folder + L"main.dmg").c_str()), 0);
  FolderLockPage* page = mf->lockPage;
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(MoveFileW(dir.File(L"data").c_str(), dir.File(L"moved").c_str()));
  ASSERT_TRUE(MoveFileW(dir.File(L"other").c_str(), dir.File(L"data").c_str()));
  EXPECT_EQ(ReopenMappedFile(mf), 0);
  EXPECT_EQ(mf->lockPage, page);
  EXPECT_FALSE(IsWritableMapping(mf));
  CloseMappedFile(mf, 1);
  // Opened anew through the path, the table is the other folder's.
  ASSERT_EQ(OpenMappedFile(&mf, (folder + L"main.dmg").c_str()), 8192);
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
