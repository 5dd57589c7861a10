// Anyone may delete a file of the data folder and put a hard link to some
// other file in its place. No writer writes through such a link, and the
// lock page, while open, can be neither deleted nor swapped.
#include <gtest/gtest.h>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/ImeContext.h"
#include "engine/PlainFile.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

// Replaces name in folder by a hard link to a file elsewhere holding bytes,
// and gives the other name.
std::wstring PlantLink(const TempDir& folder, const wchar_t* name, const TempDir& elsewhere,
                       const std::vector<uint8_t>& bytes) {
  const std::wstring target = elsewhere.File(std::wstring(L"victim-") + name);
  if (!WriteFileBytes(target, bytes)) return {};
  DeleteFileW(folder.File(name).c_str());
  if (!CreateHardLinkW(folder.File(name).c_str(), target.c_str(), nullptr)) return {};
  return target;
}

std::vector<uint8_t> NewWord() { return RecordBytes({"zz", L"新", 0x02000400}); }

}  // namespace

TEST(PlantedLinks, EngineWritersLeaveALinkedTableAndConfigAlone) {
  TempDir data, elsewhere;
  FakeOs os;
  std::vector<uint8_t> config = DefaultConfig();
  // Opening a context then empties temp.dmg and stamps config.dsc.
  ImeBlockOf(config)->optionFlags |= kImeOptClearTempOnRestart;
  MakeDataFolder(os, data.path(), config);
  const std::vector<uint8_t> main = BuildDmgBytes(RandomEntries(5, 40));
  const std::vector<uint8_t> temp = FakeTable(5);
  const std::wstring configTarget = PlantLink(data, L"config.dsc", elsewhere, config);
  const std::wstring mainTarget = PlantLink(data, L"main.dmg", elsewhere, main);
  const std::wstring tempTarget = PlantLink(data, L"temp.dmg", elsewhere, temp);
  ASSERT_FALSE(configTarget.empty() || mainTarget.empty() || tempTarget.empty());

  ImeContext* context = CreateImeContext(&os);
  ASSERT_NE(context, nullptr) << "readers keep reading";
  for (DataFile f : {kFileConfig, kFileMain, kFileTemp}) {
    ASSERT_NE(context->files[f], nullptr) << f;
    EXPECT_FALSE(IsWritableMapping(context->files[f])) << f;
  }
  EXPECT_EQ(AppendRecord(context->files[kFileMain], NewWord().data()), 0);
  DestroyImeContext(context);
  EXPECT_EQ(ReadFileBytes(configTarget), config);
  EXPECT_EQ(ReadFileBytes(mainTarget), main);
  EXPECT_EQ(ReadFileBytes(tempTarget), temp);
}

TEST(PlantedLinks, ALinkedLockPageGivesNoLockAndIsNotWritten) {
  TempDir data, elsewhere;
  ASSERT_TRUE(WriteFileBytes(data.File(L"config.dsc"), DefaultConfig()));
  ASSERT_TRUE(WriteFileBytes(data.File(L"main.dmg"), BuildDmgBytes(RandomEntries(5, 40))));
  const std::vector<uint8_t> victim(100, 0x5A);
  const std::wstring target = PlantLink(data, kLockPageName, elsewhere, victim);
  ASSERT_FALSE(target.empty());

  MappedFilePtr main = OpenTableFile(data.File(L"main.dmg"));
  ASSERT_TRUE(main);
  EXPECT_EQ(main->lockPage, nullptr);
  EXPECT_FALSE(DataWriteLock(data.path().c_str(), 0).Held());
  // Writers refuse rather than make a lock of their own; readers go on.
  EXPECT_EQ(AppendRecord(main.get(), NewWord().data()), 0);
  EXPECT_EQ(TableEntries(main.get()).size(), 40u);
  EXPECT_EQ(ReadFileBytes(target), victim);

  // What a reparse point would look like is decided on the handle's
  // information alone (no link of that kind can be made here).
  BY_HANDLE_FILE_INFORMATION info{};
  info.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  info.nNumberOfLinks = 1;
  EXPECT_TRUE(IsPlainFileInfo(info));
  info.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  EXPECT_FALSE(IsPlainFileInfo(info));
}

TEST(PlantedLinks, AnOpenLockPageCanBeNeitherDeletedNorRenamed) {
  TempDir data;
  ASSERT_TRUE(WriteFileBytes(data.File(L"config.dsc"), DefaultConfig()));
  ASSERT_TRUE(WriteFileBytes(data.File(L"main.dmg"), BuildDmgBytes(RandomEntries(5, 40))));
  const std::wstring page = data.File(kLockPageName);
  {
    MappedFilePtr main = OpenTableFile(data.File(L"main.dmg"));
    ASSERT_TRUE(main && main->lockPage);
    EXPECT_FALSE(DeleteFileW(page.c_str()));
    EXPECT_FALSE(MoveFileW(page.c_str(), data.File(L"old.lck").c_str()));
    ASSERT_TRUE(WriteFileBytes(data.File(L"other.lck"), std::vector<uint8_t>(64, 0)));
    EXPECT_FALSE(MoveFileExW(data.File(L"other.lck").c_str(), page.c_str(), MOVEFILE_REPLACE_EXISTING));
  }
  EXPECT_TRUE(DeleteFileW(page.c_str()));
}
