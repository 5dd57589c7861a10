// skin.ini parsing: section headers, key tables and value forms.
#include "ui/skin/SkinIni.h"

#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "engine/TextDecoder.h"

namespace {

// Lines longer than this are read as several lines.
constexpr uint32_t kMaxLineUnits = 127;

enum class Section { kNone, kInfo, kText, kStatus, kLayout };

enum class Form { kText, kInt, kColour, kPoint, kFace, kFontSize, kFontWeight, kByte, kChar };

struct KeyField {
  const wchar_t* key;
  Form form;
  size_t offset;   // within the section's record
  uint32_t units;  // capacity of a text field
};

#define INFO(key, member, units) \
  { key, Form::kText, offsetof(SkinInfo, member), units }
constexpr KeyField kInfoKeys[] = {
    INFO(L"名称", name, 40),
    INFO(L"描述", description, 40),
    INFO(L"版本", version, 40),
    INFO(L"所有者名称", ownerName, 40),
    INFO(L"所有者联系方式", ownerContact, 128),
};
#undef INFO

constexpr size_t kCode = offsetof(SkinTextStyle, codeFont);
constexpr size_t kCand = offsetof(SkinTextStyle, candidateFont);
#define TEXT(key, form, member) \
  { key, form, offsetof(SkinTextStyle, member), 0 }
constexpr KeyField kTextKeys[] = {
    {L"编码字体颜色", Form::kColour, kCode + offsetof(FontSpec, colour), 0},
    {L"编码字体名称", Form::kFace, kCode + offsetof(FontSpec, face), 40},
    {L"编码字体大小", Form::kFontSize, kCode + offsetof(FontSpec, sizePixels), 0},
    {L"编码字体粗细", Form::kFontWeight, kCode + offsetof(FontSpec, weight), 0},
    {L"候选字体颜色", Form::kColour, kCand + offsetof(FontSpec, colour), 0},
    {L"候选字体名称", Form::kFace, kCand + offsetof(FontSpec, face), 40},
    {L"候选字体大小", Form::kFontSize, kCand + offsetof(FontSpec, sizePixels), 0},
    {L"候选字体粗细", Form::kFontWeight, kCand + offsetof(FontSpec, weight), 0},
    TEXT(L"从右向左的文字", Form::kByte, rightToLeft),
    TEXT(L"序号字体颜色", Form::kColour, indexColour),
    TEXT(L"提示字体颜色", Form::kColour, hintColour),
    TEXT(L"提示编码颜色", Form::kColour, hintColour),
    TEXT(L"临时词候选颜色", Form::kColour, tempWordColour),
    TEXT(L"用户词候选颜色", Form::kColour, userWordColour),
    TEXT(L"第一候选颜色", Form::kColour, firstColour),
    TEXT(L"第一候选背景色", Form::kColour, firstBackground),
    TEXT(L"鼠标处候选背景色", Form::kColour, hoverBackground),
    TEXT(L"鼠标处候选颜色", Form::kColour, hoverColour),
    TEXT(L"编码最多显示个数", Form::kInt, maxCodeShown),
    TEXT(L"候选最多显示个数", Form::kInt, maxCandidateShown),
    TEXT(L"光标颜色", Form::kColour, cursorColour),
};
#undef TEXT

#define BAR(key, form, member) \
  { key, form, offsetof(StatusBarLayout, member), 0 }
constexpr KeyField kStatusKeys[] = {
    BAR(L"状态栏默认位置", Form::kInt, defaultPosition),
    BAR(L"中英文状态按钮位置", Form::kPoint, chineseEnglish),
    BAR(L"中英文标点按钮位置", Form::kPoint, punctuation),
    BAR(L"全角半角按钮位置", Form::kPoint, width),
    BAR(L"软键盘按钮位置", Form::kPoint, softKeyboard),
    BAR(L"菜单按钮位置", Form::kPoint, menu),
    BAR(L"输入法标志位置", Form::kPoint, logo),
    BAR(L"扩展按钮1位置", Form::kPoint, extension1),
    BAR(L"扩展按钮2位置", Form::kPoint, extension2),
    {L"cn_1", Form::kText, offsetof(StatusBarLayout, labels[0]), 10},
    {L"cn_2", Form::kText, offsetof(StatusBarLayout, labels[1]), 10},
    {L"cn_3", Form::kText, offsetof(StatusBarLayout, labels[2]), 10},
};
#undef BAR

#define LAY(key, form, member) \
  { key, form, offsetof(CandidateLayout, member), 0 }
constexpr KeyField kLayoutKeys[] = {
    LAY(L"后翻页按钮位置", Form::kPoint, nextPage),
    LAY(L"前翻页按钮位置", Form::kPoint, previousPage),
    LAY(L"中英文标点按钮位置", Form::kPoint, punctuation),
    LAY(L"全角半角按钮位置", Form::kPoint, width),
    LAY(L"扩展按钮1位置", Form::kPoint, extension1),
    LAY(L"扩展按钮2位置", Form::kPoint, extension2),
    LAY(L"编码起始位置", Form::kPoint, codeOrigin),
    LAY(L"候选起始位置", Form::kPoint, candidateOrigin),
    LAY(L"序号-字词间距", Form::kInt, indexWordGap),
    LAY(L"字词-提示间距", Form::kInt, wordHintGap),
    LAY(L"候选间距", Form::kInt, candidateGap),
    LAY(L"行间距", Form::kInt, lineGap),
    LAY(L"横向拉伸区域", Form::kPoint, stretchColumns),
    LAY(L"纵向拉伸区域", Form::kPoint, stretchRows),
    LAY(L"右边距", Form::kInt, rightMargin),
    LAY(L"右边据", Form::kInt, rightMargin),
    LAY(L"下边距", Form::kInt, bottomMargin),
    LAY(L"下边据", Form::kInt, bottomMargin),
    LAY(L"最小宽度", Form::kInt, minWidth),
    LAY(L"最小高度", Form::kInt, minHeight),
    LAY(L"右侧候选横向偏移量", Form::kInt, rightOffsetX),
    LAY(L"右侧候选纵向偏移量", Form::kInt, rightOffsetY),
    LAY(L"下方候选横向偏移量", Form::kInt, lowerOffsetX),
    LAY(L"下方候选纵向偏移量", Form::kInt, lowerOffsetY),
    LAY(L"序号后缀", Form::kChar, indexSuffix),
};
#undef LAY

constexpr const wchar_t* kLayoutHeaders[4] = {
    L"[-候选窗口-合并-]",
    L"[-候选窗口-合并-竖排-]",
    L"[-候选窗口-嵌入-]",
    L"[-候选窗口-嵌入-竖排-]",
};

struct Span {
  const wchar_t* text;
  uint32_t units;
};

bool Equals(Span s, const wchar_t* literal) {
  uint32_t n = static_cast<uint32_t>(std::wcslen(literal));
  return s.units == n && std::wmemcmp(s.text, literal, n) == 0;
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// atoi's reading (leading blanks, a sign, digits, stop at anything else), but
// saturating at the 32-bit limits instead of overflowing.
int32_t ReadInt(Span s) {
  uint32_t i = 0;
  while (i < s.units && IsBlank(s.text[i])) ++i;
  bool negative = false;
  if (i < s.units && (s.text[i] == L'+' || s.text[i] == L'-')) negative = s.text[i++] == L'-';
  int64_t v = 0;
  for (; i < s.units && s.text[i] >= L'0' && s.text[i] <= L'9'; ++i) {
    if (v <= INT32_MAX) v = v * 10 + (s.text[i] - L'0');
  }
  if (negative) v = -v;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void Store32(uint8_t* field, int32_t v) {
  std::memcpy(field, &v, sizeof(v));
}

void CopyText(uint8_t* field, uint32_t units, Span value) {
  wchar_t* out = reinterpret_cast<wchar_t*>(field);
  uint32_t n = 0;
  while (n < value.units && n + 1 < units && value.text[n]) {
    out[n] = value.text[n];
    ++n;
  }
  out[n] = 0;
}

void Apply(const KeyField& f, uint8_t* record, Span value) {
  uint8_t* field = record + f.offset;
  switch (f.form) {
    case Form::kText:
    case Form::kFace:
      CopyText(field, f.units, value);
      break;
    case Form::kInt:
      Store32(field, ReadInt(value));
      break;
    case Form::kColour:
      Store32(field, value.units > 0 && value.text[0] == L'#'
                         ? ReadInt({value.text + 1, value.units - 1})
                         : 0);
      break;
    case Form::kPoint: {
      const wchar_t* comma =
          static_cast<const wchar_t*>(std::wmemchr(value.text, L',', value.units));
      if (!comma) break;
      uint32_t first = static_cast<uint32_t>(comma - value.text);
      Store32(field, ReadInt({value.text, first}));
      Store32(field + 4, ReadInt({comma + 1, value.units - first - 1}));
      break;
    }
    case Form::kFontSize: {
      int32_t v = ReadInt(value);
      Store32(field, v == 0 ? 12 : v);
      break;
    }
    case Form::kFontWeight: {
      int32_t v = ReadInt(value);
      Store32(field, v < 100 ? 100 : (v > 1000 ? 1000 : v));
      break;
    }
    case Form::kByte:
      *field = static_cast<uint8_t>(ReadInt(value) & 0xFF);
      break;
    case Form::kChar: {
      wchar_t c = value.units > 0 ? value.text[0] : 0;
      std::memcpy(field, &c, sizeof(c));
      break;
    }
  }
}

template <size_t N>
void ApplyKey(const KeyField (&table)[N], uint8_t* record, Span key, Span value) {
  for (const KeyField& f : table) {
    if (Equals(key, f.key)) {
      Apply(f, record, value);
      return;
    }
  }
}

// The next line at *pos: up to kMaxLineUnits units, ending at CR, LF or NUL,
// after which the whole run of line ends is skipped.
bool NextLine(const wchar_t* text, uint32_t units, uint32_t* pos, Span* line) {
  if (*pos >= units) return false;
  uint32_t start = *pos;
  uint32_t i = start;
  auto isEnd = [](wchar_t c) { return c == L'\r' || c == L'\n' || c == 0; };
  while (i < units && i - start < kMaxLineUnits && !isEnd(text[i])) ++i;
  *line = {text + start, i - start};
  while (i < units && isEnd(text[i])) ++i;
  *pos = i;
  return true;
}

}  // namespace

int ParseSkinIni(SkinValues* values, uint32_t length, const uint8_t* bytes) {
  DecodedText decoded;
  if (!decoded.Decode(bytes, length) || decoded.LenUnits() == 0) return kSkinIniUndecodable;
  const wchar_t* text = decoded.Text();
  uint32_t units = decoded.LenUnits();

  Section section = Section::kNone;
  uint8_t* record = nullptr;
  uint32_t pos = 0;
  Span line;
  while (NextLine(text, units, &pos, &line)) {
    if (line.units >= 2 && line.text[0] == L'[' && line.text[1] == L'-') {
      section = Section::kNone;
      if (Equals(line, L"[-皮肤信息-]")) {
        section = Section::kInfo;
        record = reinterpret_cast<uint8_t*>(&values->info);
      } else if (Equals(line, L"[-文字显示-]")) {
        section = Section::kText;
        record = reinterpret_cast<uint8_t*>(&values->text);
      } else if (Equals(line, L"[-状态栏窗口-]")) {
        section = Section::kStatus;
        record = reinterpret_cast<uint8_t*>(&values->statusBar);
      } else {
        for (int i = 0; i < 4; ++i) {
          if (Equals(line, kLayoutHeaders[i])) {
            section = Section::kLayout;
            record = reinterpret_cast<uint8_t*>(&values->layouts[i]);
          }
        }
      }
      continue;
    }
    if (section == Section::kNone || (line.units > 0 && line.text[0] == L';')) continue;
    const wchar_t* eq = static_cast<const wchar_t*>(std::wmemchr(line.text, L'=', line.units));
    if (!eq) continue;
    uint32_t keyUnits = static_cast<uint32_t>(eq - line.text);
    Span key{line.text, keyUnits};
    Span value{eq + 1, line.units - keyUnits - 1};
    switch (section) {
      case Section::kInfo:
        ApplyKey(kInfoKeys, record, key, value);
        break;
      case Section::kText:
        ApplyKey(kTextKeys, record, key, value);
        break;
      case Section::kStatus:
        ApplyKey(kStatusKeys, record, key, value);
        break;
      case Section::kLayout:
        ApplyKey(kLayoutKeys, record, key, value);
        break;
      case Section::kNone:
        break;
    }
  }
  return values->info.name[0] == 0 ? kSkinIniNoName : kSkinIniParsed;
}

namespace {

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

void ClampSigned(int32_t* v) {
  *v = Clamp(*v, -kMaxSkinWindowSide, kMaxSkinWindowSide);
}

void ClampPoint(SkinPoint* p) {
  ClampSigned(&p->x);
  ClampSigned(&p->y);
}

// A stretch range of picture side `side`: both ends inside it, first <= last.
void ClampRange(SkinPoint* range, int32_t side) {
  int32_t last = side > 0 ? side - 1 : 0;
  range->x = Clamp(range->x, 0, last);
  range->y = Clamp(range->y, 0, last);
  if (range->y < range->x) range->y = range->x;
}

}  // namespace

void ClampSkinValues(SkinValues* values, const SkinImageSet* images) {
  SkinTextStyle& t = values->text;
  t.maxCodeShown = Clamp(t.maxCodeShown, 0, kMaxSkinWindowSide);
  t.maxCandidateShown = Clamp(t.maxCandidateShown, 0, kMaxSkinWindowSide);

  StatusBarLayout& bar = values->statusBar;
  for (SkinPoint* p : {&bar.chineseEnglish, &bar.punctuation, &bar.width, &bar.softKeyboard,
                       &bar.menu, &bar.logo, &bar.extension1, &bar.extension2}) {
    ClampPoint(p);
  }

  for (int i = 0; i < 4; ++i) {
    CandidateLayout& l = values->layouts[i];
    for (SkinPoint* p : {&l.nextPage, &l.previousPage, &l.punctuation, &l.width, &l.extension1,
                         &l.extension2, &l.codeOrigin, &l.candidateOrigin}) {
      ClampPoint(p);
    }
    for (int32_t* v :
         {&l.indexWordGap, &l.wordHintGap, &l.candidateGap, &l.lineGap, &l.rightMargin,
          &l.bottomMargin, &l.rightOffsetX, &l.rightOffsetY, &l.lowerOffsetX, &l.lowerOffsetY}) {
      ClampSigned(v);
    }
    l.minWidth = Clamp(l.minWidth, 0, kMaxSkinWindowSide);
    l.minHeight = Clamp(l.minHeight, 0, kMaxSkinWindowSide);
    const SkinImage* picture = images ? images->images[kPictureCandHB + i] : nullptr;
    ClampRange(&l.stretchColumns, picture ? picture->width : 0);
    ClampRange(&l.stretchRows, picture ? picture->height : 0);
  }
}
