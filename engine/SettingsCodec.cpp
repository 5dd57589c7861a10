// Section ids, the line dispatcher, set( commands and the value helpers the
// line functions and writers share.
#include "engine/SettingsCodec.h"

#include "engine/ItfObject.h"
#include "engine/KeyTables.h"

namespace {

constexpr const wchar_t* kSectionHeaders[] = {
    L"",
    L"[-生成器选项-]",
    L"",
    L"[-按键功能-]",
    L"[-IME设置-]",
    L"[-DME设置-]",
    L"[-SKIN设置-]",
    L"[-构词规则定义-]",
    L"[-非编码符号转义定义表-]",
    L"[-键位字根表-]",
    L"[-其他安装文件-]",
    L"[-软件选项-]",
};
constexpr int kSectionCount = sizeof(kSectionHeaders) / sizeof(kSectionHeaders[0]);

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// One part of a set( command starting at p: quoted or up to delimiter. The
// part is terminated in place; returns the position after the delimiter, or
// null when it is missing.
wchar_t* TakeSetPart(wchar_t* p, wchar_t delimiter, wchar_t** part) {
  if (*p == L'"') {
    *part = ++p;
    while (*p && *p != L'"') ++p;
    if (!*p) return nullptr;
    *p++ = 0;
    while (*p && *p != delimiter) ++p;
  } else {
    *part = p;
    while (*p && *p != delimiter) ++p;
  }
  if (!*p) return nullptr;
  *p = 0;
  return p + 1;
}

}  // namespace

const wchar_t* SettingsSectionHeader(int id) {
  return (id > 0 && id < kSectionCount) ? kSectionHeaders[id] : L"";
}

int GetSectionId(const wchar_t* line) {
  if (!line || line[0] != L'[' || line[1] != L'-') return kSectionNone;
  for (int id = 1; id < kSectionCount; ++id) {
    if (kSectionHeaders[id][0] && EqualsIgnoringAsciiCase(line, kSectionHeaders[id])) return id;
  }
  return kSectionNone;
}

int ApplySettingsLine(int id, const wchar_t* key, const wchar_t* value, ImeConfigBlock* ime,
                      DmeConfigBlock* dme, SkinConfigBlock* skin, const ItfObject* itf) {
  if (!key || !value) return 0;
  switch (id) {
    case kSectionKeyFunctions:
      if (dme) ApplyKeyFunctionLine(dme, key, value);
      break;
    case kSectionIme:
      if (ime) ApplyImeSettingLine(ime, key, value);
      break;
    case kSectionDme:
      if (dme && itf && itf->parseLine) itf->parseLine(dme, key, value, kItfSectionDme);
      break;
    case kSectionSkin:
      if (skin && itf && itf->parseLine) itf->parseLine(skin, key, value, kItfSectionSkin);
      break;
    case kSectionWordRules:
      if (dme) ApplyWordRuleLine(dme, key, value);
      break;
    case kSectionEscapes:
      if (ime) ApplySymbolEscapeLine(ime, key, value);
      break;
    case kSectionKeyRoots:
      if (ime) ApplyKeyRootLine(ime, key, value);
      break;
    default:
      break;
  }
  return 0;
}

int ParseSetCommand(wchar_t* text, wchar_t** section, wchar_t** key, wchar_t** value) {
  if (section) *section = nullptr;
  if (key) *key = nullptr;
  if (value) *value = nullptr;
  if (!text || !section || !key || !value) return 0;
  static constexpr wchar_t kVerb[] = L"set(";
  for (int i = 0; kVerb[i]; ++i) {
    if (AsciiLower(text[i]) != kVerb[i]) return 0;
  }
  wchar_t* sectionPart = nullptr;
  wchar_t* keyPart = nullptr;
  wchar_t* valuePart = nullptr;
  wchar_t* p = TakeSetPart(text + 4, L',', &sectionPart);
  if (p) p = TakeSetPart(p, L'=', &keyPart);
  if (p) p = TakeSetPart(p, L')', &valuePart);
  if (!p) return 0;
  *section = sectionPart;
  *key = keyPart;
  *value = valuePart;
  return GetSectionId(sectionPart);
}

int SettingsKeySlot(wchar_t c) {
  if (c < 0x80) return c;
  if (c >= 0xFF01 && c <= 0xFF7F) return c - 0xFF00;
  return -1;
}

wchar_t SettingsKeyChar(int slot) {
  return slot >= 32 ? static_cast<wchar_t>(slot) : static_cast<wchar_t>(0xFF00 + slot);
}

bool TextEquals(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return false;
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

bool TextContains(const wchar_t* text, const wchar_t* needle) {
  if (!text || !needle) return false;
  if (!*needle) return true;
  for (; *text; ++text) {
    const wchar_t* t = text;
    const wchar_t* n = needle;
    while (*t && *n && *t == *n) ++t, ++n;
    if (!*n) return true;
  }
  return false;
}

void ApplyFlagValue(uint32_t* word, uint32_t bit, const wchar_t* value, uint32_t accepts) {
  if ((accepts & kAcceptToggle) && TextEquals(value, L"切换")) {
    *word ^= bit;
  } else if (TextEquals(value, L"是") || ((accepts & kAcceptShi) && TextEquals(value, L"shi"))) {
    *word |= bit;
  } else {
    *word &= ~bit;
  }
}

const wchar_t* YesNo(uint32_t word, uint32_t bit) { return (word & bit) ? L"是" : L"否"; }

void AppendSettingValue(std::wstring& out, const std::wstring& value) {
  if (value.empty() || value[0] != L'"') {
    out += value;
    return;
  }
  out += L'"';
  for (wchar_t c : value) {
    if (c == L'"') out += L'"';
    out += c;
  }
  out += L'"';
}

std::wstring ReadSettingValue(const wchar_t* raw, const wchar_t** end) {
  std::wstring value;
  const wchar_t* p = raw;
  if (*p != L'"') {
    while (*p) value += *p++;
  } else {
    ++p;
    while (*p) {
      if (*p == L'"') {
        if (p[1] != L'"') {
          ++p;
          break;
        }
        ++p;  // a doubled quote stands for one
      }
      value += *p++;
    }
  }
  if (end) *end = p;
  return value;
}

void AppendCodeByte(std::wstring& out, uint8_t byte) {
  if (byte == 0 || byte >= 0x80) return;
  out += byte < 0x20 ? static_cast<wchar_t>(0xFF00 + byte) : static_cast<wchar_t>(byte);
}

bool WriteUtf16Text(HANDLE file, const std::wstring& text) {
  if (!file || file == INVALID_HANDLE_VALUE) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t left = text.size() * sizeof(wchar_t);
  while (left > 0) {
    DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    left -= written;
  }
  return true;
}
