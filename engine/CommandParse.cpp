// The text side of the command language: macro words split into command and
// label, escapes, placeholders and the command argument. Everything works in
// fixed buffers: pages are filled on the key-stroke path.
#include <cstdint>

#include "engine/ChineseNumbers.h"
#include "engine/CommandLanguage.h"
#include "engine/ImeContext.h"
#include "engine/OutputConversion.h"
#include "engine/WideString.h"

namespace {

constexpr int kMacroMaxUnits = kMacroTextUnits - 1;
constexpr int kPrefixUnits = 7;  // "$zncmd("

// Appends n units of src to out (length *len, capacity cap with the NUL);
// false when they do not all fit (nothing of them is written then).
bool AppendUnits(wchar_t* out, int* len, int cap, const wchar_t* src, int n) {
  if (n < 0 || *len + n > cap - 1) return false;
  for (int i = 0; i < n; ++i) out[*len + i] = src[i];
  *len += n;
  out[*len] = 0;
  return true;
}

bool AppendText(wchar_t* out, int* len, int cap, const wchar_t* src) {
  return AppendUnits(out, len, cap, src, static_cast<int>(BoundedLength(src, 0x7FFF)));
}

// Copies units [from, to) of text through the escape rule and the
// placeholders into out (kMacroTextUnits).
int ExpandPart(ImeContext* context, const wchar_t* text, int from, int to, wchar_t* out,
               Effects& effects) {
  wchar_t raw[kMacroTextUnits];
  int n = 0;
  for (int i = from; i < to && n < kMacroMaxUnits; ++i) raw[n++] = text[i];
  raw[n] = 0;
  wchar_t unescaped[kMacroTextUnits];
  UnescapeCandidateText(raw, unescaped, kMacroTextUnits);
  return ExpandPlaceholders(context, unescaped, out, effects);
}

void FormatNumber(wchar_t* out, int value, bool padTwo) {
  FormatString(out, 8, padTwo ? L"%02d" : L"%d", value);
}

// "H", "M", "S", "h", "m", "s" of the time placeholder.
int ExpandTime(const LocalTimeParts& now, const wchar_t* format, wchar_t* out) {
  const wchar_t c = format[0];
  const bool doubled = c && format[1] == c;
  int value = -1;
  bool chinese = false;
  switch (c) {
    case L'H': chinese = true; [[fallthrough]];
    case L'h': value = now.hour; break;
    case L'M': chinese = true; [[fallthrough]];
    case L'm': value = now.minute; break;
    case L'S': chinese = true; [[fallthrough]];
    case L's': value = now.second; break;
    default: break;
  }
  wchar_t digits[8];
  if (value < 0) {
    CopyStringBounded(out, kMacroTextUnits, L"#");
    return 1;
  }
  FormatNumber(digits, value, doubled);
  if (chinese) return ToChineseNumerals(digits, NumeralForm::kCounting, out);
  CopyStringBounded(out, kMacroTextUnits, digits);
  return static_cast<int>(BoundedLength(out, kMacroMaxUnits));
}

int ExpandDate(const LocalTimeParts& now, const wchar_t* format, wchar_t* out) {
  static constexpr const wchar_t* kWeekdayLong[7] = {L"星期日", L"星期一", L"星期二", L"星期三",
                                                      L"星期四", L"星期五", L"星期六"};
  static constexpr const wchar_t* kWeekdayShort[7] = {L"周日", L"周一", L"周二", L"周三",
                                                       L"周四", L"周五", L"周六"};
  const wchar_t c = format[0];
  const bool doubled = c && format[1] == c;
  const bool four = doubled && format[2] == c && format[3] == c;
  wchar_t digits[8];
  switch (c) {
    case L'Y':
      FormatNumber(digits, four ? now.year : now.year % 100, false);
      return ToChineseNumerals(digits, NumeralForm::kDigits, out);
    case L'y':
      FormatNumber(digits, four ? now.year : now.year % 100, !four);
      break;
    case L'M':
    case L'D':
      FormatNumber(digits, c == L'M' ? now.month : now.day, doubled);
      return ToChineseNumerals(digits, NumeralForm::kCounting, out);
    case L'm':
    case L'd':
      FormatNumber(digits, c == L'm' ? now.month : now.day, doubled);
      break;
    case L'z':
    case L'Z':
      CopyStringBounded(out, kMacroTextUnits, (c == L'z' ? kWeekdayLong : kWeekdayShort)[now.dayOfWeek % 7]);
      return static_cast<int>(BoundedLength(out, kMacroMaxUnits));
    default:
      CopyStringBounded(out, kMacroTextUnits, L"#");
      return 1;
  }
  CopyStringBounded(out, kMacroTextUnits, digits);
  return static_cast<int>(BoundedLength(out, kMacroMaxUnits));
}

bool NameIs(const wchar_t* name, const wchar_t* wanted) {
  for (;; ++name, ++wanted) {
    if (*name != *wanted) return false;
    if (!*name) return true;
  }
}

}  // namespace

bool IsMacroWord(const wchar_t* word) {
  if (!word) return false;
  for (int i = 0; i < kPrefixUnits; ++i) {
    if (word[i] != kMacroPrefix[i]) return false;
  }
  return true;
}

int SplitCandidateMacro(ImeContext* context, const wchar_t* word, wchar_t* command,
                        wchar_t* shown, Effects& effects) {
  if (!IsMacroWord(word)) return 0;
  const int len = static_cast<int>(BoundedLength(word, 0x7FFF));
  if (len <= 10 || word[len - 1] != L')') return 0;
  const int innerEnd = len - 1;  // the final ")"
  int commandStart = kPrefixUnits;
  int commandEnd = innerEnd;
  int searchFrom = kPrefixUnits;
  if (word[kPrefixUnits] == L'"') {
    // A quoted command may hold commas of its own: the label comma is looked
    // for only behind the closing quote.
    commandStart = kPrefixUnits + 1;
    int closing = -1;
    for (int i = innerEnd - 1; i >= commandStart; --i) {
      if (word[i] == L'"') {
        closing = i;
        break;
      }
    }
    if (closing >= 0) searchFrom = closing + 1;
    else searchFrom = commandStart;
  }
  int comma = -1;
  for (int i = innerEnd - 1; i >= searchFrom; --i) {
    if (word[i] == L',') {
      comma = i;
      break;
    }
  }
  int labelStart;
  int labelEnd = innerEnd;
  if (comma >= 0) {
    commandEnd = comma;
    labelStart = comma + 1;
  } else {
    labelStart = -1;
  }
  if (word[kPrefixUnits] == L'"' && commandEnd > commandStart && word[commandEnd - 1] == L'"') {
    --commandEnd;
  }
  if (labelStart < 0) {
    labelStart = commandStart;
    labelEnd = commandEnd;
  }
  if (command) ExpandPart(context, word, commandStart, commandEnd, command, effects);
  if (!shown) return 1;
  return ExpandPart(context, word, labelStart, labelEnd, shown, effects);
}

int UnescapeCandidateText(const wchar_t* text, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return 0;
  int n = 0;
  out[0] = 0;
  for (int i = 0; text && text[i];) {
    wchar_t pair[2];
    int count = 1;
    pair[0] = text[i];
    int used = 1;
    if (text[i] == L'\\') {
      const wchar_t next = text[i + 1];
      used = next ? 2 : 1;
      switch (next) {
        case L'\\': pair[0] = L'\\'; break;
        case L's': pair[0] = L' '; break;
        case L't': pair[0] = L'\t'; break;
        case L'r': pair[0] = L'\r'; pair[1] = L'\n'; count = 2; break;
        case 0: break;
        default: pair[1] = next; count = 2; break;
      }
    }
    if (!AppendUnits(out, &n, capacity, pair, count)) break;
    i += used;
  }
  return n;
}

int ParseCommandPlaceholder(const wchar_t* text, wchar_t* name, wchar_t* format) {
  name[0] = 0;
  format[0] = 0;
  if (!text || text[0] != L'<') return 0;
  int i = 1;
  int n = 0;
  while (text[i] && text[i] != L'.' && text[i] != L'>') {
    if (n >= kPlaceholderPartUnits - 1) return 0;
    name[n++] = text[i++];
  }
  name[n] = 0;
  if (!text[i]) return 0;
  if (text[i] == L'.') {
    ++i;
    int f = 0;
    while (text[i] && text[i] != L'>') {
      if (f < kPlaceholderPartUnits - 1) format[f++] = text[i];
      ++i;
    }
    format[f] = 0;
    if (!text[i]) return 0;
  }
  return i + 1;
}

int ExpandPlaceholder(ImeContext* context, const wchar_t* name, const wchar_t* format,
                      wchar_t* out, Effects& effects) {
  out[0] = 0;
  if (NameIs(name, L"time") || NameIs(name, L"date") || NameIs(name, L"data")) {
    LocalTimeParts now{};
    effects.ReadLocalTime(&now);
    return name[1] == L'i' ? ExpandTime(now, format, out) : ExpandDate(now, format, out);
  }
  if (NameIs(name, L"last")) {
    const wchar_t* text = nullptr;
    if (context && format[0] == L'1') text = context->lastOutput;
    if (context && format[0] == L'2') text = context->lastReading;
    int n = 0;
    if (text) AppendUnits(out, &n, kMacroTextUnits, text, static_cast<int>(BoundedLength(text, kMacroMaxUnits)));
    if (n == 0) {
      CopyStringBounded(out, kMacroTextUnits, L" ");
      n = 1;
    }
    return n;
  }
  if (NameIs(name, L"u16value")) {
    int n = 0;
    for (int i = 0; format[i]; ++i) {
      wchar_t item[16];
      FormatString(item, 16, L"0x%d,", static_cast<int>(static_cast<uint16_t>(format[i])));
      if (!AppendText(out, &n, kMacroTextUnits - 1, item)) break;  // at most 127 units
    }
    return n;
  }
  if (NameIs(name, L"clipboard")) {
    GetClipboardText(effects, out);
    return static_cast<int>(BoundedLength(out, kMacroMaxUnits));
  }
  return 0;
}

int ExpandPlaceholders(ImeContext* context, const wchar_t* text, wchar_t* out,
                       Effects& effects) {
  int n = 0;
  out[0] = 0;
  for (int i = 0; text && text[i];) {
    if (text[i] == L'<') {
      wchar_t name[kPlaceholderPartUnits];
      wchar_t format[kPlaceholderPartUnits];
      const int used = ParseCommandPlaceholder(text + i, name, format);
      if (used > 0) {
        wchar_t value[kMacroTextUnits];
        const int valueLen = ExpandPlaceholder(context, name, format, value, effects);
        if (valueLen > 0) {
          // A value that does not fit is cut: the result is at most 128 units.
          const int room = kMacroMaxUnits - n;
          AppendUnits(out, &n, kMacroTextUnits, value, valueLen < room ? valueLen : room);
          i += used;
          continue;
        }
      }
    }
    if (!AppendUnits(out, &n, kMacroTextUnits, text + i, 1)) break;
    ++i;
  }
  return n;
}

int ToChineseNumerals(const wchar_t* digits, NumeralForm form, wchar_t* out) {
  static constexpr wchar_t kCountDigits[] = L"零一二三四五六七八九";
  constexpr wchar_t kTen = L'十';
  int d[4];
  int count = 0;
  const int maxDigits = form == NumeralForm::kDigits ? 4 : 2;
  for (int i = 0; digits && digits[i] && count < maxDigits; ++i) {
    if (digits[i] >= L'0' && digits[i] <= L'9') d[count++] = digits[i] - L'0';
  }
  int n = 0;
  if (form == NumeralForm::kDigits) {
    wchar_t kept[5];
    for (int i = 0; i < count; ++i) kept[i] = static_cast<wchar_t>(L'0' + d[i]);
    kept[count] = 0;
    return DigitCharsToChinese(kept, out, 5);
  }
  for (int i = 0; i < count; ++i) {
    const bool last = i == count - 1;
    if (d[i] == 0 || last) {
      out[n++] = kCountDigits[d[i]];
      continue;
    }
    if (d[i] != 1) out[n++] = kCountDigits[d[i]];
    out[n++] = kTen;
    if (d[i + 1] == 0) ++i;  // 10 is 十, 20 is 二十
  }
  out[n] = 0;
  return n;
}

int ResolveCommandArgument(ImeContext* context, const wchar_t* command, wchar_t* out) {
  out[0] = 0;
  if (!command) return 0;
  const int len = static_cast<int>(BoundedLength(command, 0x7FFF));
  int open = -1;
  for (int i = 0; i < len; ++i) {
    if (command[i] == L'(') {
      open = i;
      break;
    }
  }
  if (open < 0) return 0;
  int start = open + 1;
  // The last ")" behind the "(": one standing before it is not the end.
  int end = len;
  for (int i = len - 1; i >= start; --i) {
    if (command[i] == L')') {
      end = i;
      break;
    }
  }
  if (start < end && command[start] == L'"') ++start;
  if (start < end && command[end - 1] == L'"') --end;
  int n = 0;
  static constexpr wchar_t kAppPath[] = L"%apppath%";
  constexpr int kAppPathUnits = 9;
  if (end - start >= kAppPathUnits && CompareWideChars(command + start, kAppPath, kAppPathUnits) == 0) {
    start += kAppPathUnits;
    if (context) {
      const wchar_t* folder = context->installFolder;
      const int folderLen = static_cast<int>(BoundedLength(folder, kPathUnits - 1));
      AppendUnits(out, &n, kCommandArgumentUnits, folder, folderLen);
      if (folderLen > 0 && folder[folderLen - 1] == L'\\' && start < end && command[start] == L'\\') {
        ++start;
      }
    }
  }
  const int room = kCommandArgumentUnits - 1 - n;
  const int take = end - start < room ? end - start : room;
  AppendUnits(out, &n, kCommandArgumentUnits, command + start, take);
  return n;
}
