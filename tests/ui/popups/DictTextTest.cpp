// The dictionary window's text: the entry of dict.dms up to its summary
// separator, copied out without touching the shared view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codetable/DmsText.h"
#include "engine/MappedFile.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestFiles.h"
#include "ui/popups/DictText.h"

namespace {

class DictTextTest : public ::testing::Test {
 protected:
  // Writes dict.dms from the entries and maps it.
  void Open(const std::vector<DmsTextEntry>& entries) {
    path_ = dir_.File(L"dict.dms");
    ASSERT_EQ(WriteDmsTable(path_.c_str(), entries), DmsBuildResult::kDone);
    ASSERT_GT(OpenMappedFile(&dict_, path_.c_str()), 0);
  }
  ~DictTextTest() override { CloseMappedFile(dict_, 0); }

  std::wstring Text(const wchar_t* word, bool* found, int capacity = kDictTextUnits) {
    std::vector<wchar_t> out(capacity + 1, L'#');
    const int n = CopyDictEntryText(dict_, word, out.data(), capacity, found);
    EXPECT_EQ(out[n], 0) << "terminated";
    EXPECT_EQ(out[capacity], L'#') << "nothing written past the capacity";
    return std::wstring(out.data(), n);
  }

  zn::test::TempDir dir_;
  std::wstring path_;
  MappedFile* dict_ = nullptr;
};

TEST_F(DictTextTest, ShowsTheSummaryAndLeavesTheMappingAlone) {
  Open({{L"中国", L"zhōng guó\r\n国家名。\r\n \r\n详细解释……"},
        {L"中", L"zhōng"},
        {L"中国人", L"其他"}});
  const std::vector<uint8_t> before(dict_->view, dict_->view + dict_->size);
  bool found = false;
  EXPECT_EQ(Text(L"中国", &found), L"zhōng guó\r\n国家名。");
  EXPECT_TRUE(found);
  EXPECT_EQ(Text(L"中", &found), L"zhōng") << "an entry without a separator is shown whole";
  EXPECT_TRUE(found);
  EXPECT_EQ(std::vector<uint8_t>(dict_->view, dict_->view + dict_->size), before);
  CloseMappedFile(dict_, 1);
  dict_ = nullptr;
  EXPECT_EQ(zn::test::ReadFileBytes(path_), before) << "the file is unchanged";
}

TEST_F(DictTextTest, WithoutAnEntryOrATableTheWordItselfIsShown) {
  bool found = true;
  EXPECT_EQ(Text(L"汉字", &found), L"汉字") << "no table";
  EXPECT_FALSE(found);
  Open({{L"中国", L"zhōng guó"}});
  EXPECT_EQ(Text(L"中", &found), L"中") << "a prefix of a key is no entry";
  EXPECT_FALSE(found);
  EXPECT_EQ(Text(L"中国人", &found), L"中国人");
  EXPECT_FALSE(found);
}

TEST_F(DictTextTest, TheFirstAlternativeInFileOrderWins) {
  Open({{L"行", L"xíng: 走"}, {L"了", L"le"}, {L"行", L"háng: 行列"}});
  bool found = false;
  EXPECT_EQ(Text(L"行", &found), L"xíng: 走");
}

TEST_F(DictTextTest, LongEntriesAreCutWithoutSplittingACharacter) {
  // 𠀀 is a surrogate pair; a cut after its first half would leave a broken
  // character in the window.
  Open({{L"长", L"abc𠀀def"}, {L"短", L"ab"}});
  bool found = false;
  EXPECT_EQ(Text(L"长", &found, 5), L"abc") << "4 units fit, the pair does not";
  EXPECT_EQ(Text(L"长", &found, 6), L"abc𠀀");
  EXPECT_EQ(Text(L"短", &found, 3), L"ab");
  EXPECT_EQ(Text(L"短", &found, 1), L"");
  wchar_t none[1] = {L'#'};
  EXPECT_EQ(CopyDictEntryText(dict_, L"短", none, 0, &found), 0);
  EXPECT_EQ(none[0], L'#');
}

}  // namespace
