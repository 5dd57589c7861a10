// The candidate-word menu commands on main.dmg entries, the information box,
// the dictionary look-up and deleting the last committed word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DataLock.h"
#include "engine/EntryCommands.h"
#include "engine/TableJournal.h"
#include "engine/TempWords.h"
#include "tests/common/ChildProcess.h"
#include "tests/engine/FakeEffects.h"
#include "tests/engine/RoadTestContext.h"

namespace {

using zn::test::Attr;
using zn::test::FakeEffects;

constexpr uint32_t kPinned = 0x40000000u;
constexpr uint32_t kDeleted = 0x80000000u;

class EntryCommandsTest : public ::testing::Test {
 protected:
  // Code "a" lists P (pinned), then A, B, C, D by falling order.
  void SetUp() override {
    road_.SetMain({{"a", L"A", Attr(1, 60)},
                   {"a", L"B", Attr(1, 50)},
                   {"a", L"C", Attr(1, 40)},
                   {"a", L"D", Attr(1, 30)},
                   {"a", L"P", Attr(1, 5, true)},
                   {"b", L"C&#% 𠮷", Attr(1, 10)},
                   {"e", L"E1", Attr(1, 7)},
                   {"e", L"E2", Attr(1, 7)},
                   {"e", L"E3", Attr(1, 7)}});
    road_.Search(L"a");
  }
  std::vector<std::wstring> Page() { return road_.Page(); }
  uint32_t Order(const wchar_t* word) { return road_.MainAttr(word) & 0xFFFF; }
  int Slot(const wchar_t* word) {
    const std::vector<std::wstring> page = Page();
    for (size_t i = 0; i < page.size(); ++i) {
      if (page[i] == word) return static_cast<int>(i);
    }
    return -1;
  }
  void Run(const wchar_t* word, int command) {
    ShowEntryInfo(road_.get(), nullptr, Slot(word), command, fx_);
  }
  std::vector<uint32_t> Orders() { return {Order(L"A"), Order(L"B"), Order(L"C"), Order(L"D")}; }

  zn::test::RoadContext road_;
  FakeEffects fx_;
};

TEST_F(EntryCommandsTest, MovesStayInsideTheRun) {
  ASSERT_EQ(Page(), (std::vector<std::wstring>{L"P", L"A", L"B", L"C", L"D"}));
  Run(L"A", kEntryMoveUp);  // P is pinned: another run
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));
  EXPECT_EQ(Order(L"P"), 5u);
  Run(L"P", kEntryMoveDown);
  EXPECT_EQ(Order(L"P"), 5u);
  Run(L"D", kEntryMoveDown);  // last of the list
  Run(L"B", kEntryMoveUp);
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{50, 60, 40, 30}));
  Run(L"C", kEntryMoveDown);
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{50, 60, 30, 40}));
  // Pinned and category bits never travel with the order value.
  EXPECT_EQ(road_.MainAttr(L"B") & ~0xFFFFu, Attr(1, 0));
}

TEST_F(EntryCommandsTest, MoveToFirstAndLastRotateTheRun) {
  Run(L"D", kEntryMoveFirst);
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{50, 40, 30, 60}));
  EXPECT_EQ(Order(L"P"), 5u);
  road_.Search(L"a");
  ASSERT_EQ(Page(), (std::vector<std::wstring>{L"P", L"D", L"A", L"B", L"C"}));
  Run(L"D", kEntryMoveLast);
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));
  road_.Search(L"a");
  Run(L"A", kEntryMoveFirst);  // already first of its run
  Run(L"P", kEntryMoveLast);   // a run of one
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));
  EXPECT_EQ(Order(L"P"), 5u);
  // A run of equal values rotates without harm.
  road_.Search(L"e");
  ASSERT_EQ(Page().size(), 3u);
  Run(Page()[2].c_str(), kEntryMoveFirst);
  Run(Page()[0].c_str(), kEntryMoveDown);
  for (const wchar_t* w : {L"E1", L"E2", L"E3"}) EXPECT_EQ(road_.MainAttr(w), Attr(1, 7)) << w;
}

TEST_F(EntryCommandsTest, PinSecondaryAndDelete) {
  Run(L"B", kEntryTogglePinned);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50) | kPinned);
  Run(L"B", kEntryTogglePinned);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50));
  Run(L"C", kEntryToggleSecondary);
  EXPECT_EQ(road_.MainAttr(L"C"), Attr(3, 40));
  Run(L"C", kEntryToggleSecondary);
  EXPECT_EQ(road_.MainAttr(L"C"), Attr(1, 40));
  Run(L"D", kEntryDelete);
  EXPECT_EQ(road_.MainAttr(L"D"), Attr(1, 30) | kDeleted);
  road_.Search(L"a");
  EXPECT_EQ(Slot(L"D"), -1);
}

TEST_F(EntryCommandsTest, TemporaryAndGeneratedCandidatesAreLeftAlone) {
  std::vector<uint8_t> temp(kTempTableBytes);
  WriteEmptyTempTable(temp.data(), static_cast<uint32_t>(temp.size()));
  road_.SetTable(kFileTemp, temp, L"temp.dmg");
  const std::vector<uint8_t> record = zn::test::RecordBytes({"a", L"T", 0});
  ASSERT_EQ(AddTempRecord(road_.get()->files[kFileTemp], record.data(), nullptr), 1);
  SetImePageSize(road_.ime(), 10);
  road_.Search(L"a");
  const int slot = Slot(L"T");
  ASSERT_GE(slot, 0);
  for (int command = kEntryMoveUp; command <= kEntryDelete; ++command) {
    EXPECT_EQ(ShowEntryInfo(road_.get(), nullptr, slot, command, fx_), 1);
  }
  EXPECT_EQ(road_.get()->candidates[road_.get()->slotListIndex[slot]].entry[0], 0);  // age kept
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));
  EXPECT_EQ(ShowEntryInfo(road_.get(), nullptr, 9, kEntryDelete, fx_), 1);  // empty slot
}

TEST_F(EntryCommandsTest, InformationBox) {
  int owner = 0;
  ShowEntryInfo(road_.get(), &owner, Slot(L"P"), kEntryInformation, fx_);
  ASSERT_EQ(fx_.messages.size(), 1u);
  EXPECT_EQ(fx_.messages[0],
            L"词条信息 - P|当前检索码表: 主码表  (可使用“码表切换键”切换至次显码表)\r\n"
            L"编码: a\r\n词条: P\r\n是否固顶词条: 是\r\n分类: 主码表\r\n");
  EXPECT_EQ(fx_.messageOwners[0], &owner);
  EXPECT_EQ(fx_.messageStyles[0], static_cast<uint32_t>(MB_ICONINFORMATION));
}

TEST_F(EntryCommandsTest, DictionaryLookUpEncodesTheWord) {
  road_.Search(L"b");
  ShowEntryInfo(road_.get(), nullptr, 0, kEntryLookUp, fx_);
  ASSERT_EQ(fx_.programs.size(), 1u);
  EXPECT_EQ(fx_.programs[0],
            std::wstring(kDictionaryLookupUrl) + L"C%26%23%25%20%F0%A0%AE%B7 ");
}

TEST_F(EntryCommandsTest, DeleteAndRestoreTheLastCommittedWord) {
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_TRUE(fx_.messages.empty());  // nothing committed yet
  CommitSelection(road_.get(), CommitCandidate(road_.get(), 3));  // B
  fx_.messageResult = IDNO;
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50));
  fx_.messageResult = IDYES;
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50) | kDeleted);
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50));
  ASSERT_EQ(fx_.messages.size(), 3u);
  EXPECT_EQ(fx_.messages[0], L"操作提示|编码: a\r\n词条: B\r\n\r\n是否删除这个词条?");
  EXPECT_EQ(fx_.messages[2], L"操作提示|编码: a\r\n词条: B\r\n\r\n该词条已被删除，是否取消删除?");
  EXPECT_EQ(fx_.messageStyles[0], static_cast<uint32_t>(MB_YESNO | MB_ICONQUESTION));
}

TEST_F(EntryCommandsTest, MovedRecordIsNoLongerTheLastCommittedEntry) {
  // A is the lowest record in the file: growing the full table moves it.
  CommitSelection(road_.get(), CommitCandidate(road_.get(), 2));
  ASSERT_EQ(road_.get()->lastCommittedKind, kKindMain);
  const std::vector<uint8_t> record = zn::test::RecordBytes({"q", L"新", Attr(2, 1)});
  MappedFile* main = road_.get()->files[kFileMain];
  ASSERT_EQ(AppendRecord(main, record.data()), 1);
  PlaceNewRecord(main, nullptr, -1);
  fx_.messageResult = IDYES;
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_TRUE(fx_.messages.empty());
  EXPECT_EQ(road_.MainAttr(L"A"), Attr(1, 60));
}

TEST_F(EntryCommandsTest, TableADeadWriterLeftHalfChangedIsNotWritten) {
  // Its change is marked and its journal cannot be read now: a move made
  // meanwhile would be undone with that change.
  MappedFile* main = road_.get()->files[kFileMain];
  *reinterpret_cast<volatile uint32_t*>(main->view + kDmgChangingOffset) = 0x5A5A5A5A;
  const std::wstring journal = road_.dir().File(L"main.dmg") + kTableJournalSuffix;
  HANDLE held = CreateFileW(journal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  Run(L"B", kEntryMoveUp);
  Run(L"D", kEntryMoveFirst);
  Run(L"C", kEntryTogglePinned);
  Run(L"A", kEntryDelete);
  CloseHandle(held);
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));
  EXPECT_EQ(road_.MainAttr(L"C"), Attr(1, 40));
  EXPECT_EQ(road_.MainAttr(L"A"), Attr(1, 60));

  // Nor the temporary words.
  std::vector<uint8_t> temp(kTempTableBytes);
  WriteEmptyTempTable(temp.data(), static_cast<uint32_t>(temp.size()));
  temp[kDmgChangingOffset] = 0x5A;
  road_.SetTable(kFileTemp, temp, L"temp.dmg");
  MappedFile* table = road_.get()->files[kFileTemp];
  held = CreateFileW((road_.dir().File(L"temp.dmg") + kTableJournalSuffix).c_str(), GENERIC_WRITE, 0, nullptr,
                     CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, AddTempRecord(table, zn::test::RecordBytes({"a", L"T", 0}).data(), nullptr));
  RemoveTempRecord(table, 0);
  CloseHandle(held);
  EXPECT_EQ(temp, std::vector<uint8_t>(table->view, table->view + table->size));
}

}  // namespace

namespace {

// A change the user confirmed that finds the lock held by another process
// past the wait is told as not done; once the lock is free it is done.
TEST_F(EntryCommandsTest, ABusyLockIsToldAndChangesNothing) {
  // A real data folder: its tables lock with the word in its lock page.
  ASSERT_TRUE(zn::test::WriteFileBytes(road_.dir().File(L"config.dsc"), road_.configBytes()));
  road_.SetTable(kFileMain, zn::test::ReadFileBytes(road_.dir().File(L"main.dmg")), L"main.dmg");
  ASSERT_NE(road_.get()->files[kFileMain]->lockPage, nullptr);
  road_.Search(L"a");
  CommitSelection(road_.get(), CommitCandidate(road_.get(), 3));  // B
  ASSERT_EQ(road_.get()->lastCommittedKind, kKindMain);
  const std::wstring busy = std::wstring(L"操作提示|") + kDataBusyMessageText;
  zn::test::ChildProcess holder(zn::test::BesideThisProgram(L"engine_data_writer.exe"),
                                L"hold " + zn::test::Quoted(road_.dir().path()),
                                road_.dir().File(L"holder.txt"));
  ASSERT_EQ(holder.FirstLine(10000), "held");
  fx_.messageResult = IDYES;
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  ASSERT_EQ(fx_.messages.size(), 2u);
  EXPECT_EQ(fx_.messages[0], L"操作提示|编码: a\r\n词条: B\r\n\r\n是否删除这个词条?");
  EXPECT_EQ(fx_.messages[1], busy);
  EXPECT_EQ(fx_.messageStyles[1], static_cast<uint32_t>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50)) << "still there";
  // The candidate menu's delete and move alike.
  fx_.messages.clear();
  road_.Search(L"a");
  Run(L"C", kEntryDelete);
  Run(L"D", kEntryMoveUp);
  EXPECT_EQ(fx_.messages, (std::vector<std::wstring>{busy, busy}));
  EXPECT_EQ(road_.MainAttr(L"C"), Attr(1, 40));
  EXPECT_EQ(Orders(), (std::vector<uint32_t>{60, 50, 40, 30}));

  holder.CloseInput();
  ASSERT_TRUE(holder.Finish(10000));
  fx_.messages.clear();
  ConfirmDeleteEntry(road_.get(), nullptr, fx_);
  EXPECT_EQ(road_.MainAttr(L"B"), Attr(1, 50) | kDeleted);
  Run(L"C", kEntryDelete);
  EXPECT_EQ(road_.MainAttr(L"C"), Attr(1, 40) | kDeleted);
  ASSERT_EQ(fx_.messages.size(), 1u) << "only the question";
}

}  // namespace
