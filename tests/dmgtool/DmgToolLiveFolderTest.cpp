// dmgtool on a live data folder (settings and lock page beside the table):
// what it refuses says how to get the table in, a word list goes in as
// config's import puts it, under the folder's lock whether the table is
// there or not, and leaves the settings saying how the association keys read.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/MappedFile.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestFiles.h"

using namespace zn::test;

namespace {

const std::wstring kData = ZN_TEST_DATA_DIR;
constexpr uint32_t kAssociationHashKeys = 0x400;

// UTF-16LE with a byte-order mark.
void WriteList(const std::wstring& path, const std::wstring& text) {
  const std::wstring withMark = L"\xFEFF" + text;
  ASSERT_TRUE(WriteFileBytes(path, withMark.data(), withMark.size() * 2));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DmgToolLiveFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* name : {L"config.dsc", L"main.dmg", L"sysl.dmg", L"engl.dmg"}) {
      ASSERT_TRUE(WriteFileBytes(dir_.File(name), ReadFileBytes(kData + name))) << "built data folder";
    }
    // A lock taken once makes the folder's lock page.
    { DataWriteLock lock(dir_.path().c_str()); ASSERT_TRUE(lock.Held()); }
    ASSERT_TRUE(Exists(dir_.File(kLockPageName)));
  }

  // Runs dmgtool; true when it ended with exit code 0.
  bool Run(const std::wstring& args, std::string* output = nullptr) {
    ChildProcess tool(ZN_DMGTOOL_EXE, args, dir_.File(L"out" + std::to_wstring(runs_++) + L".txt"));
    EXPECT_TRUE(tool.Started());
    const bool ok = tool.Finish(60000);
    if (output) *output = tool.Output();
    return ok;
  }

  std::wstring WordListArgs(const std::wstring& list, const std::wstring& table) {
    return L"wordlist " + Quoted(dir_.File(list)) + L" " + Quoted(dir_.File(table));
  }

  uint32_t OptionWord() {
    std::vector<uint8_t> settings = ReadFileBytes(dir_.File(L"config.dsc"));
    ConfigBlockSet blocks{};
    EXPECT_TRUE(LocateConfigBlocks(settings.data(), static_cast<uint32_t>(settings.size()), &blocks));
    return blocks.ime ? blocks.ime->spaceWord : 0;
  }

  uint32_t Records(const std::wstring& table) {
    MappedFile* mapped = nullptr;
    if (OpenMappedFile(&mapped, dir_.File(table).c_str()) <= 0) return 0;
    const uint32_t n = GetDmgView(mapped).countRecords;
    CloseMappedFile(mapped, 0);
    return n;
  }

  TempDir dir_;
  int runs_ = 0;
};

// The refusal's advice, followed as written, puts the table in: every copy
// of a live folder holds config.dsc and is refused as well.
TEST_F(DmgToolLiveFolderTest, RefusalGivesAdviceThatWorks) {
  ASSERT_TRUE(CreateDirectoryW(dir_.File(L"copy").c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(dir_.File(L"config.dsc").c_str(), dir_.File(L"copy\\config.dsc").c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryW(dir_.File(L"build").c_str(), nullptr));
  const std::wstring main = Quoted(dir_.File(L"main.dmg"));
  struct Case {
    std::wstring name, args;
  };
  for (const Case& c : {Case{L"danzi.dmi", L"danzi " + main + L" "}, Case{L"temp.dmg", L"emptytemp "}}) {
    std::string said;
    EXPECT_FALSE(Run(c.args + Quoted(dir_.File(c.name)), &said));
    EXPECT_FALSE(Exists(dir_.File(c.name)));
    EXPECT_NE(std::string::npos, said.find("live data folder")) << said;
    EXPECT_EQ(std::string::npos, said.find("copy of the folder")) << said;
    EXPECT_NE(std::string::npos, said.find("neither config.dsc nor write.lck")) << said;
    EXPECT_FALSE(Run(c.args + Quoted(dir_.File(L"copy\\" + c.name))));
    // As advised: written where neither file is, then copied in.
    ASSERT_TRUE(Run(c.args + Quoted(dir_.File(L"build\\" + c.name)), &said)) << said;
    EXPECT_TRUE(CopyFileW(dir_.File(L"build\\" + c.name).c_str(), dir_.File(c.name).c_str(), TRUE));
    EXPECT_EQ(ReadFileBytes(dir_.File(L"build\\" + c.name)), ReadFileBytes(dir_.File(c.name)));
  }
}

// With the association table missing (a build of it killed, or config
// building it now), the word list is put in place under the folder's lock:
// while another process holds it nothing is placed.
TEST_F(DmgToolLiveFolderTest, WordListForAMissingTableTakesTheLock) {
  ASSERT_TRUE(DeleteFileW(dir_.File(L"sysl.dmg").c_str()));
  WriteList(dir_.File(L"list.txt"), L"春天\r\n夏天\r\n秋天\r\n");
  {
    ChildProcess holder(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(dir_.path()),
                        dir_.File(L"holder.txt"));
    ASSERT_EQ("held", holder.FirstLine(15000));
    std::string said;
    EXPECT_FALSE(Run(WordListArgs(L"list.txt", L"sysl.dmg"), &said)) << said;
    EXPECT_FALSE(Exists(dir_.File(L"sysl.dmg"))) << "placed while another process held the lock";
    holder.CloseInput();
    ASSERT_TRUE(holder.Finish(10000));
  }
  std::string said;
  ASSERT_TRUE(Run(WordListArgs(L"list.txt", L"sysl.dmg"), &said)) << said;
  EXPECT_EQ(3u, Records(L"sysl.dmg"));
  EXPECT_FALSE(Exists(dir_.File(L"sysl.dmg.new")));
}

// A code table compiled into a live folder where the table is missing goes
// in under the folder's lock too.
TEST_F(DmgToolLiveFolderTest, CompileForAMissingTableTakesTheLock) {
  ASSERT_TRUE(DeleteFileW(dir_.File(L"main.dmg").c_str()));
  WriteList(dir_.File(L"def.txt"), L"工\ta\r\n了\tb\r\n");
  const std::wstring args = L"compile " + Quoted(dir_.File(L"main.dmg")) + L" " + Quoted(dir_.File(L"def.txt"));
  {
    ChildProcess holder(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(dir_.path()),
                        dir_.File(L"holder.txt"));
    ASSERT_EQ("held", holder.FirstLine(15000));
    std::string said;
    EXPECT_FALSE(Run(args, &said)) << said;
    EXPECT_FALSE(Exists(dir_.File(L"main.dmg"))) << "placed while another process held the lock";
    holder.CloseInput();
    ASSERT_TRUE(holder.Finish(10000));
  }
  std::string said;
  ASSERT_TRUE(Run(args, &said)) << said;
  EXPECT_EQ(2u, Records(L"main.dmg"));
  EXPECT_FALSE(Exists(dir_.File(L"main.dmg.new")));
  EXPECT_FALSE(Exists(dir_.File(L"main.dmg.build")));
}

// As config's import: a list whose first line holds "#" sets the settings'
// association-keys bit, one without clears it; a missing table as well as
// an existing one; the English list leaves the bit alone.
TEST_F(DmgToolLiveFolderTest, WordListSetsTheAssociationKeysAsConfigDoes) {
  WriteList(dir_.File(L"hash.txt"), L"#春天\r\n夏天\r\n");
  WriteList(dir_.File(L"plain.txt"), L"春天\r\n夏天#\r\n秋天\r\n");
  const uint32_t others = OptionWord() & ~kAssociationHashKeys;
  std::string said;
  ASSERT_TRUE(Run(WordListArgs(L"hash.txt", L"sysl.dmg"), &said)) << said;
  EXPECT_EQ(others | kAssociationHashKeys, OptionWord());
  EXPECT_EQ(2u, Records(L"sysl.dmg"));
  ASSERT_TRUE(Run(WordListArgs(L"plain.txt", L"engl.dmg"), &said)) << said;
  EXPECT_EQ(others | kAssociationHashKeys, OptionWord()) << "the English list changed the association keys";
  ASSERT_TRUE(Run(WordListArgs(L"plain.txt", L"sysl.dmg"), &said)) << said;
  EXPECT_EQ(others, OptionWord());
  EXPECT_EQ(3u, Records(L"sysl.dmg"));
  ASSERT_TRUE(DeleteFileW(dir_.File(L"sysl.dmg").c_str()));
  ASSERT_TRUE(Run(WordListArgs(L"hash.txt", L"sysl.dmg"), &said)) << said;
  EXPECT_EQ(others | kAssociationHashKeys, OptionWord());
  EXPECT_EQ(2u, Records(L"sysl.dmg"));
}

}  // namespace
