// skin.ini parsing: sections, key tables, value forms, encodings, and the
// limits that keep hostile values harmless.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/ui/SkinTestSupport.h"
#include "ui/skin/SkinIni.h"

using zn::test::Utf16Ini;

namespace {

struct Parsed {
  SkinValues v{};
  int result = -1;
  explicit Parsed(const std::wstring& text) { Parse(Utf16Ini(text)); }
  explicit Parsed(const std::vector<uint8_t>& bytes) { Parse(bytes); }
  void Parse(const std::vector<uint8_t>& bytes) {
    result = ParseSkinIni(&v, static_cast<uint32_t>(bytes.size()), bytes.data());
  }
  const CandidateLayout& Merged() const { return v.layouts[kLayoutMerged]; }
};

std::vector<uint8_t> Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, s.data(), n, nullptr, nullptr);
  return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

TEST(ParseSkinIni, ReadsEverySectionIntoItsRecord) {
  Parsed p(std::wstring(L"名称=ignored before any section\r\n") +
           L"[-皮肤信息-]\r\n名称=清新\r\n描述=说明\r\n版本=1.0\r\n所有者名称=某人\r\n"
           L"所有者联系方式=mail@example.com\r\n"
           L"[-文字显示-]\r\n编码字体颜色=#255\r\n编码字体名称=宋体\r\n编码字体大小=0\r\n"
           L"编码字体粗细=50\r\n候选字体大小=-17\r\n候选字体粗细=700\r\n从右向左的文字=257\r\n"
           L"提示编码颜色=#7\r\n编码最多显示个数=20\r\n光标颜色=#-1\r\n"
           L"[-状态栏窗口-]\r\n状态栏默认位置=3\r\n菜单按钮位置=40,5\r\ncn_2=英文\r\n"
           L"[-候选窗口-合并-]\r\n编码起始位置=12,7\r\n右边据=9\r\n下边据=6\r\n序号后缀=.x\r\n"
           L"[-候选窗口-嵌入-竖排-]\r\n右边距=33\r\n最小宽度=170\r\n"
           L"[-编码窗口-]\r\n右边距=99\r\n");
  EXPECT_EQ(p.result, kSkinIniParsed);
  EXPECT_STREQ(p.v.info.name, L"清新");
  EXPECT_STREQ(p.v.info.ownerContact, L"mail@example.com");
  const SkinTextStyle& t = p.v.text;
  EXPECT_EQ(t.codeFont.colour, 255u);
  EXPECT_STREQ(t.codeFont.face, L"宋体");
  EXPECT_EQ(t.codeFont.sizePixels, 12);  // 0 becomes 12
  EXPECT_EQ(t.codeFont.weight, 100);     // below 100 becomes 100
  EXPECT_EQ(t.candidateFont.sizePixels, -17);
  EXPECT_EQ(t.candidateFont.weight, 700);
  EXPECT_EQ(t.rightToLeft, 1);  // cut to the low byte
  EXPECT_EQ(t.hintColour, 7u);  // either key sets the hint colour
  EXPECT_EQ(t.maxCodeShown, 20);
  EXPECT_EQ(t.cursorColour, 0xFFFFFFFFu);  // negative keeps its bit pattern
  EXPECT_EQ(p.v.statusBar.defaultPosition, 3);
  EXPECT_EQ(p.v.statusBar.menu.x, 40);
  EXPECT_EQ(p.v.statusBar.menu.y, 5);
  EXPECT_STREQ(p.v.statusBar.labels[1], L"英文");
  EXPECT_EQ(p.Merged().codeOrigin.x, 12);
  EXPECT_EQ(p.Merged().rightMargin, 9);  // alias spellings
  EXPECT_EQ(p.Merged().bottomMargin, 6);
  EXPECT_EQ(p.Merged().indexSuffix, L'.');
  // Keys of an unknown section do not leak into the previous one.
  EXPECT_EQ(p.v.layouts[kLayoutEmbeddedVertical].rightMargin, 33);
  EXPECT_EQ(p.v.layouts[kLayoutEmbeddedVertical].minWidth, 170);
  EXPECT_EQ(p.v.loadedPath[0], 0);
}

TEST(ParseSkinIni, ValueFormsFollowTheirRules) {
  Parsed p(std::wstring(L"[-皮肤信息-]\n名称=x\n[-文字显示-]\n") +
           L"序号字体颜色=123\n"              // no "#": stored as 0
           L"第一候选颜色=#  42abc\n"         // atoi reading after "#"
           L"编码最多显示个数=99999999999\n"  // saturates
           L"候选最多显示个数=-99999999999\n"
           L"用户词候选颜色 =#5\n"  // blank before "=": not the key
           L"[-候选窗口-合并-]\n候选起始位置=77\n前翻页按钮位置= -3 , 4\n"
           L"横向拉伸区域=1,x\n"
           L"[not a section]=1\n");
  EXPECT_EQ(p.result, kSkinIniParsed);
  EXPECT_EQ(p.v.text.indexColour, 0u);
  EXPECT_EQ(p.v.text.firstColour, 42u);
  EXPECT_EQ(p.v.text.maxCodeShown, INT32_MAX);
  EXPECT_EQ(p.v.text.maxCandidateShown, INT32_MIN);
  EXPECT_EQ(p.v.text.userWordColour, 0u);
  EXPECT_EQ(p.Merged().candidateOrigin.x, 0);  // no comma: left as it was
  EXPECT_EQ(p.Merged().previousPage.x, -3);
  EXPECT_EQ(p.Merged().previousPage.y, 4);
  EXPECT_EQ(p.Merged().stretchColumns.y, 0);

  SkinValues before{};
  before.layouts[kLayoutMerged].candidateOrigin = {5, 6};
  std::vector<uint8_t> ini = Utf16Ini(L"[-候选窗口-合并-]\r\n候选起始位置=77\r\n");
  EXPECT_EQ(ParseSkinIni(&before, static_cast<uint32_t>(ini.size()), ini.data()), kSkinIniNoName);
  EXPECT_EQ(before.layouts[kLayoutMerged].candidateOrigin.x, 5);
  EXPECT_EQ(before.layouts[kLayoutMerged].candidateOrigin.y, 6);
}

TEST(ParseSkinIni, LongLinesAreReadInPiecesOf127) {
  // 300 characters: 127 of filler, then a 127-character 版本 line, then 描述.
  std::wstring line = std::wstring(127, L'a') + L"版本=" + std::wstring(124, L'1') + L"描述=" +
                      std::wstring(43, L'h');
  ASSERT_EQ(line.size(), 300u);
  Parsed p(L"[-皮肤信息-]\r\n名称=n\r\n" + line + L"\r\n");
  EXPECT_EQ(p.v.info.version, std::wstring(39, L'1'));  // cut to its buffer
  EXPECT_EQ(p.v.info.description, std::wstring(39, L'h'));
  EXPECT_EQ(p.v.info.name, std::wstring(L"n"));
}

TEST(ParseSkinIni, EncodingsAndNames) {
  std::wstring text = L"[-皮肤信息-]\r\n名称=夜色\r\n";
  Parsed utf8(Utf8(text));
  EXPECT_EQ(utf8.result, kSkinIniParsed);
  EXPECT_STREQ(utf8.v.info.name, L"夜色");

  std::vector<uint8_t> bom = {0xEF, 0xBB, 0xBF};
  std::vector<uint8_t> body = Utf8(text);
  bom.insert(bom.end(), body.begin(), body.end());
  EXPECT_STREQ(Parsed(bom).v.info.name, L"夜色");

  EXPECT_EQ(Parsed(L"[-皮肤信息-]\r\n名称=\r\n描述=x\r\n").result, kSkinIniNoName);
  EXPECT_EQ(Parsed(std::vector<uint8_t>{}).result, kSkinIniUndecodable);
  EXPECT_EQ(Parsed(std::vector<uint8_t>{0xFF, 0xFE}).result, kSkinIniUndecodable);
  // A 名称 of more than 39 characters keeps 39.
  Parsed longName(L"[-皮肤信息-]\r\n名称=" + std::wstring(60, L'名') + L"\r\n");
  EXPECT_EQ(std::wstring(longName.v.info.name), std::wstring(39, L'名'));
}

TEST(ClampSkinValues, KeepsLayoutsInsideTheirPicturesAndSaneSizes) {
  Parsed p(std::wstring(L"[-皮肤信息-]\n名称=x\n[-文字显示-]\n编码最多显示个数=-5\n") +
           L"[-候选窗口-合并-]\n横向拉伸区域=20,-4\n纵向拉伸区域=-100,2000000000\n"
           L"最小宽度=2000000000\n最小高度=-9\n右边距=2147483647\n后翻页按钮位置=-1,-1\n"
           L"[-候选窗口-嵌入-]\n横向拉伸区域=3,8\n");
  std::vector<uint8_t> pixels(30 * 16 * 4);
  SkinImage candHB{30, 16, pixels.data()};
  SkinImageSet images{};
  images.images[kPictureCandHB] = &candHB;
  ClampSkinValues(&p.v, &images);
  const CandidateLayout& m = p.Merged();
  EXPECT_EQ(m.stretchColumns.x, 20);
  EXPECT_EQ(m.stretchColumns.y, 20);  // last never before first
  EXPECT_EQ(m.stretchRows.x, 0);
  EXPECT_EQ(m.stretchRows.y, 15);
  EXPECT_EQ(m.minWidth, kMaxSkinWindowSide);
  EXPECT_EQ(m.minHeight, 0);
  EXPECT_EQ(m.rightMargin, kMaxSkinWindowSide);
  EXPECT_EQ(m.nextPage.x, -1);  // "not placed" survives
  EXPECT_EQ(p.v.text.maxCodeShown, 0);
  // Without its picture a layout's ranges collapse to the first pixel.
  EXPECT_EQ(p.v.layouts[kLayoutEmbedded].stretchColumns.x, 0);
  EXPECT_EQ(p.v.layouts[kLayoutEmbedded].stretchColumns.y, 0);
}
