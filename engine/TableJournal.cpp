// The journal of a whole-table change: writing it, rolling a table back or
// rebuilding its index from it, and finding the ones dead writers left.
#include "engine/TableJournal.h"

#include <cstring>
#include <vector>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kJournalMagic = 0x314A4E5A;  // "ZNJ1"
constexpr uint32_t kJournalEnd = 0x454A4E5A;    // "ZNJE": the mark of a whole journal
constexpr uint32_t kKindRollback = 1;
constexpr uint32_t kKindIndex = 2;
constexpr uint32_t kMaxKeySetUnits = 1024;
constexpr uint32_t kHeadBytes = 16;   // magic, kind, length before, parts
constexpr uint32_t kTrailBytes = 8;   // checksum, end mark

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

bool JournalPath(const wchar_t* tablePath, wchar_t (&out)[264]) {
  return FormatString(out, 264, L"%s%s", tablePath, kTableJournalSuffix) == S_OK;
}

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

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
      const DWORD chunk = n > (1u << 24) ? (1u << 24) : n;
      ok = WriteFile(file, p, chunk, &written, nullptr) && written == chunk;
      p += chunk;
      n -= chunk;
    }
  }
  void PutU32(uint32_t v) { Put(&v, 4); }
};

// Writes body, flushes, then writes the mark that makes it valid.
bool WriteJournal(const wchar_t* path, const MappedFile* table, uint32_t kind, uint32_t partEnd,
                  const wchar_t* keySet) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  JournalWriter w{file};
  w.PutU32(kJournalMagic);
  w.PutU32(kind);
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

std::vector<uint8_t> ReadJournal(const wchar_t* path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= kHeadBytes + kTrailBytes &&
      size.QuadPart <= 0x7FFFFFFF) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size()) {
      bytes.clear();
    }
  }
  CloseHandle(file);
  return bytes;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A journal whose end mark and checksum hold, and whose parts fit it.
bool ValidJournal(const std::vector<uint8_t>& b) {
  if (b.size() < kHeadBytes + kTrailBytes || U32(b, 0) != kJournalMagic) return false;
  const size_t body = b.size() - kTrailBytes;
  if (U32(b, body + 4) != kJournalEnd || U32(b, body) != Fnv(kFnvStart, b.data(), static_cast<uint32_t>(body)))
    return false;
  const uint32_t kind = U32(b, 4);
  const uint32_t parts = U32(b, 12);
  if (kind == kKindIndex) return parts <= kMaxKeySetUnits && kHeadBytes + 2ull * parts == body;
  if (kind != kKindRollback) return false;
  size_t at = kHeadBytes;
  for (uint32_t i = 0; i < parts; ++i) {
    if (body - at < 8) return false;
    const uint64_t offset = U32(b, at), length = U32(b, at + 4);
    if (length > body - at - 8 || offset + length > U32(b, 8)) return false;
    at += 8 + length;
  }
  return at == body;
}

// Puts back what the journal holds; the journal goes last, the change word
// after it. False (journal kept) when the table cannot take it now.
bool ApplyJournal(MappedFile* table, const wchar_t* path) {
  const std::vector<uint8_t> b = ReadJournal(path);
  if (!ValidJournal(b)) {
    // Nothing to put back from: the mark is only set behind a whole journal.
    DeleteFileW(path);
    SetChangingWord(table, 0);
    return true;
  }
  const wchar_t* outer = activeTable;
  activeTable = table->path;
  bool ok = false;
  if (U32(b, 4) == kKindRollback) {
    const uint32_t before = U32(b, 8);
    // A grown table goes back to its length; a view elsewhere may prevent
    // that, and the bytes past the old end then just stay unlisted.
    RemapIfResized(table);
    if (table->size != before) ResizeMappedFile(table, before);
    ok = IsWritableMapping(table) && table->size >= before;
    if (ok) {
      // A rollback cut off part way must still be found by the word.
      size_t at = kHeadBytes;
      for (uint32_t i = 0, parts = U32(b, 12); i < parts; ++i) {
        CopyIntoChangingTable(table, U32(b, at), b.data() + at + 8, U32(b, at + 4));
        at += 8 + U32(b, at + 4);
      }
    }
  } else {
    wchar_t keySet[kMaxKeySetUnits + 1] = {};
    const uint32_t units = U32(b, 12);
    std::memcpy(keySet, b.data() + kHeadBytes, 2 * units);
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
  if (!FileExists(path)) {
    // The change is over and its bytes are in the file: read again. A word
    // still set there is a writer's that died before clearing it.
    if (ReopenMappedFile(table) <= 0) return false;
    if (table->file) return RecoverIfAbandoned(table);
    if (!FileExists(path)) return true;
  }
  const std::vector<uint8_t> b = ReadJournal(path);
  constexpr uint32_t kCopySpare = 10;  // zero bytes a copy keeps behind the file's
  if (!ValidJournal(b) || U32(b, 4) != kKindRollback || table->size < kCopySpare ||
      U32(b, 8) > table->size - kCopySpare) {
    return false;
  }
  const uint32_t before = U32(b, 8);
  size_t at = kHeadBytes;
  for (uint32_t i = 0, parts = U32(b, 12); i < parts; ++i) {
    std::memcpy(table->view + U32(b, at), b.data() + at + 8, U32(b, at + 4));
    at += 8 + U32(b, at + 4);
  }
  std::memset(table->view + before, 0, kCopySpare);
  table->size = before + kCopySpare;
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
  // A dead writer's change is dealt with before this one is recorded.
  RecoverIfAbandoned(table_);
  if (!IsWritableMapping(table_) || !JournalPath(table_->path, journal_)) return;
  uint32_t end = table_->size;
  if (scope != TableChangeScope::kWholeFile) {
    uint32_t count = 0;
    DmgLoadU32(table_->view, table_->size, kDmgCountOffset, &count);
    uint64_t want = kDmgOffsetTableOffset;
    if (scope == TableChangeScope::kHeaderAndSlots) want += 4ull * count;
    if (want < end) end = static_cast<uint32_t>(want);
  }
  if (!WriteJournal(journal_, table_, indexOnly ? kKindIndex : kKindRollback, end, keySet)) return;
  SetChangingWord(table_, 1);
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
  if (!FileExists(journal)) {
    // The writer had finished: its journal was gone.
    SetChangingWord(table, 0);
    return true;
  }
  return ApplyJournal(table, journal);
}
