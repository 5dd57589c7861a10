// Copying a dictionary entry out of the mapped dict.dms.
#include "ui/popups/DictText.h"

#include "engine/DmsTable.h"
#include "engine/WideString.h"

namespace {

constexpr wchar_t kSummaryEnd[] = L"\r\n \r\n";
constexpr uint32_t kSummaryEndUnits = 5;

// Units of text before the separator, or all of them.
uint32_t SummaryUnits(const wchar_t* text, uint32_t units) {
  for (uint32_t i = 0; i + kSummaryEndUnits <= units; ++i) {
    if (CompareWideChars(text + i, kSummaryEnd, kSummaryEndUnits) == 0) return i;
  }
  return units;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

int CopyCut(const wchar_t* text, uint32_t units, wchar_t* out, int capacity) {
  uint32_t n = units < static_cast<uint32_t>(capacity - 1) ? units : capacity - 1;
  if (n > 0 && n < units && IsHighSurrogate(text[n - 1])) --n;
  for (uint32_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return static_cast<int>(n);
}

}  // namespace

int CopyDictEntryText(const MappedFile* dict, const wchar_t* headword, wchar_t* out, int capacity,
                      bool* found) {
  if (found) *found = false;
  if (!out || capacity <= 0) return 0;
  out[0] = 0;
  if (!headword) return 0;
  DmsEntry entry;
  // Another process may rewrite the table under us: the entry is read once,
  // within the bounds the lookup checked, and only copied.
  if (dict && LookupEntryList(dict, headword, &entry, 1) > 0 && entry.value) {
    if (found) *found = true;
    return CopyCut(entry.value, SummaryUnits(entry.value, entry.valueLenUnits), out, capacity);
  }
  return CopyCut(headword, BoundedLength(headword, kDictTextUnits), out, capacity);
}
