// The composition, candidate and private blocks: their layouts on a real
// input context, and the writers' limits (areas, clauses, surrogate pairs).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontend/imm/ContextBlocks.h"
#include "frontend/imm/ImcLock.h"

namespace {

std::wstring Area(const COMPOSITIONSTRING* cs, DWORD offset, DWORD units) {
  auto* text = reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(cs) + offset);
  return std::wstring(text, units);
}

DWORD Word(const COMPOSITIONSTRING* cs, DWORD offset) {
  DWORD v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(cs) + offset, 4);
  return v;
}

class CompositionWriter : public ::testing::Test {
 protected:
  COMPOSITIONSTRING* cs() { return reinterpret_cast<COMPOSITIONSTRING*>(block_.data()); }
  std::vector<uint8_t> block_ = std::vector<uint8_t>(kCompPrivateOffset + 64, 0xCC);
};

TEST_F(CompositionWriter, ReadingAndTextWithAttributesClausesAndCursor) {
  LPARAM flags = WriteCompositionString(cs(), L"wqvb", 4, L"你好", 2, 7);
  EXPECT_EQ(flags, 0x1BF);
  EXPECT_EQ(cs()->dwCompReadStrLen, 4u);
  EXPECT_EQ(Area(cs(), kCompReadStrOffset, 5), std::wstring(L"wqvb", 5));
  // Reading attributes cover the reading, not the display text.
  EXPECT_EQ(cs()->dwCompReadAttrLen, 4u);
  EXPECT_EQ(block_[kCompReadAttrOffset + 3], ATTR_TARGET_CONVERTED);
  EXPECT_EQ(cs()->dwCompReadClauseLen, 8u);
  EXPECT_EQ(Word(cs(), kCompReadClauseOffset + 4), 4u);
  EXPECT_EQ(cs()->dwCompStrLen, 2u);
  EXPECT_EQ(cs()->dwCompAttrLen, 2u);
  EXPECT_EQ(Word(cs(), kCompClauseOffset), 0u);
  EXPECT_EQ(Word(cs(), kCompClauseOffset + 4), 2u);
  EXPECT_EQ(cs()->dwCursorPos, 2u) << "the cursor stays inside the text";
  EXPECT_EQ(cs()->dwDeltaStart, 1u);
}

TEST_F(CompositionWriter, EmptyTextAnnouncesNoClauses) {
  LPARAM flags = WriteCompositionString(cs(), L"", 0, nullptr, 0, 3);
  EXPECT_EQ(flags & (GCS_COMPCLAUSE | GCS_COMPREADCLAUSE), 0);
  EXPECT_EQ(flags, 0x1BF & ~(GCS_COMPCLAUSE | GCS_COMPREADCLAUSE));
  EXPECT_EQ(cs()->dwCompClauseLen, 0u);
  EXPECT_EQ(cs()->dwCursorPos, 0u);
  EXPECT_EQ(cs()->dwDeltaStart, 0u);
}

TEST_F(CompositionWriter, LongTextsStopAtTheAreaAndNeverSplitAPair) {
  std::wstring text(127, L'a');
  text += L"\xD840\xDC00";  // a pair across the 128-unit edge
  WriteCompositionString(cs(), text.c_str(), 129, text.c_str(), 129, 129);
  EXPECT_EQ(cs()->dwCompStrLen, 127u);
  EXPECT_EQ(cs()->dwCompReadStrLen, 127u);
  EXPECT_EQ(Area(cs(), kCompStrOffset + 2 * 127, 1), std::wstring(1, L'\0'));
  // The next area is untouched.
  EXPECT_EQ(block_[kResultReadClauseOffset], 0xCC);
}

TEST_F(CompositionWriter, ResultAppendsUpToTheAreaAndClearingKeepsItWhenAsked) {
  ClearCompositionString(cs());
  EXPECT_EQ(WriteResultString(cs(), L"你好", 2, false), 2);
  EXPECT_EQ(WriteResultString(cs(), L"，", 1, true), 3);
  EXPECT_EQ(std::wstring(ResultString(cs())), L"你好，");
  EXPECT_EQ(cs()->dwResultClauseLen, 8u);
  EXPECT_EQ(ResultFlags(cs()) & GCS_RESULTCLAUSE, GCS_RESULTCLAUSE);

  std::wstring many(200, L'x');
  EXPECT_EQ(WriteResultString(cs(), many.c_str(), 200, true), 128);
  EXPECT_EQ(ResultString(cs())[128], L'\0');

  WriteCompositionString(cs(), L"ab", 2, L"ab", 2, 2);
  ClearCompositionString(cs(), true);
  EXPECT_EQ(cs()->dwCompStrLen, 0u);
  EXPECT_EQ(cs()->dwCompReadStrLen, 0u);
  EXPECT_EQ(cs()->dwResultStrLen, 128u);
  ClearCompositionString(cs());
  EXPECT_EQ(cs()->dwResultStrLen, 0u);
  EXPECT_EQ(ResultString(cs())[0], L'\0');
  EXPECT_EQ(ResultFlags(cs()) & (GCS_RESULTCLAUSE | GCS_COMPCLAUSE), 0);
}

TEST(CandidateListWriter, TenStringsOf127UnitsAndAClampedSelection) {
  std::vector<uint8_t> block(kCandidateListBytes, 0xCC);
  auto* list = reinterpret_cast<CANDIDATELIST*>(block.data());
  std::wstring longest(126, L'y');
  longest += L"\xD83D\xDE00";  // the pair would end at unit 128: it is left out
  std::vector<const wchar_t*> texts;
  std::vector<int> units;
  for (int i = 0; i < 12; ++i) {
    texts.push_back(i == 3 ? longest.c_str() : L"词");
    units.push_back(i == 3 ? 128 : 1);
  }
  WriteCandidateList(list, texts.data(), units.data(), 12, 40);
  EXPECT_EQ(list->dwCount, 10u);
  EXPECT_EQ(list->dwSelection, 9u);
  EXPECT_EQ(std::wstring(CandidateString(list, 0)), L"词");
  EXPECT_EQ(std::wstring(CandidateString(list, 3)), std::wstring(126, L'y'));
  EXPECT_EQ(std::wstring(CandidateString(list, 9)), L"词");

  WriteCandidateList(list, nullptr, nullptr, 0, 3);
  EXPECT_EQ(list->dwCount, 0u);
  EXPECT_EQ(list->dwSelection, 0u);
  EXPECT_EQ(CandidateString(list, 0)[0], L'\0');
}

// The sizers on an input context of the system.
class BlockSizing : public ::testing::Test {
 protected:
  void SetUp() override {
    himc_ = ImmCreateContext();
    ASSERT_NE(himc_, nullptr);
  }
  void TearDown() override { ImmDestroyContext(himc_); }
  HIMC himc_ = nullptr;
};

TEST_F(BlockSizing, LayoutsAreTheFixedOnes) {
  LockedImc imc(himc_);
  ASSERT_TRUE(imc);
  ASSERT_EQ(SizeCompositionString(imc.get()), 1);
  ASSERT_EQ(SizeCandidateInfo(imc.get()), 1);
  ASSERT_EQ(SizePrivateData(imc.get()), 1);
  EXPECT_EQ(ImmGetIMCCSize(imc->hCompStr), kCompositionBytes);
  EXPECT_EQ(ImmGetIMCCSize(imc->hCandInfo), kCandidateInfoBytes);
  EXPECT_EQ(ImmGetIMCCSize(imc->hPrivate), kPrivateBlockBytes);
  {
    LockedImcc block(imc->hCompStr, kCompositionBytes);
    ASSERT_TRUE(block);
    auto* cs = reinterpret_cast<COMPOSITIONSTRING*>(block.data());
    EXPECT_EQ(cs->dwSize, kCompositionBytes);
    EXPECT_EQ(cs->dwCompReadAttrOffset, 100u);
    EXPECT_EQ(cs->dwCompReadClauseOffset, 229u);
    EXPECT_EQ(cs->dwCompStrOffset, 1132u);
    EXPECT_EQ(cs->dwResultStrOffset, 2164u);
    EXPECT_EQ(cs->dwPrivateOffset, 2422u);
    EXPECT_EQ(cs->dwPrivateSize, 0u);
    EXPECT_EQ(cs->dwCompStrLen + cs->dwResultStrLen + cs->dwCursorPos, 0u);
  }
  LockedImcc block(imc->hCandInfo, kCandidateInfoBytes);
  ASSERT_TRUE(block);
  auto* info = reinterpret_cast<CANDIDATEINFO*>(block.data());
  EXPECT_EQ(info->dwSize, kCandidateInfoBytes);
  EXPECT_EQ(info->dwCount, 1u);
  EXPECT_EQ(info->dwOffset[2], 144u);
  EXPECT_EQ(info->dwOffset[3], 0u);
  EXPECT_EQ(info->dwPrivateOffset, 2776u);
  auto* list = reinterpret_cast<CANDIDATELIST*>(block.data() + kCandidateListOffset);
  EXPECT_EQ(list->dwSize, 2632u);
  EXPECT_EQ(list->dwStyle, static_cast<DWORD>(IME_CAND_READ));
  EXPECT_EQ(list->dwPageSize, 9u);
  EXPECT_EQ(list->dwOffset[0], 72u);
  EXPECT_EQ(list->dwOffset[9], 72u + 256 * 9);
}

TEST_F(BlockSizing, TheSystemReadsWhatTheWritersWrote) {
  {
    LockedImc imc(himc_);
    ASSERT_TRUE(imc);
    ASSERT_EQ(SizeCompositionString(imc.get()) & SizeCandidateInfo(imc.get()) &
                  SizePrivateData(imc.get()),
              1);
  }
  {
    ImcLock lock(himc_);
    ASSERT_TRUE(lock.blocks());
    WriteCompositionString(lock.composition(), L"khlg", 4, L"中国", 2, 2);
    WriteResultString(lock.composition(), L"你好", 2, false);
    const wchar_t* texts[] = {L"中国", L"中国人"};
    const int units[] = {2, 3};
    WriteCandidateList(lock.candidateList(), texts, units, 2, 1);
  }
  wchar_t text[64] = {};
  EXPECT_EQ(ImmGetCompositionStringW(himc_, GCS_COMPSTR, text, sizeof(text)), 4);
  EXPECT_EQ(std::wstring(text, 2), L"中国");
  EXPECT_EQ(ImmGetCompositionStringW(himc_, GCS_COMPREADSTR, text, sizeof(text)), 8);
  EXPECT_EQ(std::wstring(text, 4), L"khlg");
  EXPECT_EQ(ImmGetCompositionStringW(himc_, GCS_RESULTSTR, text, sizeof(text)), 4);
  EXPECT_EQ(std::wstring(text, 2), L"你好");
  EXPECT_EQ(ImmGetCompositionStringW(himc_, GCS_CURSORPOS, nullptr, 0), 2);

  DWORD bytes = ImmGetCandidateListW(himc_, 0, nullptr, 0);
  ASSERT_GT(bytes, sizeof(CANDIDATELIST));
  std::vector<uint8_t> buffer(bytes);
  auto* list = reinterpret_cast<CANDIDATELIST*>(buffer.data());
  ASSERT_EQ(ImmGetCandidateListW(himc_, 0, list, bytes), bytes);
  EXPECT_EQ(list->dwCount, 2u);
  EXPECT_EQ(list->dwSelection, 1u);
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(buffer.data() + list->dwOffset[1])),
            L"中国人");
}

TEST_F(BlockSizing, ResizingKeepsAWorkingHandleAndALockedBlockIsNotOverrun) {
  LockedImc imc(himc_);
  ASSERT_TRUE(imc);
  ASSERT_EQ(SizeCompositionString(imc.get()), 1);
  // A second selection resizes the block in place or moves it; either way
  // the handle in the context is the live one.
  ASSERT_EQ(SizeCompositionString(imc.get()), 1);
  EXPECT_EQ(ImmGetIMCCSize(imc->hCompStr), kCompositionBytes);
  // A block too small for the layout is refused rather than written past.
  HIMCC small = ImmCreateIMCC(100);
  LockedImcc tooSmall(small, kCompositionBytes);
  EXPECT_FALSE(tooSmall);
  ImmDestroyIMCC(small);
}

TEST_F(BlockSizing, AContextWithoutSizedBlocksDoesNotLock) {
  ImcLock lock(himc_);
  EXPECT_FALSE(lock.blocks()) << "the system's own blocks are smaller than ours";
  EXPECT_FALSE(lock.ok());
  ImcLock none(nullptr);
  EXPECT_FALSE(none.ok());
}

}  // namespace
