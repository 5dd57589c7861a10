#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "codetable/DefinitionText.h"
#include "engine/DmgTable.h"

namespace {

struct Parsed {
  int ok;
  std::wstring word, code;
  uint32_t attr;
};

Parsed Parse(std::wstring line, DefinitionState* state = nullptr) {
  DefinitionState local{};
  if (!state) {
    local.category = 1;
    ResetOrderCounters(&local, kDefaultOrderCounter);
    state = &local;
  }
  line.push_back(L'\0');
  DmgSourceRecord rec{};
  int ok = ParseDefinitionLine(line.data(), &rec, state);
  if (!ok) return {0, L"", L"", 0};
  return {ok, rec.word, rec.code, rec.attr};
}

std::vector<std::wstring> SplitCompiler(std::wstring text) {
  // Exact-length buffer plus the terminator the compiler's texts carry.
  std::vector<wchar_t> buf(text.begin(), text.end());
  buf.push_back(L'\0');
  std::vector<std::wstring> lines;
  uint32_t pos = 0, units = 0;
  wchar_t* line = nullptr;
  while (NextCompilerLine(buf.data(), static_cast<uint32_t>(text.size()), &pos, &line, &units)) {
    lines.emplace_back(line, units);
  }
  EXPECT_EQ(pos, text.size());
  return lines;
}

}  // namespace

TEST(DefinitionTextTest, TagsAndCodeUnits) {
  Parsed p = Parse(L"词\tabc#固#序100");
  ASSERT_EQ(1, p.ok);
  EXPECT_EQ(L"abc", p.code);
  EXPECT_EQ(100u, EntryAttr::Order(p.attr));
  EXPECT_TRUE(p.attr & EntryAttr::kPinned);
  EXPECT_EQ(1u, EntryAttr::Category(p.attr));

  EXPECT_EQ(L"ab#x", Parse(L"词\tab#x").code);
  EXPECT_EQ(L"\xFF11\xFF0A", Parse(L"词\t\xFF11\xFF0A").code);
  // A full-width comma, a unit that would become a 0 byte, a non-code letter.
  for (const wchar_t* bad : {L"词\ta\xFF0C" L"b", L"词\ta\x0001", L"词\ta\x00E9", L"词\tab#已删除", L"no tab", L"词\t"}) {
    EXPECT_EQ(0, Parse(bad).ok) << bad;
  }
  for (auto [line, category] : {std::pair{L"词\ta#类0", 16u}, {L"词\ta#类-3", 16u}, {L"词\ta#类99", 31u}, {L"词\ta#用#次", 3u}}) {
    EXPECT_EQ(category, EntryAttr::Category(Parse(line).attr)) << line;
    EXPECT_EQ(L"a", Parse(line).code) << line;
  }
  // An empty code stays an entry; the compiler drops it when writing.
  Parsed onlyTags = Parse(L"词\t#固");
  EXPECT_EQ(1, onlyTags.ok);
  EXPECT_EQ(L"", onlyTags.code);
}

TEST(DefinitionTextTest, OrderValuesStayInTheirSixteenBits) {
  Parsed big = Parse(L"词\ta#序70000");
  EXPECT_EQ(70000u % 65536u, EntryAttr::Order(big.attr));
  EXPECT_EQ(1u, EntryAttr::Category(big.attr));
  EXPECT_FALSE(big.attr & (EntryAttr::kPinned | EntryAttr::kDeleted));

  Parsed sum = Parse(L"词\ta#序65535#序2");
  EXPECT_EQ(1u, EntryAttr::Order(sum.attr));
  EXPECT_EQ(1u, EntryAttr::Category(sum.attr));

  for (const wchar_t* header : {L"---config@全局排序数值=-5", L"---config@全局排序数值=70000",
                                L"---config@初始化排序数值=70000"}) {
    DefinitionState st{};
    ResetOrderCounters(&st, kDefaultOrderCounter);
    std::wstring h = header;
    ParseConfigHeader(&st, h.c_str(), static_cast<uint32_t>(h.size()));
    Parsed p = Parse(L"词\ta#用", &st);
    EXPECT_EQ(2u, EntryAttr::Category(p.attr)) << header;
    EXPECT_FALSE(p.attr & (EntryAttr::kPinned | EntryAttr::kDeleted)) << header;
    EXPECT_NE(0u, EntryAttr::Order(p.attr)) << header;
  }
}

TEST(DefinitionTextTest, CountersStepDownPerFirstKeyToTheFloor) {
  DefinitionState st{};
  st.category = 1;
  ResetOrderCounters(&st, kDefaultOrderCounter);
  std::vector<uint32_t> orders;
  for (int i = 0; i < 15400; ++i) orders.push_back(EntryAttr::Order(Parse(L"词\ta", &st).attr));
  EXPECT_EQ(16383u, orders[0]);
  EXPECT_EQ(16382u, orders[1]);
  EXPECT_EQ(1025u, orders[15358]);
  EXPECT_EQ(1024u, orders[15359]);
  EXPECT_EQ(1024u, orders.back());
  // Another first key has its own counter; a #序 entry still steps it.
  EXPECT_EQ(7u, EntryAttr::Order(Parse(L"词\tb#序7", &st).attr));
  EXPECT_EQ(16382u, EntryAttr::Order(Parse(L"词\tb", &st).attr));

  DefinitionState global{};
  ResetOrderCounters(&global, kDefaultOrderCounter);
  std::wstring h = L"---config@全局排序数值=7\r\n---config@码表分类=主码-次显码表";
  ParseConfigHeader(&global, h.c_str(), static_cast<uint32_t>(h.size()));
  EXPECT_EQ(7u, EntryAttr::Order(Parse(L"词\ta", &global).attr));
  EXPECT_EQ(3u, EntryAttr::Category(Parse(L"词\ta", &global).attr));

  DefinitionState start{};
  ResetOrderCounters(&start, kDefaultOrderCounter);
  h = L"x\ty\r\n---config@初始化排序数值=500";
  ParseConfigHeader(&start, h.c_str(), static_cast<uint32_t>(h.size()));
  EXPECT_EQ(500u, EntryAttr::Order(Parse(L"词\ta", &start).attr));
  EXPECT_EQ(500u, EntryAttr::Order(Parse(L"词\ta", &start).attr));
}

TEST(DefinitionTextTest, HeaderKeysCompilerAndImport) {
  struct Case {
    const wchar_t* text;
    int compilerCategory;
    uint32_t importCategory;
  } cases[] = {
      {L"", 1, 0},
      {L"---config@码表分类=辅码码表", 4, 4},
      {L"a\tb\r\n---config@码表分类=主码-用户码表", 2, 2},
      {L"---config@码表分类=主码-0", 16, 16},
      {L"---config@码表分类=主码-255", 16, 31},  // the compiler reads N as a signed byte
      {L"---config@码表分类=主码-3", 18, 18},
  };
  for (const Case& c : cases) {
    DefinitionState st{};
    std::wstring t = c.text;
    ParseConfigHeader(&st, t.c_str(), static_cast<uint32_t>(t.size()));
    EXPECT_EQ(c.compilerCategory, st.category) << c.text;
    ImportHeader ih{};
    ParseImportHeader(&ih, t.c_str(), static_cast<uint32_t>(t.size()));
    EXPECT_EQ(c.importCategory, ih.category) << c.text;
  }
}

TEST(DefinitionTextTest, EscapesInOnePass) {
  std::wstring w = L"C:\\\\run\\r\\t\\s\\x\\";
  w.push_back(L'\0');
  uint32_t n = UnescapeWord(w.data());
  EXPECT_EQ(std::wstring(L"C:\\run\r\n\t \\x\\"), std::wstring(w.c_str(), n));

  Parsed slashes = Parse(L"C:\\\\run\tx");
  EXPECT_EQ(L"C:\\run", slashes.word);
}

TEST(DefinitionTextTest, CompilerLineSplitting) {
  EXPECT_EQ((std::vector<std::wstring>{L"a\tx", L"b\ty"}), SplitCompiler(L"a\tx\rb\ty"));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b"}), SplitCompiler(L"a\r\r\nb"));
  EXPECT_EQ((std::vector<std::wstring>{L"a"}), SplitCompiler(L"a\r"));
  EXPECT_EQ((std::vector<std::wstring>{L"a\nb"}), SplitCompiler(L"a\nb"));
  EXPECT_TRUE(SplitCompiler(L"").empty());

  // Three slashes are an entry starting "//".
  for (auto [text, kind, rest] : {std::tuple{L"///abc", LineKind::kEntry, L"//abc"}, {L"//abc", LineKind::kComment, L""},
                                  {L"---config@x=1", LineKind::kHeader, L""}}) {
    std::wstring buf = text;
    wchar_t* line = buf.data();
    uint32_t units = static_cast<uint32_t>(buf.size());
    EXPECT_EQ(kind, ClassifyCompilerLine(&line, &units)) << text;
    if (kind == LineKind::kEntry) EXPECT_EQ(rest, std::wstring(line, units));
  }
}
