// The [-DME设置-] section: one line applied to the dme block, and the body
// written from it.
#include "engine/SettingsCodec.h"

#include "engine/KeyTables.h"

namespace {

struct FlagKey {
  const wchar_t* key;
  uint32_t bit;
  uint32_t accepts;
};

constexpr FlagKey kFlagKeys[] = {
    {L"是否启用编码逐渐提示", kDmeOptPrefixHints, kAcceptToggle},
    {L"是否在候选为空时启用编码逐渐提示", kDmeOptHintsWithoutMatch, kAcceptToggle | kAcceptShi},
    {L"开启首键查询", kDmeOptWildcardFirstKey, kAcceptToggle | kAcceptShi},
    {L"开启查询键重复输入", kDmeOptWildcardRepeat, kAcceptToggle},
    {L"查询输入只查单字", kDmeOptWildcardSingleChars, kAcceptToggle | kAcceptShi},
    {L"自动上屏忽略输入是否全码", kDmeOptAutoCommitIgnoresComplete, kAcceptToggle | kAcceptShi},
};

// Numbers kept in one byte of word 136 or 140.
struct ByteKey {
  const wchar_t* key;
  bool word136;
  int shift;
};

constexpr ByteKey kByteKeys[] = {
    {L"候选唯一自动上屏码长", false, 24},
    {L"空码自动清除码长", false, 8},
    {L"智能动态上屏码长", false, 16},
    {L"显示码表词语码长", true, 24},
};

struct CharSetKey {
  const wchar_t* key;
  uint8_t bit;
};

constexpr CharSetKey kCharSetKeys[] = {
    {L"上屏引导键", kKeyCharCommitLead},
    {L"编码截止键", kKeyCharTerminator},
    {L"数字后英文标点", kKeyCharEnglishPunctAfterDigit},
};

// Decimal with an optional minus sign, digits up to the first other character.
int32_t ParseDecimal(const wchar_t* text) {
  bool negative = *text == L'-';
  if (negative) ++text;
  uint32_t n = 0;
  for (; *text >= L'0' && *text <= L'9'; ++text) n = n * 10 + static_cast<uint32_t>(*text - L'0');
  return static_cast<int32_t>(negative ? 0u - n : n);
}

uint8_t WildcardByte(wchar_t c) {
  if (c < 0x80) return static_cast<uint8_t>(c);
  if (c >= 0xFF0A && c <= 0xFF19) return static_cast<uint8_t>(c & 0xFF);
  return 0;
}

void AppendLine(std::wstring& out, const wchar_t* text, int breaks = 1) {
  out += text;
  for (int i = 0; i < breaks; ++i) out += L"\r\n";
}

void AppendFlagLine(std::wstring& out, const wchar_t* key, uint32_t word, uint32_t bit, int breaks) {
  out += key;
  out += L'=';
  AppendLine(out, YesNo(word, bit), breaks);
}

void AppendCharLine(std::wstring& out, const wchar_t* comment, const wchar_t* key, uint8_t byte) {
  AppendLine(out, comment);
  out += key;
  out += L'=';
  std::wstring value;
  AppendCodeByte(value, byte);
  AppendSettingValue(out, value);
  out += L"\r\n\r\n";
}

void AppendCharSetLine(std::wstring& out, const wchar_t* comment, const wchar_t* key,
                       const uint8_t* set, uint8_t bit) {
  AppendLine(out, comment);
  out += key;
  out += L'=';
  std::wstring value;
  for (int b = 1; b < 128; ++b) {
    if (set[b] & bit) AppendCodeByte(value, static_cast<uint8_t>(b));
  }
  AppendSettingValue(out, value);
  out += L"\r\n\r\n";
}

}  // namespace

void ApplyDmeSettingLine(DmeConfigBlock* dme, const wchar_t* key, const wchar_t* value) {
  if (!dme || !key || !value) return;
  for (const FlagKey& f : kFlagKeys) {
    if (TextEquals(key, f.key)) {
      ApplyFlagValue(&dme->codeOptions, f.bit, value, f.accepts);
      return;
    }
  }
  for (const ByteKey& b : kByteKeys) {
    if (TextEquals(key, b.key)) {
      uint32_t* word = b.word136 ? &dme->codeOptions : &dme->commitLengths;
      uint32_t byte = static_cast<uint32_t>(ParseDecimal(value)) & 0xFF;
      *word = (*word & ~(0xFFu << b.shift)) | (byte << b.shift);
      return;
    }
  }
  for (const CharSetKey& s : kCharSetKeys) {
    if (TextEquals(key, s.key)) {
      MarkKeyCharacterSet(dme->keyCharFlags, value, s.bit);
      return;
    }
  }
  if (TextEquals(key, L"查询输入字符") || TextEquals(key, L"万能键")) {
    dme->wildcardChar = WildcardByte(value[0]);
  } else if (TextEquals(key, L"临时英文引导字符")) {
    dme->tempEnglishLead = value[0] ? CharToKeyCode(value[0]) : 0;
  } else if (TextEquals(key, L"临时辅码引导字符")) {
    dme->auxiliaryLead = value[0] ? CharToKeyCode(value[0]) : 0;
  } else if (TextEquals(key, L"临时次显引导字符")) {
    dme->secondaryLead = value[0] ? CharToKeyCode(value[0]) : 0;
  }
}

void FormatDmeSettings(const DmeConfigBlock* dme, std::wstring& out) {
  const uint32_t w136 = dme->codeOptions;
  const uint32_t w140 = dme->commitLengths;
  AppendFlagLine(out, L"是否启用编码逐渐提示", w136, kDmeOptPrefixHints, 1);
  AppendFlagLine(out, L"是否在候选为空时启用编码逐渐提示", w136, kDmeOptHintsWithoutMatch, 2);

  for (const ByteKey& b : kByteKeys) {
    uint32_t word = b.word136 ? w136 : w140;
    out += b.key;
    out += L'=';
    AppendLine(out, std::to_wstring((word >> b.shift) & 0xFF).c_str(), b.word136 ? 2 : 1);
  }

  AppendLine(out, L"//如果开启，编码唯一自动上屏的判断条件将不判断当前输入是否全码");
  AppendFlagLine(out, L"自动上屏忽略输入是否全码", w136, kDmeOptAutoCommitIgnoresComplete, 2);

  AppendFlagLine(out, L"开启首键查询", w136, kDmeOptWildcardFirstKey, 1);
  AppendFlagLine(out, L"开启查询键重复输入", w136, kDmeOptWildcardRepeat, 1);
  AppendFlagLine(out, L"查询输入只查单字", w136, kDmeOptWildcardSingleChars, 2);

  AppendLine(out,
             L"//以下内容如无需定义，在 = 后留空。如设定需包含小键盘字符的，请使用全角字符指定，"
             L"如：１２３４５６７８９０＋－＊／．");
  AppendCharLine(out, L"//查询字符即万能键", L"查询输入字符", dme->wildcardChar);
  AppendCharLine(out, L"//开启临时英文输入状态，此时可使用快捷日期、人民币大写金额输入",
                 L"临时英文引导字符", dme->tempEnglishLead);
  AppendCharLine(out, L"//如该引导符设为“~”，可使用“~abc”检索辅码中的“abc”开头的编码",
                 L"临时辅码引导字符", dme->auxiliaryLead);
  AppendCharLine(out, L"//如该引导符设为“~”，可使用“~abc”检索次显码表中的“abc”开头的编码",
                 L"临时次显引导字符", dme->secondaryLead);

  AppendCharSetLine(out, L"//上屏引导键，使用键盘英文字符定义，可多设", L"上屏引导键",
                    dme->keyCharFlags, kKeyCharCommitLead);
  AppendCharSetLine(out, L"//编码截止键，使用键盘英文字符定义，可多设", L"编码截止键",
                    dme->keyCharFlags, kKeyCharTerminator);
  AppendCharSetLine(out, L"//数字后英文标点，使用键盘英文字符定义，可多设", L"数字后英文标点",
                    dme->keyCharFlags, kKeyCharEnglishPunctAfterDigit);
}

bool WriteDmeSettings(const DmeConfigBlock* dme, HANDLE file) {
  if (!dme) return false;
  std::wstring body;
  FormatDmeSettings(dme, body);
  return WriteUtf16Text(file, body);
}
