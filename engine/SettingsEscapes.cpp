// Word-formation rules, symbol escapes and key roots: the three table
// sections whose lines fill an array of the dme or ime block.
#include "engine/SettingsCodec.h"

#include <cstring>

#include "engine/ImeOptionBits.h"

namespace {

constexpr int kEscapeFieldUnits = 5;
constexpr int kSingleTextUnits = 10;  // a single replacement runs across both fields
constexpr int kPairTextUnits = 4;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads decimal digits at *p; false when there are none or the number grows
// past limit.
bool ReadNumber(const wchar_t*& p, int limit, int* out) {
  if (!IsDigit(*p)) return false;
  int n = 0;
  while (IsDigit(*p)) {
    n = n * 10 + (*p++ - L'0');
    if (n > limit) return false;
  }
  *out = n;
  return true;
}

void StoreSingle(SymbolEscapeEntry* entry, const wchar_t* text, size_t units) {
  if (units > kSingleTextUnits) units = kSingleTextUnits;
  wchar_t buffer[kSingleTextUnits] = {};
  std::memcpy(buffer, text, units * sizeof(wchar_t));
  entry->kind = 1;
  std::memcpy(entry->first, buffer, sizeof(entry->first));
  std::memcpy(entry->second, buffer + kEscapeFieldUnits, sizeof(entry->second));
  entry->pairState = 0;
}

void StoreField(wchar_t (&field)[kEscapeFieldUnits], const wchar_t* text, size_t units) {
  if (units > kPairTextUnits) units = kPairTextUnits;
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, text, units * sizeof(wchar_t));
}

void StorePair(SymbolEscapeEntry* entry, const wchar_t* first, size_t firstUnits,
               const wchar_t* second, size_t secondUnits) {
  entry->kind = 2;
  StoreField(entry->first, first, firstUnits);
  StoreField(entry->second, second, secondUnits);
}

SymbolEscapeEntry* EscapeEntryFor(ImeConfigBlock* ime, const wchar_t* key) {
  int slot = key[0] ? SettingsKeySlot(key[0]) : -1;
  return slot < 0 ? nullptr : &ime->symbolEscapes[slot];
}

// Where the value of a pair splits: the first comma that is not the value's
// first character; npos for a single replacement.
size_t PairSplit(const std::wstring& value) {
  return value.size() > 1 ? value.find(L',', 1) : std::wstring::npos;
}

}  // namespace

int ParseWordRule(const wchar_t* text, WordFormationRule* rule) {
  if (!text || !rule) return 0;
  const wchar_t* p = text;
  if (*p != L'P' && *p != L'p') return 0;
  ++p;
  int chars = 0;
  if (!ReadNumber(p, kMaxRuleChars, &chars) || chars < kMinRuleChars) return 0;
  while (*p && *p != L'=') ++p;
  if (*p != L'=') return 0;
  ++p;

  WordFormationRule parsed = {};
  int count = 0;
  while (*p) {
    if (*p == L'+') ++p;
    wchar_t side = *p++;
    int position = 0;
    if ((side != L'L' && side != L'l' && side != L'R' && side != L'r') ||
        !ReadNumber(p, kMaxRuleChars, &position) || position < 1) {
      return 0;
    }
    if (side == L'R' || side == L'r') position = chars - position + 1;
    if (position < 1) return 0;
    wchar_t from = *p++;
    bool fromEnd = from == L'F' || from == L'f';
    if (!fromEnd && from != L'B' && from != L'b') return 0;
    int codePosition = 0;
    while (IsDigit(*p)) codePosition = (codePosition * 10 + (*p++ - L'0')) & 0x7FFF;
    // One element fewer than the record holds, so the rule always ends in zero.
    if (count >= kMaxWordRuleElements) return 0;
    parsed.elements[count++] = static_cast<uint16_t>((fromEnd ? 0x8000 : 0) | (position << 8) |
                                                      (codePosition & 0x7F));
  }
  *rule = parsed;
  return chars;
}

void ApplyWordRuleLine(DmeConfigBlock* dme, const wchar_t* key, const wchar_t* value) {
  if (!dme || !key || !value) return;
  std::wstring line = std::wstring(key) + L"=" + value;
  if (line.size() > 511) line.resize(511);
  WordFormationRule rule;
  int chars = ParseWordRule(line.c_str(), &rule);
  if (chars >= kMinRuleChars && chars <= kMaxRuleChars) dme->wordRules[chars] = rule;
}

void ApplySymbolEscapeLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value) {
  if (!ime || !key || !value) return;
  SymbolEscapeEntry* entry = EscapeEntryFor(ime, key);
  if (!entry) return;
  std::wstring text(value);
  size_t split = PairSplit(text);
  if (split == std::wstring::npos) {
    StoreSingle(entry, text.c_str(), text.size());
  } else {
    StorePair(entry, text.c_str(), split, text.c_str() + split + 1, text.size() - split - 1);
  }
}

void ApplyWrittenSymbolEscapeLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* rawValue) {
  if (!ime || !key || !rawValue) return;
  if (rawValue[0] != L'"') {
    ApplySymbolEscapeLine(ime, key, rawValue);
    return;
  }
  SymbolEscapeEntry* entry = EscapeEntryFor(ime, key);
  if (!entry) return;
  // A quoted value is one text as it stands; "a","b" is a pair.
  const wchar_t* rest = nullptr;
  std::wstring first = ReadSettingValue(rawValue, &rest);
  if (rest[0] == L',' && rest[1] == L'"') {
    std::wstring second = ReadSettingValue(rest + 1);
    StorePair(entry, first.c_str(), first.size(), second.c_str(), second.size());
  } else {
    StoreSingle(entry, first.c_str(), first.size());
  }
}

std::wstring SymbolEscapeText(const SymbolEscapeEntry& entry, bool second) {
  if (entry.kind == 2) {
    const wchar_t* field = second ? entry.second : entry.first;
    size_t n = 0;
    while (n < kEscapeFieldUnits && field[n]) ++n;
    return std::wstring(field, n);
  }
  if (second) return std::wstring();
  wchar_t buffer[kSingleTextUnits];
  std::memcpy(buffer, entry.first, sizeof(entry.first));
  std::memcpy(buffer + kEscapeFieldUnits, entry.second, sizeof(entry.second));
  size_t n = 0;
  while (n < kSingleTextUnits && buffer[n]) ++n;
  return std::wstring(buffer, n);
}

std::wstring FormatSymbolEscapeValue(const SymbolEscapeEntry& entry) {
  std::wstring out;
  if (entry.kind == 1) {
    std::wstring text = SymbolEscapeText(entry, false);
    // A comma past the first character would read back as a pair.
    if (!text.empty() && (text[0] == L'"' || PairSplit(text) != std::wstring::npos)) {
      out += L'"';
      for (wchar_t c : text) {
        if (c == L'"') out += L'"';
        out += c;
      }
      out += L'"';
    } else {
      out = text;
    }
  } else if (entry.kind == 2) {
    std::wstring first = SymbolEscapeText(entry, false);
    std::wstring second = SymbolEscapeText(entry, true);
    std::wstring plain = first + L"," + second;
    if (!first.empty() && first[0] != L'"' && PairSplit(plain) == first.size()) {
      out = plain;
    } else {
      std::wstring quotedFirst;
      std::wstring quotedSecond;
      for (wchar_t c : first) {
        if (c == L'"') quotedFirst += L'"';
        quotedFirst += c;
      }
      for (wchar_t c : second) {
        if (c == L'"') quotedSecond += L'"';
        quotedSecond += c;
      }
      out = L"\"" + quotedFirst + L"\",\"" + quotedSecond + L"\"";
    }
  }
  return out;
}

void ApplyKeyRootLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value) {
  if (!ime || !key || !value) return;
  if (TextEquals(key, L"使用键位字根表")) {
    if (value[0] == L'是') ime->spaceWord |= ImeBits::kKeyRootDisplay;
    else ime->spaceWord &= ~ImeBits::kKeyRootDisplay;
    return;
  }
  int slot = key[0] ? SettingsKeySlot(key[0]) : -1;
  if (slot >= 0) ime->keyRootTable[slot] = value[0];
}
