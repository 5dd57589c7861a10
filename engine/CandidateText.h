// How a candidate's shown text is reached in its table record: shared by the
// list code and the keyed sort.
#pragma once

#include <cstdint>

#include "engine/Candidates.h"
#include "engine/DmgTable.h"

namespace candidate_text {

// Where the shown text of a candidate starts and how long it is.
struct TextRef {
  const uint8_t* units = nullptr;  // unaligned UTF-16
  const wchar_t* plain = nullptr;  // kind 0x40
  int length = 0;
};

inline TextRef ShownText(const CandidateItem& item) {
  TextRef t;
  if (!item.entry) return t;
  if (item.kind == kKindPlainText) {
    t.plain = reinterpret_cast<const wchar_t*>(item.entry);
    while (t.length < kSlotTextUnits && t.plain[t.length]) ++t.length;
  } else if (item.kind & kKindShownByWord) {
    const uint8_t* word = EntryWord(item.entry);
    t.units = word + 1;
    t.length = word[0];
  } else {
    t.units = item.entry + 5;
    t.length = item.entry[4];
  }
  return t;
}

inline uint16_t UnitAt(const TextRef& t, int i) {
  return t.plain ? static_cast<uint16_t>(t.plain[i]) : DmgUnitAt(t.units + 2 * i);
}

inline int CharacterCount(const TextRef& t) {
  int n = 0;
  for (int i = 0; i < t.length; ++i) {
    const uint16_t u = UnitAt(t, i);
    if (u < 0xDC00 || u > 0xDFFF) ++n;
  }
  return n;
}

inline int CompareTexts(const TextRef& a, const TextRef& b) {
  const int n = a.length < b.length ? a.length : b.length;
  for (int i = 0; i < n; ++i) {
    const uint16_t x = UnitAt(a, i);
    const uint16_t y = UnitAt(b, i);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
}

inline uint32_t AttributeOf(const CandidateItem& item) {
  return (item.entry && item.kind != kKindPlainText) ? EntryAttribute(item.entry) : 0;
}

}  // namespace candidate_text
