// Code tables: bounded record readers, the code alphabet, record comparison
// and building a record from its text form.
#include "engine/DmgTable.h"

#include "engine/DmgTableInternal.h"

const wchar_t kDefaultKeySet[] =
    L"abcdefghijklmnopqrstuvwxyz1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    L"`-=[]\\;',./~!@#$%^&*()_+{}|:\"<>?"
    L"\xFF11\xFF12\xFF13\xFF14\xFF15\xFF16\xFF17\xFF18\xFF19\xFF10"
    L"\xFF0A\xFF0F\xFF0B\xFF0D\xFF0E ";
static_assert(sizeof(kDefaultKeySet) / sizeof(wchar_t) == 111, "110 keys + NUL");

const RecordCompareOps kDefaultRecordCompareOps = {
    CodeToBytesCallback, BytesToCodeCallback, CompareCodeCallback};

namespace {

// Byte of one code character, or 0 when the character is no code character.
uint8_t CodeByteOf(wchar_t ch) {
  if (ch >= 32 && ch < 128) return static_cast<uint8_t>(ch);
  if (ch >= 0xFF0A && ch <= 0xFF19) return static_cast<uint8_t>(ch & 0xFF);
  return 0;
}

struct DefaultKeyBytes {
  bool member[128] = {};
  DefaultKeyBytes() {
    for (const wchar_t* p = kDefaultKeySet; *p; ++p) {
      uint8_t b = CodeByteOf(*p);
      if (b) member[b] = true;
    }
  }
};
const DefaultKeyBytes kDefaultKeyBytes;

int CompareUnitRuns(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb) {
  uint32_t n = na < nb ? na : nb;
  for (uint32_t i = 0; i < n; ++i) {
    uint16_t ua = DmgUnitAt(a + 2 * i);
    uint16_t ub = DmgUnitAt(b + 2 * i);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  if (na == nb) return 0;
  return na < nb ? -1 : 1;
}

// Parses a decimal number the way the tag texts write it: optional sign,
// digits, anything else ends it.
int64_t ParseTagNumber(const wchar_t* p) {
  bool negative = false;
  if (*p == L'-' || *p == L'+') negative = (*p++ == L'-');
  int64_t value = 0;
  while (*p >= L'0' && *p <= L'9') {
    if (value < 100000000000LL) value = value * 10 + (*p - L'0');
    ++p;
  }
  return negative ? -value : value;
}

// Position of a tag in the text, or null.
wchar_t* FindTag(wchar_t* text, const wchar_t* tag) {
  size_t tagLen = std::wcslen(tag);
  for (wchar_t* p = text; *p; ++p) {
    if (std::wcsncmp(p, tag, tagLen) == 0) return p;
  }
  return nullptr;
}

}  // namespace

bool IsDefaultKeyByte(uint32_t b) { return b < 128 && kDefaultKeyBytes.member[b]; }

DmgView GetDmgView(const MappedFile* table) {
  DmgView view;
  if (!table || !table->view) return view;
  view.base = table->view;
  view.sizeBytes = table->size;
  uint32_t count = 0;
  if (!DmgLoadU32(view.base, view.sizeBytes, kDmgCountOffset, &count) ||
      !DmgLoadU32(view.base, view.sizeBytes, kDmgTypeOffset, &view.type)) {
    return view;
  }
  // The offset table must lie inside the view; otherwise the table is empty.
  uint64_t tableEnd = kDmgOffsetTableOffset + 4ull * count;
  if (tableEnd <= view.sizeBytes) view.countRecords = count;
  return view;
}

uint32_t CopyRecordWord(const DmgRecord& record, wchar_t* out, uint32_t capacity) {
  if (!out || capacity == 0) return 0;
  uint32_t n = record.word ? record.wordLenUnits : 0;
  if (n > capacity - 1) n = capacity - 1;
  for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<wchar_t>(RecordWordUnit(record, i));
  out[n] = 0;
  return n;
}

int CodeTextToBytes(const wchar_t* text, uint8_t* out) {
  if (!text) {
    if (out) out[0] = out[1] = 0;
    return 0;
  }
  uint32_t n = 0;
  while (n < kDmgMaxCodeBytes && text[n]) {
    if (out) out[1 + n] = CodeByteOf(text[n]);
    ++n;
  }
  if (out) {
    out[0] = static_cast<uint8_t>(n);
    out[1 + n] = 0;
  }
  return static_cast<int>(n);
}

int CodeBytesToText(const uint8_t* code, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return 0;
  int n = code ? code[0] : 0;
  if (n > capacity - 1) n = capacity - 1;
  for (int i = 0; i < n; ++i) {
    uint8_t b = code[1 + i];
    out[i] = b < 32 ? static_cast<wchar_t>(0xFF00 + b) : b >= 128 ? 0 : b;
  }
  out[n] = 0;
  return n;
}

int CodeToBytesCallback(const wchar_t* text, uint8_t* out) {
  return CodeTextToBytes(text, out);
}

int BytesToCodeCallback(const uint8_t* code, wchar_t* out, int capacity) {
  return CodeBytesToText(code, out, capacity);
}

int CompareCodeCallback(const uint8_t* a, const uint8_t* b) {
  return dmg_internal::CompareByteRuns(a + 1, a[0], b + 1, b[0]);
}

int CompareWords(const uint8_t* a, const uint8_t* b) {
  return CompareUnitRuns(a + 1, a[0], b + 1, b[0]);
}

int CompareDmgRecords(const uint8_t* a, const uint8_t* b) {
  int c = CompareCodeCallback(a, b);
  if (c != 0) return c;
  return CompareWords(a + 1 + a[0], b + 1 + b[0]);
}

namespace dmg_internal {

int CompareByteRuns(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb) {
  uint32_t n = na < nb ? na : nb;
  int c = n ? std::memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  if (na == nb) return 0;
  return na < nb ? -1 : 1;
}

int CompareRecordWithKey(uint32_t tableType, const DmgRecord& rec, const uint8_t* key,
                         const RecordCompareOps* ops) {
  if (tableType == kDmgTypeWordList) return CompareWords(rec.word, key);
  int c = ops && ops->compareCodes
              ? ops->compareCodes(rec.code, key)
              : CompareByteRuns(rec.code + 1, rec.codeLen, key + 1, key[0]);
  if (c != 0) return c;
  return CompareWords(rec.word, key + 1 + key[0]);
}

uint32_t KeySizeBytes(const uint8_t* key, uint32_t tableType) {
  if (tableType == kDmgTypeWordList) return 1 + 2u * key[0];
  return 2u + key[0] + 2u * key[1 + key[0]];
}

}  // namespace dmg_internal

uint32_t StoredRecordSize(const uint8_t* record, uint32_t tableType) {
  if (!record) return 0;
  return 4 + dmg_internal::KeySizeBytes(record + 4, tableType);
}

DmgRecordBuffer BuildRecordFromText(wchar_t* codeText, const wchar_t* word,
                                    const RecordCompareOps* ops) {
  if (!codeText || !word || !codeText[0] || !word[0]) return nullptr;
  uint32_t attr = 0;
  // "#序" cuts the text first, so tags written behind it are lost; the other
  // tags count wherever they stand in what is left, and the code ends at the
  // first of them ("abcd#类3#固" is class 3 and pinned).
  if (wchar_t* tag = FindTag(codeText, L"#序")) {
    attr = static_cast<uint32_t>(ParseTagNumber(tag + 2)) & EntryAttr::kOrderMask;
    *tag = 0;
  }
  wchar_t* cut = nullptr;
  auto note = [&cut](wchar_t* tag) {
    if (tag && (!cut || tag < cut)) cut = tag;
    return tag != nullptr;
  };
  wchar_t* classTag = FindTag(codeText, L"#类");
  if (note(classTag)) {
    int64_t n = ParseTagNumber(classTag + 2);
    uint32_t category = n <= 0 ? 16 : n > 16 ? 31 : static_cast<uint32_t>(n + 15);
    attr ^= category << EntryAttr::kCategoryShift;
  }
  if (note(FindTag(codeText, L"#用"))) attr = EntryAttr::WithCategory(attr, 2);
  if (note(FindTag(codeText, L"#次"))) attr = EntryAttr::WithCategory(attr, 3);
  if (note(FindTag(codeText, L"#辅"))) attr = EntryAttr::WithCategory(attr, 4);
  if (note(FindTag(codeText, L"#固"))) attr |= EntryAttr::kPinned;
  if (cut) *cut = 0;

  uint8_t code[kDmgMaxCodeBytes + 2] = {};
  int codeLen = ops && ops->codeToBytes ? ops->codeToBytes(codeText, code)
                                        : CodeTextToBytes(codeText, code);
  if (codeLen <= 0 || codeLen > static_cast<int>(kDmgMaxCodeBytes)) return nullptr;
  size_t wordUnits = std::wcslen(word);
  // A longer word cannot be described by its length byte without corrupting
  // the record.
  if (wordUnits > kDmgMaxWordUnits) return nullptr;

  size_t size = 6 + codeLen + 2 * wordUnits;
  DmgRecordBuffer rec(static_cast<uint8_t*>(std::calloc(size, 1)));
  if (!rec) return nullptr;
  uint8_t* p = rec.get();
  std::memcpy(p, &attr, 4);
  p[4] = static_cast<uint8_t>(codeLen);
  std::memcpy(p + 5, code + 1, codeLen);
  p[5 + codeLen] = static_cast<uint8_t>(wordUnits);
  std::memcpy(p + 6 + codeLen, word, 2 * wordUnits);
  return rec;
}
