// The journal of a whole-table change: writing it, rolling a table back or
// rebuilding its index from it, and finding the ones dead writers left.
#include "engine/TableJournal.h"

#include <cstring>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/PlainFile.h"
#include "engine/WideString.h"

namespace {

// A journal names the change it belongs to; the table's change word holds
// the same number while the change runs. Journals of the first layout had
// no number and went with the word 1, which no new change takes.
constexpr uint32_t kJournalMagic = 0x324A4E5A;     // "ZNJ2"
constexpr uint32_t kJournalMagicV1 = 0x314A4E5A;   // "ZNJ1"
constexpr uint32_t kJournalEnd = 0x454A4E5A;       // "ZNJE": the mark of a whole journal
constexpr uint32_t kKindRollback = 1;
constexpr uint32_t kKindIndex = 2;
constexpr uint32_t kMaxKeySetUnits = 1024;
constexpr uint32_t kHeadBytes = 20;    // magic, kind, change number, length before, parts
constexpr uint32_t kHeadBytesV1 = 16;  // magic, kind, length before, parts
constexpr uint32_t kTrailBytes = 8;    // checksum, end mark
constexpr uint32_t kPartHeadBytes = 8;
constexpr uint32_t kChunkBytes = 1u << 24;

// The table this thread is changing, so changes nested in it write nothing.
thread_local const wchar_t* activeTable = nullptr;

bool SamePath(const wchar_t* a, const wchar_t* b) { return a && b && _wcsicmp(a, b) == 0; }

uint32_t Fnv(uint32_t hash, const uint8_t* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 16777619u;
  return hash;
}
constexpr uint32_t kFnvStart = 2166136261u;

uint32_t ChangingWord(const MappedFile* table) {
  if (!table || !table->view || table->size < kDmgChangingOffset + 4) return 0;
  return *reinterpret_cast<const volatile uint32_t*>(table->view + kDmgChangingOffset);
}

void SetChangingWord(MappedFile* table, uint32_t value) {
  if (!IsWritableMapping(table) || table->size < kDmgChangingOffset + 4) return;
  *reinterpret_cast<volatile uint32_t*>(table->view + kDmgChangingOffset) = value;
}

// A number no other change of this table is likely to have had: not 0 (no
// change) and not 1 (a journal of the first layout).
uint32_t NewChangeNumber() {
  static volatile LONG made = 0;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
               (uint64_t{GetCurrentThreadId()} << 16) ^ static_cast<uint64_t>(InterlockedIncrement(&made));
  for (int i = 0; i < 2; ++i) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
  }
  const auto number = static_cast<uint32_t>(x ^ (x >> 32));
  return number > 1 ? number : number + 2;
}

bool JournalPath(const wchar_t* tablePath, wchar_t (&out)[264]) {
  return FormatString(out, 264, L"%s%s", tablePath, kTableJournalSuffix) == S_OK;
}

// Appends bytes and folds them into the checksum.
struct JournalWriter {
  HANDLE file;
  uint32_t hash = kFnvStart;
  bool ok = true;
  void Put(const void* data, uint32_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    hash = Fnv(hash, p, n);
    while (ok && n > 0) {
      DWORD written = 0;
      const DWORD chunk = n > kChunkBytes ? kChunkBytes : n;
      ok = WriteFile(file, p, chunk, &written, nullptr) && written == chunk;
      p += chunk;
      n -= chunk;
    }
  }
  void PutU32(uint32_t v) { Put(&v, 4); }
};

// Writes body, flushes, then writes the mark that makes it valid. Always a
// new file, never written through whatever had the name.
bool WriteJournal(const wchar_t* path, const MappedFile* table, uint32_t number, uint32_t kind,
                  uint32_t partEnd, const wchar_t* keySet) {
  HANDLE file = OpenPlainFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE) {
    // Something has the name: a journal of no change (its writer died
    // before the change began), or whatever anyone put there.
    if (!DeleteFileW(path)) RemoveDirectoryW(path);
    file = OpenPlainFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  JournalWriter w{file};
  w.PutU32(kJournalMagic);
  w.PutU32(kind);
  w.PutU32(number);
  w.PutU32(table->size);
  if (kind == kKindRollback) {
    w.PutU32(1);
    w.PutU32(0);
    w.PutU32(partEnd);
    w.Put(table->view, partEnd);
  } else {
    const uint32_t units = keySet ? BoundedLength(keySet, kMaxKeySetUnits) : 0;
    w.PutU32(units);
    w.Put(keySet, units * 2);
  }
  const uint32_t sum = w.hash;
  bool ok = w.ok && FlushFileBuffers(file);
  if (ok) {
    w.PutU32(sum);
    w.PutU32(kJournalEnd);
    ok = w.ok && FlushFileBuffers(file);
  }
  CloseHandle(file);
  if (!ok) DeleteFileW(path);
  return ok;
}

// A journal's bytes in memory of its own, never more than a valid journal of
// the table could need: a planted file's size decides nothing.
struct JournalBytes {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  JournalBytes() = default;
  JournalBytes(const JournalBytes&) = delete;
  JournalBytes& operator=(const JournalBytes&) = delete;
  ~JournalBytes() {
    if (data) VirtualFree(data, 0, MEM_RELEASE);
  }
  uint32_t U32(uint32_t at) const {
    uint32_t v;
    std::memcpy(&v, data + at, 4);
    return v;
  }
};

enum class JournalRead {
  kMissing,     // no such file: the writer had finished
  kInvalid,     // there, but no journal of this table: nothing to roll back from
  kUnreadable,  // there, but cannot be read now: kept for a later look
  kRead,
};

bool NoSuchFile(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

JournalRead ReadJournal(const wchar_t* path, const MappedFile* table, JournalBytes* out) {
  // No write sharing: the bytes checked are the bytes put back.
  HANDLE file = OpenPlainFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (NoSuchFile(error)) return JournalRead::kMissing;
    // A link or a folder is no journal a writer made, and is never read.
    const DWORD attributes = GetFileAttributesW(path);
    const bool notPlain = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
    return error == ERROR_CANT_ACCESS_FILE || notPlain ? JournalRead::kInvalid : JournalRead::kUnreadable;
  }
  // A change only ever grows its table, so the journal of the table as it
  // was is no longer than the table now with one part's framing.
  const uint64_t most = uint64_t{table->size} + kHeadBytes + kPartHeadBytes + kTrailBytes;
  const uint64_t least = kHeadBytesV1 + kTrailBytes;
  const uint64_t indexMost = kHeadBytes + 2ull * kMaxKeySetUnits + kTrailBytes;
  const uint64_t limit = most > indexMost ? most : indexMost;
  LARGE_INTEGER size;
  JournalRead result = JournalRead::kUnreadable;
  if (!GetFileSizeEx(file, &size)) {
    result = JournalRead::kUnreadable;
  } else if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) < least ||
             static_cast<uint64_t>(size.QuadPart) > limit || size.QuadPart > 0xFFFFFFFFll) {
    result = JournalRead::kInvalid;
  } else {
    out->size = static_cast<uint32_t>(size.QuadPart);
    out->data = static_cast<uint8_t*>(VirtualAlloc(nullptr, out->size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    bool ok = out->data != nullptr;
    for (uint32_t at = 0; ok && at < out->size;) {
      const DWORD want = out->size - at > kChunkBytes ? kChunkBytes : out->size - at;
      DWORD got = 0;
      ok = ReadFile(file, out->data + at, want, &got, nullptr) && got == want;
      at += want;
    }
    result = ok ? JournalRead::kRead : JournalRead::kUnreadable;
  }
  CloseHandle(file);
  return result;
}

// Where a journal's fields lie: the first layout had no change number.
struct JournalHead {
  uint32_t bytes;   // head length
  uint32_t number;  // the change it belongs to
  uint32_t before;  // the table's length before the change
};

// A whole journal (end mark and checksum hold, parts fit) of the change the
// table's word names; a rollback from before the table grew to its length now.
bool ValidJournal(const JournalBytes& b, const MappedFile* table, JournalHead* head) {
  if (b.size < kHeadBytesV1 + kTrailBytes) return false;
  const uint32_t magic = b.U32(0);
  if (magic == kJournalMagic && b.size >= kHeadBytes + kTrailBytes) {
    *head = {kHeadBytes, b.U32(8), b.U32(12)};
  } else if (magic == kJournalMagicV1) {
    *head = {kHeadBytesV1, 1, b.U32(8)};
  } else {
    return false;
  }
  if (head->number != ChangingWord(table)) return false;
  const uint32_t body = b.size - kTrailBytes;
  if (b.U32(body + 4) != kJournalEnd || b.U32(body) != Fnv(kFnvStart, b.data, body)) return false;
  const uint32_t kind = b.U32(4);
  const uint32_t parts = b.U32(head->bytes - 4);
  if (kind == kKindIndex) return parts <= kMaxKeySetUnits && head->bytes + 2ull * parts == body;
  if (kind != kKindRollback || head->before > table->size) return false;
  uint32_t at = head->bytes;
  for (uint32_t i = 0; i < parts; ++i) {
    if (body - at < kPartHeadBytes) return false;
    const uint64_t offset = b.U32(at), length = b.U32(at + 4);
    if (length > body - at - kPartHeadBytes || offset + length > head->before) return false;
    at += kPartHeadBytes + static_cast<uint32_t>(length);
  }
  return at == body;
}

// Puts back what the journal holds; the journal goes last, the change word
// after it. False (journal and word kept) when the journal cannot be read
// now or the table cannot take it now.
bool ApplyJournal(MappedFile* table, const wchar_t* path) {
  // A grown table is seen whole before its journal is measured against it.
  RemapIfResized(table);
  JournalBytes b;
  const JournalRead read = ReadJournal(path, table, &b);
  if (read == JournalRead::kUnreadable) return false;
  JournalHead head{};
  if (read != JournalRead::kRead || !ValidJournal(b, table, &head)) {
    // Nothing to put back from: the word is only set behind a whole journal
    // of its own change, and the writer had finished if there is none.
    if (read != JournalRead::kMissing && !DeleteFileW(path) && !NoSuchFile(GetLastError()))
      RemoveDirectoryW(path);
    SetChangingWord(table, 0);
    return true;
  }
  const wchar_t* outer = activeTable;
  activeTable = table->path;
  bool ok = false;
  if (b.U32(4) == kKindRollback) {
    // A grown table goes back to its length; a view elsewhere may prevent
    // that, and the bytes past the old end then just stay unlisted.
    if (table->size != head.before) ResizeMappedFile(table, head.before);
    ok = IsWritableMapping(table) && table->size >= head.before;
    if (ok) {
      // A rollback cut off part way must still be found by the word.
      uint32_t at = head.bytes;
      for (uint32_t i = 0, parts = b.U32(head.bytes - 4); i < parts; ++i) {
        CopyIntoChangingTable(table, b.U32(at), b.data + at + kPartHeadBytes, b.U32(at + 4));
        at += kPartHeadBytes + b.U32(at + 4);
      }
    }
  } else {
    wchar_t keySet[kMaxKeySetUnits + 1] = {};
    const uint32_t units = b.U32(head.bytes - 4);
    std::memcpy(keySet, b.data + head.bytes, 2 * units);
    ok = RebuildKeyIndex(table, nullptr, units ? keySet : nullptr) != 0;
  }
  activeTable = outer;
  if (!ok) return false;
  FlushMappedFile(table);
  DeleteFileW(path);
  SetChangingWord(table, 0);
  FlushMappedFile(table);
  return true;
}

// A process that may not write the file reads a copy of it (MappedFile.h),
// which it could never put right by the lock: the copy is put back as the
// journal has it, in memory only, and the file is left to a writer.
bool PutCopyBack(MappedFile* table) {
  wchar_t path[264];
  if (!JournalPath(table->path, path)) return false;
  JournalBytes b;
  JournalRead read = ReadJournal(path, table, &b);
  if (read == JournalRead::kMissing) {
    // The change is over and its bytes are in the file: read again. A word
    // still set there is a writer's that died before clearing it.
    if (ReopenMappedFile(table) <= 0) return false;
    if (table->file) return RecoverIfAbandoned(table);
    read = ReadJournal(path, table, &b);
    if (read == JournalRead::kMissing) return true;
  }
  constexpr uint32_t kCopySpare = 10;  // zero bytes a copy keeps behind the file's
  JournalHead head{};
  if (read != JournalRead::kRead || !ValidJournal(b, table, &head) || b.U32(4) != kKindRollback ||
      table->size < kCopySpare || head.before > table->size - kCopySpare) {
    return false;
  }
  uint32_t at = head.bytes;
  for (uint32_t i = 0, parts = b.U32(head.bytes - 4); i < parts; ++i) {
    std::memcpy(table->view + b.U32(at), b.data + at + kPartHeadBytes, b.U32(at + 4));
    at += kPartHeadBytes + b.U32(at + 4);
  }
  std::memset(table->view + head.before, 0, kCopySpare);
  table->size = head.before + kCopySpare;
  return true;
}

bool RollBackCopy(MappedFile* table) {
  const bool done = PutCopyBack(table);
  // Tried once per copy: every later look, on the key path too, stays one
  // load and reads no journal.
  if (!table->file && ChangingWord(table) != 0) std::memset(table->view + kDmgChangingOffset, 0, 4);
  return done;
}

}  // namespace

void CopyIntoChangingTable(MappedFile* table, uint32_t offset, const uint8_t* data, uint32_t length) {
  if (!IsWritableMapping(table) || offset > table->size || length > table->size - offset) return;
  const uint32_t end = offset + length;
  const auto copy = [&](uint32_t from, uint32_t to) {
    if (from < to) std::memcpy(table->view + from, data + (from - offset), to - from);
  };
  copy(offset, end < kDmgChangingOffset ? end : kDmgChangingOffset);
  copy(offset > kDmgChangingOffset + 4 ? offset : kDmgChangingOffset + 4, end);
}

TableChange::TableChange(MappedFile* table, TableChangeScope scope) : table_(table) {
  Begin(scope, nullptr, false);
}

TableChange::TableChange(MappedFile* table, const wchar_t* keySet) : table_(table) {
  Begin(TableChangeScope::kHeader, keySet, true);
}

void TableChange::Begin(TableChangeScope scope, const wchar_t* keySet, bool indexOnly) {
  if (!IsWritableMapping(table_)) return;
  if (SamePath(activeTable, table_->path)) {
    ready_ = true;
    return;
  }
  // A dead writer's change is dealt with before this one is recorded; one
  // that could not be undone keeps its journal, and this change waits.
  if (!TableReadyForWrite(table_) || !JournalPath(table_->path, journal_)) return;
  uint32_t end = table_->size;
  if (scope != TableChangeScope::kWholeFile) {
    uint32_t count = 0;
    DmgLoadU32(table_->view, table_->size, kDmgCountOffset, &count);
    uint64_t want = kDmgOffsetTableOffset;
    if (scope == TableChangeScope::kHeaderAndSlots) want += 4ull * count;
    if (want < end) end = static_cast<uint32_t>(want);
  }
  const uint32_t number = NewChangeNumber();
  if (!WriteJournal(journal_, table_, number, indexOnly ? kKindIndex : kKindRollback, end, keySet)) return;
  SetChangingWord(table_, number);
  outer_ = activeTable;
  activeTable = table_->path;
  owner_ = ready_ = true;
}

TableChange::~TableChange() {
  if (!owner_) return;
  activeTable = outer_;
  if (done_) {
    FlushMappedFile(table_);
    DeleteFileW(journal_);
    SetChangingWord(table_, 0);
  } else {
    ApplyJournal(table_, journal_);
  }
}

bool RecoverIfAbandoned(MappedFile* table) {
  if (ChangingWord(table) == 0 || SamePath(activeTable, table->path)) return false;
  if (!table->file) return RollBackCopy(table);
  if (!IsWritableMapping(table)) return false;
  DataWriteLock lock(table, 0);
  if (!lock.Held() || ChangingWord(table) == 0) return false;
  wchar_t journal[264];
  if (!JournalPath(table->path, journal)) return false;
  return ApplyJournal(table, journal);
}

bool TableReadyForWrite(MappedFile* table) {
  if (!IsWritableMapping(table)) return false;
  if (SamePath(activeTable, table->path)) return true;
  RecoverIfAbandoned(table);
  return IsWritableMapping(table) && ChangingWord(table) == 0;
}

bool PrepareTableForWrite(MappedFile* table) {
  if (!TableReadyForWrite(table)) return false;
  RemapIfResized(table);
  return IsWritableMapping(table);
}

bool TableChanging(const MappedFile* table) {
  return ChangingWord(table) != 0 && !SamePath(activeTable, table->path);
}

void RemoveStaleJournal(const MappedFile* table) {
  wchar_t journal[264];
  if (!table || ChangingWord(table) != 0 || SamePath(activeTable, table->path) ||
      !JournalPath(table->path, journal))
    return;
  if (!DeleteFileW(journal) && !NoSuchFile(GetLastError())) RemoveDirectoryW(journal);
}
