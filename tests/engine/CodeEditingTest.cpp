// Editing the typed code with the cursor keys, at every cursor position,
// each edit followed by a new search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EntryCommands.h"
#include "tests/engine/RoadTestContext.h"

namespace {

using zn::test::Attr;

class CodeEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    road_.SetMain({{"ab", L"甲", Attr(1, 10)}, {"bc", L"乙", Attr(1, 10)},
                   {"ac", L"丙", Attr(1, 10)}, {"abc", L"丁", Attr(1, 10)}});
  }
  // Types "abc", puts the cursor at cursor and presses key.
  int Press(uint32_t key, int cursor) {
    road_.Search(L"abc");
    road_.get()->cursor = cursor;
    road_.get()->candidateCount = 0;  // so the list shows that it searched again
    return EditCodeByKey(road_.get(), key);
  }
  std::wstring Code() { return road_.get()->code; }

  zn::test::RoadContext road_;
};

TEST_F(CodeEditingTest, EveryKeyAtEveryCursorPosition) {
  struct Expect {
    const wchar_t* code;
    int cursor;
  };
  const struct {
    uint32_t key;
    Expect at[4];
  } table[] = {
      {VK_BACK, {{L"abc", 0}, {L"bc", 0}, {L"ac", 1}, {L"ab", 2}}},
      {VK_DELETE, {{L"bc", 0}, {L"ac", 1}, {L"ab", 2}, {L"abc", 3}}},
      {VK_LEFT, {{L"abc", 0}, {L"abc", 0}, {L"abc", 1}, {L"abc", 2}}},
      {VK_RIGHT, {{L"abc", 1}, {L"abc", 2}, {L"abc", 3}, {L"abc", 3}}},
      {VK_HOME, {{L"abc", 0}, {L"abc", 0}, {L"abc", 0}, {L"abc", 0}}},
      {VK_END, {{L"abc", 3}, {L"abc", 3}, {L"abc", 3}, {L"abc", 3}}},
  };
  const std::wstring wordOf[] = {L"甲", L"乙", L"丙", L"丁"};
  const std::wstring codeOf[] = {L"ab", L"bc", L"ac", L"abc"};
  for (const auto& row : table) {
    for (int cursor = 0; cursor <= 3; ++cursor) {
      SCOPED_TRACE(testing::Message() << "key " << row.key << " cursor " << cursor);
      EXPECT_EQ(Press(row.key, cursor), kSearchListed);
      EXPECT_EQ(Code(), row.at[cursor].code);
      EXPECT_EQ(road_.get()->codeLength, static_cast<int>(Code().size()));
      EXPECT_EQ(road_.get()->cursor, row.at[cursor].cursor);
      // The list is that of the new code, also where the code did not change.
      for (int w = 0; w < 4; ++w) {
        if (Code() == codeOf[w]) EXPECT_EQ(road_.List(), std::vector<std::wstring>{wordOf[w]});
      }
    }
  }
}

TEST_F(CodeEditingTest, DamagedCursorAndOtherKeys) {
  road_.Search(L"abc");
  road_.get()->cursor = 99;
  MoveCursorRight(road_.get());
  EXPECT_EQ(road_.get()->cursor, 3);
  road_.get()->cursor = -5;
  DeleteCharBeforeCursor(road_.get());
  EXPECT_EQ(Code(), L"abc");
  EXPECT_EQ(road_.get()->cursor, 0);
  road_.get()->candidateCount = 0;
  EXPECT_EQ(EditCodeByKey(road_.get(), VK_UP), 0);
  EXPECT_EQ(road_.get()->candidateCount, 0);  // no search for a key that edits nothing
  // Deleting the last character leaves an empty code and an empty list.
  road_.Search(L"a");
  DeleteCharBeforeCursor(road_.get());
  EXPECT_EQ(Code(), L"");
  EXPECT_EQ(road_.get()->candidateCount, 0);
}

}  // namespace
