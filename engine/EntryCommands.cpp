// The candidate-word menu and the delete key function: order values, pinned,
// secondary and deleted bits written straight into the shared main.dmg
// records, the information box and the dictionary look-up.
#include <windows.h>

#include <cstring>

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/EntryCommands.h"
#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "engine/Search.h"
#include "engine/SearchCache.h"
#include "engine/TableJournal.h"
#include "engine/TempWords.h"
#include "engine/UrlEncode.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kSwapMask = 0x000FFFFFu;    // order value and the zero bits above it
constexpr uint32_t kRotateMask = 0x00FFFFFFu;
constexpr int kMessageUnits = 1024;

// A candidate whose entry may be changed: a main.dmg record inside the
// current, writable view.
struct MainEntry {
  uint8_t* attr = nullptr;
  uint32_t value = 0;
  int32_t matchValue = 0;
};

bool GetMainEntry(ImeContext* context, int listIndex, MainEntry* out) {
  if (listIndex < 0 || listIndex >= context->candidateCount) return false;
  const CandidateItem& item = context->candidates[listIndex];
  MappedFile* main = context->files[kFileMain];
  DmgRecord record;
  // Only a record the table still lists: another process may have moved
  // or removed it since the search.
  // Nor one a dead writer left half changed.
  if (item.kind != kKindMain || !IsWritableMapping(main) || TableChanging(main) ||
      !ReadCandidateRecord(context, item, &record) ||
      !FindListedRecord(GetDmgView(main), record.offset, &record)) {
    return false;
  }
  out->attr = main->view + record.offset;
  out->value = record.attr;
  out->matchValue = item.value;
  return true;
}

void SetAttr(const ImeContext* context, const MainEntry& entry, uint32_t value) {
  std::memcpy(entry.attr, &value, 4);
  NoteTableWritten(context->files[kFileMain]);
}

bool SameRun(const MainEntry& a, const MainEntry& b) {
  return a.matchValue == b.matchValue && (a.value & EntryAttr::kPinned) == (b.value & EntryAttr::kPinned);
}

bool RunMember(ImeContext* context, const MainEntry& entry, int listIndex, MainEntry* out) {
  return GetMainEntry(context, listIndex, out) && SameRun(entry, *out);
}

void SwapWith(ImeContext* context, const MainEntry& entry, int neighbour) {
  MainEntry other;
  if (!RunMember(context, entry, neighbour, &other)) return;
  SetAttr(context, entry, (entry.value & ~kSwapMask) | (other.value & kSwapMask));
  SetAttr(context, other, (other.value & ~kSwapMask) | (entry.value & kSwapMask));
}

// Moves the entry's order value to the end of its run in direction step (-1
// first, +1 last); the candidates between shift one place towards it.
void RotateRun(ImeContext* context, int index, const MainEntry& entry, int step) {
  int end = index;
  MainEntry probe;
  while (RunMember(context, entry, end + step, &probe)) end += step;
  if (end == index) return;
  MainEntry last;
  GetMainEntry(context, end, &last);
  const uint32_t takes = last.value & kRotateMask;
  // Walk from the far end back to the entry: each takes its neighbour's value
  // towards the entry, which is still unchanged when it is read.
  for (int t = end; t != index; t -= step) {
    MainEntry to, from;
    GetMainEntry(context, t, &to);
    GetMainEntry(context, t - step, &from);
    SetAttr(context, to, (to.value & ~kRotateMask) | (from.value & kRotateMask));
  }
  SetAttr(context, entry, (entry.value & ~kRotateMask) | takes);
}

// A change the user asked for that found another writer holding the lock
// past the wait: said, so that a "yes" never quietly does nothing.
void TellBusy(void* owner, Effects& effects) {
  effects.ShowOwnedMessage(owner, kDataBusyMessageText, L"操作提示", MB_OK | MB_ICONERROR);
}

void AppendLine(wchar_t* text, const wchar_t* line) { AppendStringBounded(text, kMessageUnits, line); }

void ShowInformation(ImeContext* context, void* owner, const CandidateItem& item,
                     const wchar_t* shown, Effects& effects) {
  DmgRecord record;
  if (!ReadCandidateRecord(context, item, &record)) return;
  wchar_t code[kDmgMaxCodeBytes + 1];
  wchar_t word[kDmgMaxCodeBytes + 1];
  CodeBytesToText(record.code, code, kDmgMaxCodeBytes + 1);
  CopyRecordWord(record, word, kDmgMaxCodeBytes + 1);
  const uint32_t category = item.kind == kKindMain ? EntryAttr::Category(record.attr) : 0;
  const bool pinned = item.kind == kKindMain && (record.attr & EntryAttr::kPinned);
  wchar_t text[kMessageUnits];
  text[0] = 0;
  AppendLine(text, (context->stateFlags & kStateSecondaryOnly)
                       ? L"当前检索码表: 次显码表  (可使用“码表切换键”切换至主码表)\r\n"
                       : L"当前检索码表: 主码表  (可使用“码表切换键”切换至次显码表)\r\n");
  wchar_t line[kMessageUnits];
  FormatString(line, kMessageUnits, L"编码: %s\r\n词条: %s\r\n", code, word);
  AppendLine(text, line);
  AppendLine(text, pinned ? L"是否固顶词条: 是\r\n" : L"是否固顶词条: 否\r\n");
  static constexpr const wchar_t* kCategoryLines[] = {
      L"分类: 其它类型的码表\r\n", L"分类: 主码表\r\n", L"分类: 用户码表\r\n",
      L"分类: 次显码表\r\n", L"分类: 辅助码表\r\n"};
  AppendLine(text, kCategoryLines[category >= 1 && category <= 4 ? category : 0]);
  wchar_t title[kMessageUnits];
  FormatString(title, kMessageUnits, L"词条信息 - %s", shown);
  effects.ShowOwnedMessage(owner, text, title, MB_ICONINFORMATION);
}

void LookUpWord(ImeContext* context, const wchar_t* shown, Effects& effects) {
  if (!shown[0]) return;
  wchar_t url[kEncodedUrlUnits + 1];
  CopyStringBounded(url, kEncodedUrlUnits + 1, kDictionaryLookupUrl);
  const int prefix = static_cast<int>(BoundedLength(url, kEncodedUrlUnits));
  UrlPercentEncode(shown, url + prefix, kEncodedUrlUnits + 1 - prefix, UrlEncodeForm::kQueryValue);
  OpenLink(context, url, effects);
}

}  // namespace

int ShowEntryInfo(ImeContext* context, void* owner, int slot, int command, Effects& effects) {
  if (!context || slot < 0 || slot >= kPageSlots || slot >= context->slotsFilled) return 1;
  const int index = context->slotListIndex[slot];
  if (index < 0 || index >= context->candidateCount) return 1;
  wchar_t shown[kSlotTextUnits + 1];
  int shownUnits = context->pageSlots[slot].length;
  shownUnits = shownUnits < 0 ? 0 : (shownUnits > kSlotTextUnits ? kSlotTextUnits : shownUnits);
  std::memcpy(shown, context->pageSlots[slot].text, sizeof(wchar_t) * shownUnits);
  shown[shownUnits] = 0;
  if (command == kEntryInformation) {
    ShowInformation(context, owner, context->candidates[index], shown, effects);
    return 1;
  }
  if (command == kEntryLookUp) {
    LookUpWord(context, shown, effects);
    return 1;
  }
  DataWriteLock lock(context);
  if (!lock.Held()) {
    if (context->candidates[index].kind == kKindMain) TellBusy(owner, effects);
    return 1;
  }
  MainEntry entry;
  if (!GetMainEntry(context, index, &entry)) return 1;  // or temporary, generated, plain
  switch (command) {
    case kEntryMoveUp: SwapWith(context, entry, index - 1); break;
    case kEntryMoveDown: SwapWith(context, entry, index + 1); break;
    case kEntryMoveFirst: RotateRun(context, index, entry, -1); break;
    case kEntryMoveLast: RotateRun(context, index, entry, +1); break;
    case kEntryTogglePinned: SetAttr(context, entry, entry.value ^ EntryAttr::kPinned); break;
    case kEntryToggleSecondary:
      SetAttr(context, entry, EntryAttr::WithCategory(entry.value, EntryAttr::Category(entry.value) == 3 ? 1 : 3));
      break;
    case kEntryDelete: SetAttr(context, entry, entry.value | EntryAttr::kDeleted); break;
    default: break;
  }
  return 1;
}

int ConfirmDeleteEntry(ImeContext* context, void* owner, Effects& effects) {
  if (!context || context->lastCommittedKind != kKindMain ||
      context->lastCommitted.table != kFileMain + 1) {
    return 1;
  }
  MappedFile* main = context->files[kFileMain];
  DmgRecord record;
  if (!IsWritableMapping(main) || !ReadLastCommitted(context, &record)) return 1;
  wchar_t code[kDmgMaxCodeBytes + 1];
  wchar_t word[kDmgMaxCodeBytes + 1];
  CodeBytesToText(record.code, code, kDmgMaxCodeBytes + 1);
  CopyRecordWord(record, word, kDmgMaxCodeBytes + 1);
  const bool deleted = (record.attr & EntryAttr::kDeleted) != 0;
  wchar_t text[kMessageUnits];
  FormatString(text, kMessageUnits, L"编码: %s\r\n词条: %s%s", code, word,
               deleted ? L"\r\n\r\n该词条已被删除，是否取消删除?" : L"\r\n\r\n是否删除这个词条?");
  if (effects.ShowOwnedMessage(owner, text, L"操作提示", MB_YESNO | MB_ICONQUESTION) != IDYES ||
      ContextRetired(context)) {
    return 1;
  }
  // Read again under the lock: the box was modal, and another process may
  // have changed the table meanwhile.
  DataWriteLock lock(context);
  if (!lock.Held() || TableChanging(main)) {
    TellBusy(owner, effects);
    return 1;
  }
  if (!ReadLastCommitted(context, &record)) return 1;
  const uint32_t attr = deleted ? (record.attr & ~EntryAttr::kDeleted) : (record.attr | EntryAttr::kDeleted);
  std::memcpy(main->view + record.offset, &attr, 4);
  NoteTableWritten(main);
  return 1;
}
