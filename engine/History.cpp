// The recent-commit history kept in the ime block of config.dsc: one record
// per commit with the word and the code of each of its characters, split back
// out of the word's code by the word-formation rule.
#include <cstring>

#include "engine/CommandLanguage.h"
#include "engine/DataLock.h"
#include "engine/Search.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

int ClampedCount(const ImeConfigBlock* ime) {
  const int count = ime->recentCommitCount;
  return count < 0 ? 0 : (count > kHistoryRecords ? kHistoryRecords : count);
}

int CharCount(const wchar_t* word) {
  const uint32_t count = CountCodePoints(word);
  return static_cast<int>(count & ~kBrokenPairBit);
}

// The code of a word split back into its characters by the rule for that
// many characters. Elements naming no character 1..16, or a code position
// beyond the 8 units of a code field, are skipped.
void SplitWordCode(const WordFormationRule& rule, const wchar_t* code, int codeLen,
                   RecentCommitRecord* record) {
  int next = 0;
  for (int e = 0; e < 128 && rule.elements[e] && next < codeLen; ++e) {
    const int k = RuleCharacter(rule.elements[e]);
    const int g = RuleCodePosition(rule.elements[e]);
    if (k < 1 || k > kHistoryChars || g > kHistoryCodeUnits) continue;
    wchar_t* field = record->codes[k - 1];
    if (g > 0) {
      field[g - 1] = code[next++];
      continue;
    }
    int at = static_cast<int>(BoundedLength(field, kHistoryCodeUnits));
    while (next < codeLen && at < kHistoryCodeUnits) field[at++] = code[next++];
    break;
  }
}

}  // namespace

uint32_t EntryTableOfKind(uint8_t kind) {
  if (kind == kKindMain) return kFileMain + 1;
  if (kind == kKindTemp) return kFileTemp + 1;
  return 0;
}

bool ReadCandidateRecord(const ImeContext* context, const CandidateItem& item, DmgRecord* out) {
  const uint32_t table = EntryTableOfKind(item.kind);
  if (!context || !table || !item.entry) return false;
  const DmgView view = GetDmgView(context->files[table - 1]);
  if (!view.base || item.entry < view.base || item.entry >= view.base + view.sizeBytes) {
    return false;
  }
  const auto offset = static_cast<uint32_t>(item.entry - view.base);
  return offset >= kDmgOffsetTableOffset && ReadDmgRecordAt(view, offset, out) && out->code;
}

uint32_t RecordCheck(const DmgRecord& record) {
  // FNV-1a over the code and the word; the attribute (order or age) changes
  // without the record becoming another word.
  uint32_t hash = 2166136261u;
  for (uint32_t i = 0; record.code && i + 4 < record.sizeBytes; ++i) {
    hash = (hash ^ record.code[i]) * 16777619u;
  }
  return hash;
}

uint32_t CandidateRecordCheck(const ImeContext* context, const CandidateItem& item) {
  DmgRecord record;
  return ReadCandidateRecord(context, item, &record) ? RecordCheck(record) : 0;
}

bool ReadLastCommitted(const ImeContext* context, DmgRecord* out) {
  if (!context || !context->lastCommitted.table ||
      context->lastCommitted.table > kDataFileCount) {
    return false;
  }
  // Records may have moved since the commit (a grown table moves its lowest
  // record): the offset counts only while the table still lists it there.
  const DmgView view = GetDmgView(context->files[context->lastCommitted.table - 1]);
  DmgRecord record;
  if (!FindListedRecord(view, context->lastCommitted.position, &record) || !record.code) return false;
  *out = record;
  return true;
}

namespace {

// Whether a commit of a code record is recorded: checked alone when only
// that is asked, so a commit builds its record once.
bool EntryRecorded(const ImeContext* context, uint8_t kind, const DmgRecord& entry) {
  if (!context || !context->imeBlock) return false;
  if (context->stateFlags & (kStateEnglish | kStateAssociations)) return false;
  if (kind == kKindMain && EntryAttr::Category(entry.attr) == 4) return false;
  if (!entry.code || entry.codeLen == 0 || entry.wordLenUnits == 0 ||
      entry.wordLenUnits > static_cast<uint32_t>(kHistoryWordUnits)) {
    return false;
  }
  wchar_t head[7];
  return !(CopyRecordWord(entry, head, 7) == 6 && CompareWideChars(head, L"$zncmd", 6) == 0);
}

// The history record of a commit of a code record; false when it is not recorded.
bool BuildEntryRecord(const ImeContext* context, uint8_t kind, const DmgRecord& entry,
                      RecentCommitRecord* record) {
  if (!EntryRecorded(context, kind, entry)) return false;
  std::memset(record, 0, sizeof(*record));
  CopyRecordWord(entry, record->word, kHistoryWordUnits + 1);
  const int chars = CharCount(record->word);
  record->wordUnits = static_cast<uint8_t>(entry.wordLenUnits);
  record->wordChars = static_cast<uint8_t>(chars);

  wchar_t code[kDmgMaxCodeBytes + 1];
  const int codeLen = CodeBytesToText(entry.code, code, kDmgMaxCodeBytes + 1);
  if (chars == 1) {
    for (int i = 0; i < codeLen && i < kHistoryCodeUnits; ++i) record->codes[0][i] = code[i];
  } else if (context->dmeBlock && chars < 31) {
    SplitWordCode(context->dmeBlock->wordRules[chars], code, codeLen, record);
  }
  return true;
}

}  // namespace

// The history lives in config.dsc, which every process shares.
int StoreHistoryRecord(ImeContext* context, const RecentCommitRecord& record) {
  DataWriteLock lock(context);
  if (!lock.Held() || !context->imeBlock) return 0;
  ImeConfigBlock* ime = context->imeBlock;
  int count = ClampedCount(ime);
  if (count == kHistoryRecords) {
    std::memmove(&ime->recentCommits[0], &ime->recentCommits[1],
                 sizeof(RecentCommitRecord) * (kHistoryRecords - 1));
    count = kHistoryRecords - 1;
  }
  ime->recentCommits[count] = record;
  ime->recentCommitCount = count + 1;
  return 1;
}

bool CommitRecorded(const ImeContext* context, int listIndex) {
  if (!context || listIndex < 0 || listIndex >= context->candidateCount) return false;
  const CandidateItem& item = context->candidates[listIndex];
  DmgRecord entry;
  return ReadCandidateRecord(context, item, &entry) && EntryRecorded(context, item.kind, entry);
}

bool BuildCommitRecord(const ImeContext* context, int listIndex, RecentCommitRecord* record) {
  if (!context || listIndex < 0 || listIndex >= context->candidateCount) return false;
  const CandidateItem& item = context->candidates[listIndex];
  DmgRecord entry;
  return ReadCandidateRecord(context, item, &entry) &&
         BuildEntryRecord(context, item.kind, entry, record);
}

int RecordCommit(ImeContext* context, int listIndex) {
  if (!context || !context->imeBlock) return 0;
  DataWriteLock lock(context);
  RecentCommitRecord record;
  if (!lock.Held() || !BuildCommitRecord(context, listIndex, &record)) return 0;
  return StoreHistoryRecord(context, record);
}

int RecordEntryCommit(ImeContext* context, uint8_t kind, const DmgRecord& entry) {
  RecentCommitRecord record;
  if (!BuildEntryRecord(context, kind, entry, &record)) return 0;
  return StoreHistoryRecord(context, record);
}

int JoinRecentCommits(ImeContext* context, int n, wchar_t* text, HistoryCodes* codes) {
  if (text) text[0] = 0;
  if (!context || !context->imeBlock || !text) return 0;
  const ImeConfigBlock* ime = context->imeBlock;
  const int count = ClampedCount(ime);
  if (n <= 0 || n > count) n = count;
  if (codes) std::memset(codes, 0, sizeof(HistoryCodes));
  int gathered = 0;
  int units = 0;
  bool gathering = codes != nullptr;
  for (int r = count - n; r < count; ++r) {
    const RecentCommitRecord& record = ime->recentCommits[r];
    const int wordUnits = static_cast<int>(BoundedLength(record.word, kHistoryWordUnits));
    AppendStringBoundedN(text, kJoinedTextUnits, record.word, static_cast<uint32_t>(wordUnits));
    if (!gathering) continue;
    units += wordUnits;
    if (units > kHistoryChars) {
      gathering = false;
      continue;
    }
    const int chars = record.wordChars < kHistoryChars ? record.wordChars : kHistoryChars;
    for (int c = 0; c < chars && gathered < kHistoryChars; ++c) {
      std::memcpy((*codes)[gathered++], record.codes[c], sizeof(record.codes[c]));
    }
  }
  return gathered;
}
