// Sizing and writing the IME's blocks of an input context.
#include "frontend/imm/ContextBlocks.h"

#include <algorithm>
#include <cstring>

namespace {

using BlockLayout = void (*)(uint8_t* block);

void LayOutComposition(uint8_t* block) {
  std::memset(block, 0, kCompositionBytes);
  auto* cs = reinterpret_cast<COMPOSITIONSTRING*>(block);
  cs->dwSize = kCompositionBytes;
  cs->dwCompReadAttrOffset = kCompReadAttrOffset;
  cs->dwCompReadClauseOffset = kCompReadClauseOffset;
  cs->dwCompReadStrOffset = kCompReadStrOffset;
  cs->dwCompAttrOffset = kCompAttrOffset;
  cs->dwCompClauseOffset = kCompClauseOffset;
  cs->dwCompStrOffset = kCompStrOffset;
  cs->dwResultReadClauseOffset = kResultReadClauseOffset;
  cs->dwResultReadStrOffset = kResultReadStrOffset;
  cs->dwResultClauseOffset = kResultClauseOffset;
  cs->dwResultStrOffset = kResultStrOffset;
  cs->dwPrivateOffset = kCompPrivateOffset;
}

void LayOutCandidates(uint8_t* block) {
  std::memset(block, 0, kCandidateInfoBytes);
  auto* info = reinterpret_cast<CANDIDATEINFO*>(block);
  info->dwSize = kCandidateInfoBytes;
  info->dwCount = 1;
  info->dwOffset[0] = info->dwOffset[1] = info->dwOffset[2] = kCandidateListOffset;
  info->dwPrivateOffset = kCandidatePrivateOffset;
  auto* list = reinterpret_cast<CANDIDATELIST*>(block + kCandidateListOffset);
  list->dwSize = kCandidateListBytes;
  list->dwStyle = IME_CAND_READ;
  list->dwPageSize = kCandidatePageSize;
  for (int i = 0; i < kCandidateStrings; ++i)
    list->dwOffset[i] = kCandidateStringsOffset + kCandidateStringBytes * i;
}

// Resizes or creates the block in *slot and lays it out. A block that cannot
// be resized or locked is replaced by a fresh one and the sizing fails.
int SizeBlock(HIMCC* slot, DWORD bytes, BlockLayout layout) {
  if (*slot) {
    // A successful resize may move the block: keep the handle it returns and
    // never destroy the old one, which the system has already released.
    HIMCC resized = ImmReSizeIMCC(*slot, bytes);
    if (!resized) {
      ImmDestroyIMCC(*slot);
      *slot = ImmCreateIMCC(bytes);
      return 0;
    }
    *slot = resized;
  } else {
    *slot = ImmCreateIMCC(bytes);
    if (!*slot) return 0;
  }
  auto* block = static_cast<uint8_t*>(ImmLockIMCC(*slot));
  if (!block || ImmGetIMCCSize(*slot) < bytes) {
    if (block) ImmUnlockIMCC(*slot);
    ImmDestroyIMCC(*slot);
    *slot = ImmCreateIMCC(bytes);
    return 0;
  }
  if (layout) layout(block);
  ImmUnlockIMCC(*slot);
  return 1;
}

wchar_t* AreaText(COMPOSITIONSTRING* cs, DWORD offset) {
  return reinterpret_cast<wchar_t*>(reinterpret_cast<uint8_t*>(cs) + offset);
}

void WriteArea(COMPOSITIONSTRING* cs, DWORD offset, const wchar_t* text, int units) {
  wchar_t* area = AreaText(cs, offset);
  if (units > 0) std::memcpy(area, text, units * sizeof(wchar_t));
  area[units] = 0;
}

void WriteAttributes(COMPOSITIONSTRING* cs, DWORD offset, int units) {
  uint8_t* area = reinterpret_cast<uint8_t*>(cs) + offset;
  std::memset(area, ATTR_TARGET_CONVERTED, units);
}

// One clause covering the whole text; its byte length, 0 for an empty text.
DWORD WriteClause(COMPOSITIONSTRING* cs, DWORD offset, int units) {
  const DWORD clause[2] = {0, static_cast<DWORD>(units)};
  std::memcpy(reinterpret_cast<uint8_t*>(cs) + offset, clause, sizeof(clause));
  return units > 0 ? sizeof(clause) : 0;
}

LPARAM WithoutEmptyClauses(const COMPOSITIONSTRING* cs, LPARAM flags) {
  if (cs->dwCompReadClauseLen == 0) flags &= ~GCS_COMPREADCLAUSE;
  if (cs->dwCompClauseLen == 0) flags &= ~GCS_COMPCLAUSE;
  if (cs->dwResultClauseLen == 0) flags &= ~GCS_RESULTCLAUSE;
  return flags;
}

}  // namespace

int FitUnits(const wchar_t* text, int units, int capacity) {
  if (!text || units <= 0 || capacity <= 0) return 0;
  if (units <= capacity) return units;
  int n = capacity;
  // Never keep the high half of a pair without its low half.
  if (IS_HIGH_SURROGATE(text[n - 1])) --n;
  return n;
}

int SizeCompositionString(INPUTCONTEXT* imc) {
  return imc ? SizeBlock(&imc->hCompStr, kCompositionBytes, LayOutComposition) : 0;
}

int SizeCandidateInfo(INPUTCONTEXT* imc) {
  return imc ? SizeBlock(&imc->hCandInfo, kCandidateInfoBytes, LayOutCandidates) : 0;
}

int SizePrivateData(INPUTCONTEXT* imc) {
  return imc ? SizeBlock(&imc->hPrivate, kPrivateBlockBytes, nullptr) : 0;
}

LPARAM WriteCompositionString(COMPOSITIONSTRING* cs, const wchar_t* reading, int readingUnits,
                              const wchar_t* text, int textUnits, int cursor) {
  const int r = FitUnits(reading, readingUnits, kCompAreaUnits);
  WriteArea(cs, kCompReadStrOffset, reading, r);
  WriteAttributes(cs, kCompReadAttrOffset, r);
  cs->dwCompReadStrLen = r;
  cs->dwCompReadAttrLen = r;
  cs->dwCompReadClauseLen = WriteClause(cs, kCompReadClauseOffset, r);

  const int n = FitUnits(text, textUnits, kCompAreaUnits);
  WriteArea(cs, kCompStrOffset, text, n);
  WriteAttributes(cs, kCompAttrOffset, n);
  cs->dwCompStrLen = n;
  cs->dwCompAttrLen = n;
  cs->dwCompClauseLen = WriteClause(cs, kCompClauseOffset, n);
  cs->dwCursorPos = static_cast<DWORD>(std::clamp(cursor, 0, n));
  cs->dwDeltaStart = n > 0 ? n - 1 : 0;
  return WithoutEmptyClauses(cs, kCompositionUpdateFlags);
}

void ClearCompositionString(COMPOSITIONSTRING* cs, bool keepResult) {
  uint8_t* block = reinterpret_cast<uint8_t*>(cs);
  const DWORD end = keepResult ? kResultClauseOffset : kCompPrivateOffset;
  std::memset(block + kCompReadAttrOffset, 0, end - kCompReadAttrOffset);
  cs->dwCompReadAttrLen = cs->dwCompReadClauseLen = cs->dwCompReadStrLen = 0;
  cs->dwCompAttrLen = cs->dwCompClauseLen = cs->dwCompStrLen = 0;
  cs->dwCursorPos = cs->dwDeltaStart = 0;
  cs->dwResultReadClauseLen = cs->dwResultReadStrLen = 0;
  if (keepResult) return;
  cs->dwResultClauseLen = cs->dwResultStrLen = 0;
}

int WriteResultString(COMPOSITIONSTRING* cs, const wchar_t* text, int units, bool append) {
  int have = append ? static_cast<int>(std::min<DWORD>(cs->dwResultStrLen, kCompAreaUnits)) : 0;
  const int n = FitUnits(text, units, kCompAreaUnits - have);
  wchar_t* area = AreaText(cs, kResultStrOffset);
  if (n > 0) std::memcpy(area + have, text, n * sizeof(wchar_t));
  have += n;
  area[have] = 0;
  cs->dwResultStrLen = have;
  cs->dwResultClauseLen = WriteClause(cs, kResultClauseOffset, have);
  return have;
}

LPARAM ResultFlags(const COMPOSITIONSTRING* cs) {
  return WithoutEmptyClauses(cs, kCompositionResultFlags);
}

const wchar_t* ResultString(const COMPOSITIONSTRING* cs) {
  return reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(cs) + kResultStrOffset);
}

const wchar_t* ReadingString(const COMPOSITIONSTRING* cs) {
  return reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(cs) +
                                          kCompReadStrOffset);
}

void WriteCandidateList(CANDIDATELIST* list, const wchar_t* const* texts, const int* units,
                        int count, int selection) {
  count = std::clamp(count, 0, kCandidateStrings);
  uint8_t* base = reinterpret_cast<uint8_t*>(list) + kCandidateStringsOffset;
  for (int i = 0; i < kCandidateStrings; ++i) {
    auto* slot = reinterpret_cast<wchar_t*>(base + kCandidateStringBytes * i);
    const int n = i < count ? FitUnits(texts[i], units[i], kCandidateStringUnits) : 0;
    if (n > 0) std::memcpy(slot, texts[i], n * sizeof(wchar_t));
    slot[n] = 0;
  }
  list->dwCount = count;
  list->dwSelection = count > 0 ? std::clamp(selection, 0, count - 1) : 0;
}

const wchar_t* CandidateString(const CANDIDATELIST* list, int index) {
  return reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(list) +
                                          kCandidateStringsOffset + kCandidateStringBytes * index);
}
