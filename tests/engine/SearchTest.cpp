// Typed-character classification and code search against small tables.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/RoadTestContext.h"

namespace zn::test {
namespace {

using Words = std::vector<std::wstring>;

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    road.SetMain({{"a", L"工", Attr(1, 10)},
                  {"aa", L"式", Attr(1, 9)},
                  {"aaaa", L"工工工", Attr(1, 8)},
                  {"ab", L"节", Attr(1, 7)},
                  {"abc", L"蔓", Attr(1, 6)},
                  {"abcd", L"芋头", Attr(1, 5)},
                  {"ac", L"次显", Attr(3, 5)},
                  {"ad", L"辅码", Attr(4, 5)},
                  {"ae", L"已删", Attr(1, 5) | 0x80000000u},
                  {"bcd", L"唯一", Attr(1, 5)},
                  {"xa", L"用", Attr(2, 3)}});
    road.SetTemp({{"ab", L"临时", 7}});
  }
  RoadContext road;
};

TEST_F(Search, ClassifiesCharacterClassesOnAnEmptyCode) {
  EXPECT_EQ(road.Type(L','), kActionNone);  // no key flags
  EXPECT_EQ(road.Type(L'1'), kActionNone);
  EXPECT_EQ(road.Type(L' '), kActionNone);
  // The wildcard as first key needs option 0x8 or 0x20.
  road.dme()->keyCharFlags['z'] = 0;
  EXPECT_EQ(road.Type(L'z'), kActionNone);
  road.dme()->codeOptions = kDmeOptWildcardRepeat;
  EXPECT_EQ(road.Type(L'z'), kActionInsert);
  ResetInput(road.get());
  // Leads are accepted; the secondary and auxiliary leads only while their scheme is off.
  road.dme()->tempEnglishLead = ';';
  road.dme()->secondaryLead = '[';
  road.dme()->auxiliaryLead = ']';
  EXPECT_EQ(road.Type(L';'), kActionInsert);
  ResetInput(road.get());
  EXPECT_EQ(road.Type(L'['), kActionInsert);
  ResetInput(road.get());
  road.ime()->optionFlags |= kImeOptAuxiliaryCode;
  EXPECT_EQ(road.Type(L']'), kActionNone);
  // A commit lead key starts a code only when longer codes begin with it.
  road.dme()->keyCharFlags['b'] = kKeyCharCommitLead;
  EXPECT_EQ(road.Type(L'b'), kActionInsert);
  ResetInput(road.get());
  road.dme()->keyCharFlags['q'] = kKeyCharCommitLead;
  EXPECT_EQ(road.Type(L'q'), kActionNone);
}

TEST_F(Search, ClassifiesContinuationsTerminatorsAndTempEnglish) {
  road.TypeCode(L"ab");
  EXPECT_EQ(road.get()->codeLength, 2);
  // 'q' continues codes but nothing starts with "abq": end the code.
  EXPECT_EQ(road.Type(L'q'), kActionEndCode);
  // A comma has no flags.
  EXPECT_EQ(road.Type(L','), kActionNone);
  // A terminator with no entry beyond it: one candidate on one slot commits it.
  road.dme()->keyCharFlags['/'] = kKeyCharTerminator;
  road.TypeCode(L"bcd");
  ASSERT_EQ(road.get()->candidateCount, 1);
  EXPECT_EQ(road.Type(L'/'), kActionNotTaken);
  road.TypeCode(L"ab");
  EXPECT_EQ(road.Type(L'/'), kActionNone);  // two candidates
  // Temporary English: digits after digits, the lead again commits the text.
  road.dme()->tempEnglishLead = ';';
  road.TypeCode(L";1");
  EXPECT_EQ(road.Type(L'2'), kActionInsert);
  EXPECT_EQ(road.Type(L'x'), kActionEndCode);
  EXPECT_EQ(road.Type(L';'), kActionCommitNow);
  EXPECT_EQ(road.get()->candidateCount, 0);
}

TEST_F(Search, ExactPrefixAndWildcardSearches) {
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"节", L"临时"}));
  // Prefix hints list longer codes after the exact ones, with a hint.
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"节", L"临时", L"蔓", L"芋头"}));
  EXPECT_EQ(std::wstring(road.get()->candidates[2].hint), L"c");
  EXPECT_EQ(std::wstring(road.get()->candidates[3].hint), L"cd");
  // Hints only when nothing matches exactly.
  road.dme()->codeOptions = kDmeOptHintsWithoutMatch;
  road.Search(L"bc");
  EXPECT_EQ(road.List(), (Words{L"唯一"}));
  road.Search(L"ab");
  EXPECT_EQ(road.List().size(), 2u);
  // Wildcard inside the code.
  road.dme()->codeOptions = 0;
  // Longer codes match too, ranked by how much longer they are.
  EXPECT_EQ(road.Search(L"az"), kSearchListed);
  EXPECT_EQ(road.List(), (Words{L"式", L"节", L"临时", L"蔓", L"工工工", L"芋头"}));
  EXPECT_EQ(road.get()->candidates[3].value, 63);
  // First-position wildcard finds nothing unless option 0x8 allows a lone
  // wildcard; a longer key tries every code-starting byte in its place.
  road.Search(L"zcd");
  EXPECT_EQ(road.List(), (Words{L"唯一"}));
  road.Search(L"z");
  EXPECT_TRUE(road.List().empty());
  road.dme()->codeOptions = kDmeOptWildcardFirstKey;
  road.Search(L"z");
  EXPECT_EQ(road.List(), (Words{L"工"}));
  // Single characters only.
  road.dme()->codeOptions = kDmeOptWildcardSingleChars;
  road.Search(L"abzz");
  EXPECT_TRUE(road.List().empty());
}

TEST_F(Search, SchemesDecideWhichEntriesAreListed) {
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.Search(L"a");
  Words mainOnly = road.List();
  EXPECT_EQ(std::count(mainOnly.begin(), mainOnly.end(), L"次显"), 0);
  EXPECT_EQ(std::count(mainOnly.begin(), mainOnly.end(), L"辅码"), 0);
  EXPECT_EQ(std::count(mainOnly.begin(), mainOnly.end(), L"已删"), 0);
  road.ime()->optionFlags = kImeOptMainCode | kImeOptAuxiliaryCode | kImeOptListSecondary;
  road.Search(L"a");
  Words mixed = road.List();
  EXPECT_EQ(std::count(mixed.begin(), mixed.end(), L"次显"), 1);
  EXPECT_EQ(std::count(mixed.begin(), mixed.end(), L"辅码"), 1);
  // Temporary words have no category and pass every scheme.
  road.ime()->optionFlags = kImeOptAuxiliaryCode;
  road.Search(L"a");
  EXPECT_EQ(road.List(), (Words{L"临时", L"辅码"}));
  road.ime()->optionFlags = 0;
  road.Search(L"a");
  EXPECT_EQ(road.List(), (Words{L"临时", L"次显"}));
  // Secondary-display mode lists secondary entries only.
  road.ime()->optionFlags = kImeOptMainCode;
  road.get()->stateFlags |= kStateSecondaryOnly;
  road.Search(L"a");
  EXPECT_EQ(road.List(), (Words{L"临时", L"次显"}));
  road.get()->stateFlags &= ~kStateSecondaryOnly;
  // The secondary lead searches secondary entries for the rest of the code.
  road.dme()->codeOptions = 0;
  road.dme()->secondaryLead = '[';
  road.Search(L"[ac");
  EXPECT_EQ(road.List(), (Words{L"次显"}));
  road.dme()->auxiliaryLead = ']';
  road.Search(L"]ad");
  EXPECT_EQ(road.List(), (Words{L"辅码"}));
  // Empty code in main scheme: secondary entries when asked for.
  road.ime()->optionFlags = kImeOptMainCode | kImeOptSecondaryWhenEmpty;
  road.Search(L"ac");
  EXPECT_EQ(road.List(), (Words{L"次显"}));
}

TEST_F(Search, NumberAndDateCandidatesAfterTheTempEnglishLead) {
  road.dme()->tempEnglishLead = ';';
  road.Search(L";2013.6.26");
  ASSERT_GE(road.get()->slotsFilled, 2);
  EXPECT_EQ(road.Page()[0], L"2013年6月26日");
  EXPECT_EQ(road.Page()[1], L"二〇一三年六月二十六日");
  road.Search(L";12.5");
  EXPECT_EQ(road.Page(), (Words{L"壹拾贰元伍角整", L"一十二点五", L"一二点五"}));
  EXPECT_TRUE(road.dme()->codeOptions & kDmeOptNumberSearch);
}

TEST_F(Search, SearchLeavesTheSharedSettingsUntouched) {
  road.dme()->codeOptions = kDmeOptWildcardFirstKey | kDmeOptHintsWithoutMatch;
  road.ime()->optionFlags = kImeOptMainCode | kImeOptSecondaryWhenEmpty;
  road.dme()->auxiliaryLead = ']';
  road.dme()->secondaryLead = '[';
  const std::vector<uint8_t> before = road.configBytes();
  for (const wchar_t* code : {L"az", L"zcd", L"z", L"]ad", L"[ac", L"qq", L"ac", L"abc"}) {
    road.Search(code);
    EXPECT_EQ(before, road.configBytes()) << static_cast<const void*>(code);
  }
}

TEST_F(Search, UniqueCandidateAndDynamicCommit) {
  road.dme()->commitLengths = 4u << 24;  // unique commit at four keys
  road.Search(L"abcd");
  EXPECT_EQ(road.lastResult(), kSearchCommitUnique);
  // "abc" is unique too but longer codes exist: listed.
  road.dme()->commitLengths = 3u << 24;
  road.Search(L"abc");
  EXPECT_EQ(road.lastResult(), kSearchListed);
  // Dynamic commit: "bcd" then a key that matches nothing offers "唯一" again.
  road.dme()->commitLengths = 3u << 16;
  road.TypeCode(L"bcd");
  EXPECT_EQ(road.Type(L'a'), kActionEndCode);
  road.get()->pendingKeyText = L"a";
  InsertCodeChar(road.get());
  EXPECT_EQ(SearchCandidates(road.get()), kSearchCommitPrevious);
  ASSERT_EQ(road.get()->candidateCount, 1);
  EXPECT_EQ(road.List(), (Words{L"唯一"}));
  // A key that cannot start a code goes out as text.
  road.TypeCode(L"bcd");
  road.get()->pendingKeyText = L"!";
  InsertCodeChar(road.get());
  EXPECT_EQ(SearchCandidates(road.get()), kSearchCommitPreviousText);
  // After the table was replaced the remembered entry is never offered.
  road.TypeCode(L"bcd");
  road.SetMain({{"bcd", L"换", Attr(1, 5)}, {"x", L"x", Attr(1, 1)}});
  road.get()->pendingKeyText = L"q";
  InsertCodeChar(road.get());
  EXPECT_EQ(SearchCandidates(road.get()), kSearchListed);
  EXPECT_EQ(road.get()->candidateCount, 0);
  // Empty-code clearing.
  road.dme()->commitLengths = 2u << 8;
  EXPECT_EQ(road.Search(L"qq"), kSearchClearCode);
}

TEST_F(Search, ProcessInputCharAndKeyTests) {
  ImeContext* c = road.get();
  c->pendingKeyText = L"a";
  EXPECT_EQ(ProcessInputChar(c), kActionInsert);
  c->pendingKeyText = L"1";
  EXPECT_EQ(ProcessInputChar(c), kActionNotTaken);  // no code
  road.Search(L"ab");
  c->pendingKeyText = L"0";
  EXPECT_EQ(ProcessInputChar(c), kActionNotTaken);  // page size 5 has no slot 10
  c->pendingKeyText = L"2";
  EXPECT_EQ(ProcessInputChar(c), kActionEndCode);
  EXPECT_EQ(c->pendingKeyFlags, 0x280u);
  SetImePageSize(road.ime(), 10);
  c->pendingKeyText = L"0";
  EXPECT_EQ(ProcessInputChar(c), kActionEndCode);
  EXPECT_EQ(c->pendingKeyFlags, 0xA80u);
  c->pendingKeyText = L".";
  EXPECT_EQ(ProcessInputChar(c), kActionInsert);
  // IsKeyHandled: code-editing keys with a code, repeat only after a commit.
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x1B, KeyFunction::kClearInput, L"键Esc"}), 1);
  ResetInput(c);
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x1B, KeyFunction::kClearInput, L"键Esc"}), 0);
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x70, KeyFunction::kRepeatInput, L"键F1"}), 0);
  c->commitLength = 1;
  c->commitText[0] = L'x';
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x70, KeyFunction::kRepeatInput, L"键F1"}), 1);
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x41, 0, L"a"}), 1);
  c->stateFlags |= kStateEnglish;
  EXPECT_EQ(IsKeyHandled(c, PendingKey{0x41, 0, L"a"}), 0);  // no engl.dmg
  // The code holds at most 128 units.
  ResetInput(c);
  c->stateFlags = 0;
  c->pendingKeyText = L"a";
  for (int i = 0; i < 200; ++i) InsertCodeChar(c);
  EXPECT_EQ(c->codeLength, 128);
  EXPECT_EQ(c->code[128], 0);
}


TEST_F(Search, NewCodeSeesWordsAnotherProcessAppended) {
  // Another process (config's add-word dialog) grows main.dmg behind our view.
  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile(&other, road.get()->files[kFileMain]->path), 0);
  const uint32_t viewBefore = road.get()->files[kFileMain]->size;
  for (int i = 0; other->size == viewBefore && i < 64; ++i) {
    const std::vector<uint8_t> r = RecordBytes({"q", L"新词" + std::to_wstring(i), Attr(1, 5)});
    ASSERT_EQ(1, AppendRecord(other, r.data()));
    PlaceNewRecord(other, nullptr, -1);
  }
  RebuildKeyIndex(other);
  ASSERT_GT(other->size, viewBefore);
  road.TypeCode(L"q");
  EXPECT_EQ(road.get()->files[kFileMain]->size, other->size);
  ASSERT_FALSE(road.List().empty());
  EXPECT_EQ(road.List()[0].substr(0, 2), L"新词");
  CloseMappedFile(other, 1);
}
}  // namespace
}  // namespace zn::test
