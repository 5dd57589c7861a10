// A temporary file's name taken in advance by a hard link to some other
// file: the name is freed and the temporary file made new in its place, the
// other file keeps its bytes, and the work still gets done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codetable/DmgImport.h"
#include "codetable/WordList.h"
#include "tests/codetable/CodeTableTestUtil.h"

using namespace zn::test;

TEST(PlantedTempFile, TemporaryFilesNeverFillAPlantedLink) {
  TempDir folder, elsewhere;
  const std::vector<uint8_t> victim(5000, 0x5A);
  std::vector<std::wstring> targets;
  for (const wchar_t* name : {kWordListTempName, L"rejects.txt"}) {
    const std::wstring target = elsewhere.File(name);
    ASSERT_TRUE(WriteFileBytes(target, victim));
    ASSERT_TRUE(CreateHardLinkW(folder.File(name).c_str(), target.c_str(), nullptr));
    targets.push_back(target);
  }
  WriteText(folder.File(L"list.txt"), L"甲\r\n乙\r\n");
  ASSERT_EQ(2, BuildWordListTable(folder.File(L"list.txt").c_str(), folder.File(L"t.dmg").c_str(), nullptr,
                                  nullptr));
  WriteText(folder.File(L"more.txt"), L"丙\r\n丁\r\n戊\r\n");
  bool hash = false;
  EXPECT_EQ(1, MergeWordListViaTempTable(folder.File(L"t.dmg").c_str(), folder.File(L"more.txt").c_str(),
                                         &hash, nullptr, folder.path().c_str()));
  auto merged = OpenTableFile(folder.File(L"t.dmg"));
  EXPECT_EQ(TableEntries(merged.get()).size(), 3u);

  CDmgImport import{};
  EXPECT_TRUE(OpenImportRejects(&import, folder.File(L"rejects.txt").c_str()));
  LogImportRefusal(&import, L"坏行", ImportRefusal{});
  CloseImportRejects(&import);
  EXPECT_GT(ReadFileBytes(folder.File(L"rejects.txt")).size(), 2u);

  for (const std::wstring& target : targets) EXPECT_EQ(ReadFileBytes(target), victim) << target;
}
