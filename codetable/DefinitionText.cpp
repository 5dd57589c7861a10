// Reading the code-table text definition: header keys, entry lines, tags,
// escapes and the order counters of the compiler.
#include "codetable/DefinitionText.h"

#include "engine/DmgTable.h"

#include <climits>
#include <cstring>
#include <iterator>

namespace {

constexpr wchar_t kKeyAuxiliary[] = L"码表分类=辅码码表";
constexpr wchar_t kKeySystem[] = L"码表分类=主码-系统码表";
constexpr wchar_t kKeyUser[] = L"码表分类=主码-用户码表";
constexpr wchar_t kKeySecondary[] = L"码表分类=主码-次显码表";
constexpr wchar_t kKeyClass[] = L"码表分类=主码-";
constexpr wchar_t kKeyGlobalOrder[] = L"全局排序数值=";
constexpr wchar_t kKeyStartValue[] = L"初始化排序数值=";

constexpr int32_t kCounterFloor = 1024;

template <size_t N>
bool KeyAt(const wchar_t* p, const wchar_t* end, const wchar_t (&key)[N]) {
  constexpr size_t units = N - 1;
  return static_cast<size_t>(end - p) >= units && std::memcmp(p, key, units * sizeof(wchar_t)) == 0;
}

// Leading blanks and a sign allowed; stops at the first non-digit; saturates.
int32_t ReadNumber(const wchar_t* p, const wchar_t* end) {
  while (p < end && (*p == L' ' || *p == L'\t')) ++p;
  bool negative = false;
  if (p < end && (*p == L'-' || *p == L'+')) negative = (*p++ == L'-');
  int64_t value = 0;
  while (p < end && *p >= L'0' && *p <= L'9') {
    if (value < INT64_C(0x100000000)) value = value * 10 + (*p - L'0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t ClampClass(int32_t n) {
  return n < 1 ? 1 : (n > 16 ? 16 : n);
}

// Calls apply(rest, end) for every "---config@" of the text.
template <typename Apply>
void ForEachHeaderKey(const wchar_t* text, uint32_t lenUnits, Apply apply) {
  if (!text) return;
  const wchar_t* end = text + lenUnits;
  for (const wchar_t* p = text; p + kHeaderPrefixUnits <= end; ++p) {
    if (*p != L'-' || !KeyAt(p, end, kHeaderPrefix)) continue;
    const wchar_t* rest = p + kHeaderPrefixUnits;
    const wchar_t* lineEnd = rest;
    while (lineEnd < end && *lineEnd != L'\r' && *lineEnd != L'\n' && *lineEnd) ++lineEnd;
    apply(rest, lineEnd);
    p = rest - 1;
  }
}

uint8_t KeyByte(wchar_t unit) {
  if (unit >= 0xFF0A && unit <= 0xFF19) return static_cast<uint8_t>(unit - 0xFF00);
  return static_cast<uint8_t>(unit & 0xFF);
}

void SetCategory(uint32_t* attr, uint32_t category) {
  *attr = EntryAttr::WithCategory(*attr, category);
}

}  // namespace

void ResetOrderCounters(DefinitionState* state, int32_t value) {
  for (int32_t& c : state->counters) c = value;
}

void ParseConfigHeader(DefinitionState* state, const wchar_t* text, uint32_t lenUnits) {
  state->category = 0;
  state->globalOrder = 0;
  state->startValue = 0;
  ForEachHeaderKey(text, lenUnits, [state](const wchar_t* p, const wchar_t* end) {
    if (KeyAt(p, end, kKeyAuxiliary)) {
      state->category = 4;
    } else if (KeyAt(p, end, kKeySystem)) {
      state->category = 1;
    } else if (KeyAt(p, end, kKeyUser)) {
      state->category = 2;
    } else if (KeyAt(p, end, kKeySecondary)) {
      state->category = 3;
    } else if (KeyAt(p, end, kKeyClass)) {
      int32_t n = static_cast<int8_t>(ReadNumber(p + (std::size(kKeyClass) - 1), end) & 0xFF);
      state->category = static_cast<int8_t>(ClampClass(n) + 15);
    } else if (KeyAt(p, end, kKeyGlobalOrder)) {
      state->globalOrder = ReadNumber(p + (std::size(kKeyGlobalOrder) - 1), end);
    } else if (KeyAt(p, end, kKeyStartValue)) {
      state->startValue =
          static_cast<uint32_t>(ReadNumber(p + (std::size(kKeyStartValue) - 1), end));
    }
  });
  if (state->category == 0) state->category = 1;
  if (state->startValue != 0) ResetOrderCounters(state, static_cast<int32_t>(state->startValue));
}

void ParseImportHeader(ImportHeader* header, const wchar_t* text, uint32_t lenUnits) {
  header->category = 0;
  header->globalOrder = 0;
  ForEachHeaderKey(text, lenUnits, [header](const wchar_t* p, const wchar_t* end) {
    if (KeyAt(p, end, kKeyAuxiliary)) {
      header->category = 4;
    } else if (KeyAt(p, end, kKeySystem)) {
      header->category = 1;
    } else if (KeyAt(p, end, kKeyUser)) {
      header->category = 2;
    } else if (KeyAt(p, end, kKeySecondary)) {
      header->category = 3;
    } else if (KeyAt(p, end, kKeyClass)) {
      header->category =
          static_cast<uint32_t>(ClampClass(ReadNumber(p + (std::size(kKeyClass) - 1), end)) + 15);
    } else if (KeyAt(p, end, kKeyGlobalOrder)) {
      header->globalOrder = ReadNumber(p + (std::size(kKeyGlobalOrder) - 1), end);
    }
  });
}

bool IsCodeByte(uint8_t byte) {
  // DEL has no slot in the two-letter index and the full-width comma (0x0C)
  // is no key; 0 would end a code early.
  if (byte >= 0x20 && byte < 0x7F) return true;
  return byte == 0x0A || byte == 0x0B || (byte >= 0x0D && byte <= 0x19);
}

bool IsCodeUnit(wchar_t unit) {
  // Units that would become byte 0 (controls, U+0080 up) are refused rather
  // than stored as a 0 inside a code.
  return IsCodeByte(CodeUnitByte(unit));
}

uint8_t CodeUnitByte(wchar_t unit) {
  if (unit >= 0x20 && unit < 0x80) return static_cast<uint8_t>(unit);
  if (unit >= 0xFF0A && unit <= 0xFF19) return static_cast<uint8_t>(unit - 0xFF00);
  return 0;
}

uint32_t UnescapeWord(wchar_t* word) {
  wchar_t* out = word;
  for (const wchar_t* in = word; *in;) {
    if (in[0] == L'\\' && in[1]) {
      switch (in[1]) {
        case L'\\':
          *out++ = L'\\';
          in += 2;
          continue;
        case L'r':
          *out++ = L'\r';
          *out++ = L'\n';
          in += 2;
          continue;
        case L't':
          *out++ = L'\t';
          in += 2;
          continue;
        case L's':
          *out++ = L' ';
          in += 2;
          continue;
        default:
          break;
      }
    }
    *out++ = *in++;
  }
  *out = L'\0';
  return static_cast<uint32_t>(out - word);
}

int ParseDefinitionLine(wchar_t* line, DmgSourceRecord* out, DefinitionState* state) {
  if (!line || !out || !state) return 0;
  wchar_t* tab = line;
  while (*tab && *tab != L'\t') ++tab;
  if (*tab != L'\t' || tab[1] == L'\0') return 0;
  *tab = L'\0';
  wchar_t* codePart = tab + 1;

  uint32_t attr = 0;
  SetCategory(&attr, static_cast<uint32_t>(static_cast<uint8_t>(state->category)));
  wchar_t part[kCodePartUnits];
  uint32_t partUnits = 0;
  while (partUnits < kCodePartUnits - 1 && codePart[partUnits]) {
    part[partUnits] = codePart[partUnits];
    ++partUnits;
  }
  uint32_t order = 0;
  uint32_t codeUnits = 0;
  for (uint32_t i = 0; i < partUnits;) {
    wchar_t u = part[i];
    if (u == L'#' && i + 1 < partUnits) {
      wchar_t tag = part[i + 1];
      if (tag == L'固') {
        attr |= EntryAttr::kPinned;
        i += 2;
        continue;
      }
      if (tag == L'用' || tag == L'次' || tag == L'辅') {
        SetCategory(&attr, tag == L'用' ? 2 : tag == L'次' ? 3 : 4);
        i += 2;
        continue;
      }
      if (tag == L'序') {
        i += 2;
        uint32_t n = 0;
        while (i < partUnits && part[i] >= L'0' && part[i] <= L'9') {
          n = (n * 10 + (part[i] - L'0')) & EntryAttr::kOrderMask;
          ++i;
        }
        order = (order + n) & EntryAttr::kOrderMask;
        continue;
      }
      if (tag == L'类') {
        i += 2;
        uint32_t j = i;
        if (j < partUnits && (part[j] == L'-' || part[j] == L'+')) ++j;
        while (j < partUnits && part[j] >= L'0' && part[j] <= L'9') ++j;
        SetCategory(&attr, static_cast<uint32_t>(ClampClass(ReadNumber(part + i, part + j)) + 15));
        i = j;
        continue;
      }
    }
    if (!IsCodeUnit(u)) return 0;
    codePart[codeUnits++] = u;
    ++i;
  }
  codePart[codeUnits] = L'\0';
  uint32_t wordUnits = UnescapeWord(line);

  // Order counters: one per first key byte, stepping down from the start
  // value to 1024 in file order. The order is kept to its 16 bits so a large
  // or negative value never reaches the category and flag bits.
  int32_t& counter = state->counters[KeyByte(codePart[0])];
  if (counter > kCounterFloor) --counter;
  if (order == 0) {
    if (state->globalOrder != 0) {
      order = static_cast<uint32_t>(state->globalOrder) & EntryAttr::kOrderMask;
      if (counter < kDefaultOrderCounter) ++counter;
    } else {
      order = static_cast<uint32_t>(counter) & EntryAttr::kOrderMask;
    }
  }
  attr = (attr & ~EntryAttr::kOrderMask) | order;

  out->code = codePart;
  out->word = line;
  out->attr = attr;
  out->codeLen = static_cast<uint8_t>(codeUnits > 255 ? 255 : codeUnits);
  out->wordLen = static_cast<uint8_t>(wordUnits > 255 ? 255 : wordUnits);
  out->flags = 0;
  out->reserved = 0;
  return 1;
}

bool NextCompilerLine(wchar_t* text, uint32_t lenUnits, uint32_t* pos, wchar_t** line,
                      uint32_t* lineUnits) {
  uint32_t i = *pos;
  if (!text || i >= lenUnits) return false;
  uint32_t start = i;
  while (i < lenUnits && text[i] != L'\r') ++i;
  *line = text + start;
  *lineUnits = i - start;
  if (i < lenUnits) {
    text[i++] = L'\0';
    if (i < lenUnits && text[i] == L'\n') ++i;
  }
  *pos = i;
  return true;
}

LineKind ClassifyCompilerLine(wchar_t** line, uint32_t* lineUnits) {
  wchar_t* p = *line;
  if (*lineUnits >= 2 && p[0] == L'/' && p[1] == L'/') {
    if (*lineUnits >= 3 && p[2] == L'/') {
      ++*line;
      --*lineUnits;
      return LineKind::kEntry;
    }
    return LineKind::kComment;
  }
  if (*lineUnits > kHeaderPrefixUnits &&
      std::memcmp(p, kHeaderPrefix, kHeaderPrefixUnits * sizeof(wchar_t)) == 0) {
    return LineKind::kHeader;
  }
  return LineKind::kEntry;
}
