// Whole-table rewrites. Other processes read these tables while we write, so
// each rewrite takes the data folder's lock, has a dead writer's change
// undone before it reads anything, journals what it overwrites, first hides
// the records (count 0), then moves bytes, and sets edge and count last.
#include "codetable/TableFiles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/DataLock.h"
#include "engine/PlainFile.h"
#include "engine/TableJournal.h"
#include "engine/TextDecoder.h"
#include "engine/WideString.h"

namespace {

void StoreU32(MappedFile* table, uint32_t offset, uint32_t value) {
  DmgStoreU32(table->view, table->size, offset, value);
}

uint32_t LoadU32(const MappedFile* table, uint32_t offset) {
  uint32_t v = 0;
  DmgLoadU32(table->view, table->size, offset, &v);
  return v;
}

void Flush(MappedFile* table) {
  if (IsWritableMapping(table)) FlushViewOfFile(table->view, table->size);
}

int CompareRecords(const DmgRecord& a, const DmgRecord& b, const RecordCompareOps* ops) {
  if (!a.code || !b.code) return CompareWords(a.word, b.word);
  if (ops && ops->compareCodes) {
    int c = ops->compareCodes(a.code, b.code);
    return c != 0 ? c : CompareWords(a.word, b.word);
  }
  return CompareDmgRecords(a.code, b.code);
}

// The records of a table in offset-table order; false when any is bad.
bool CollectRecords(const DmgView& view, std::vector<DmgRecord>* out) {
  out->clear();
  out->reserve(view.countRecords);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, i, &rec)) return false;
    out->push_back(rec);
  }
  return true;
}

}  // namespace

uint32_t CreateMappedFile(MappedFile** out, const wchar_t* path, uint32_t sizeBytes) {
  if (!out) return 0;
  *out = nullptr;
  if (!path || !path[0] || sizeBytes == 0) return 0;
  auto* mf = static_cast<MappedFile*>(GlobalAlloc(GPTR, sizeof(MappedFile)));
  if (!mf) return 0;
  // Made new: a name planted where a temporary table goes is never filled.
  HANDLE file = CreateNewPlainFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  HANDLE mapping = nullptr;
  void* view = nullptr;
  if (file != INVALID_HANDLE_VALUE) {
    LARGE_INTEGER pos;
    pos.QuadPart = sizeBytes;
    if (SetFilePointerEx(file, pos, nullptr, FILE_BEGIN) && SetEndOfFile(file)) {
      mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, sizeBytes, nullptr);
      if (mapping) view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeBytes);
    }
  }
  if (!view) {
    if (mapping) CloseHandle(mapping);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    GlobalFree(mf);
    return 0;
  }
  mf->size = sizeBytes;
  mf->file = file;
  mf->mapping = mapping;
  mf->view = static_cast<uint8_t*>(view);
  CopyStringBounded(mf->path, 260, path);
  *out = mf;
  return sizeBytes;
}

uint32_t MakeTempFilePath(const wchar_t* name, wchar_t* out, const wchar_t* folder) {
  if (!out) return 0;
  out[0] = L'\0';
  if (!name) return 0;
  wchar_t base[MAX_PATH + 1] = {};
  if (folder && folder[0]) {
    if (FAILED(CopyStringBounded(base, MAX_PATH, folder))) return 0;
  } else {
    DWORD n = GetTempPathW(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) return 0;
  }
  uint32_t len = BoundedLength(base, MAX_PATH);
  if (len > 0 && base[len - 1] != L'\\' && base[len - 1] != L'/') {
    base[len++] = L'\\';
    base[len] = L'\0';
  }
  uint32_t nameLen = BoundedLength(name, MAX_PATH);
  if (len + nameLen >= MAX_PATH) return 0;
  std::memcpy(out, base, len * sizeof(wchar_t));
  std::memcpy(out + len, name, nameLen * sizeof(wchar_t));
  out[len + nameLen] = L'\0';
  return len + nameLen;
}

int ReadWholeTextFile(const wchar_t* path, DecodedText* text) {
  *text = DecodedText();
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kReadTextCannotOpen;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFF0) {
    CloseHandle(file);
    return kReadTextCannotOpen;
  }
  uint32_t bytes = static_cast<uint32_t>(size.QuadPart);
  auto* data = static_cast<uint8_t*>(std::calloc(bytes + 2, 1));
  if (!data) {
    CloseHandle(file);
    return kReadTextNoMemory;
  }
  DWORD got = 0;
  bool ok = bytes == 0 || (ReadFile(file, data, bytes, &got, nullptr) && got == bytes);
  CloseHandle(file);
  if (!ok) {
    std::free(data);
    return kReadTextCannotOpen;
  }
  const bool decoded = text->Decode(data, bytes);
  std::free(data);
  return decoded ? kReadTextDone : kReadTextNoMemory;
}

int SortOffsetTable(MappedFile* table, const RecordCompareOps* ops) {
  DataWriteLock lock(table);
  if (!lock.Held() || !PrepareTableForWrite(table)) return 0;
  DmgView view = GetDmgView(table);
  if (!view.base || view.sizeBytes < kDmgOffsetTableOffset) return 0;
  std::vector<DmgRecord> good;
  std::vector<uint32_t> bad;
  good.reserve(view.countRecords);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (ReadDmgRecord(view, i, &rec)) {
      good.push_back(rec);
    } else {
      bad.push_back(DmgRecordOffset(view, i));
    }
  }
  const auto before = [ops](const DmgRecord& a, const DmgRecord& b) {
    return CompareRecords(a, b, ops) < 0;
  };
  if (bad.empty() && std::is_sorted(good.begin(), good.end(), before)) return 1;
  std::sort(good.begin(), good.end(), before);
  TableChange change(table, TableChangeScope::kHeaderAndSlots);
  if (!change.Ready()) return 0;
  uint32_t pos = kDmgOffsetTableOffset;
  for (const DmgRecord& rec : good) {
    StoreU32(table, pos, rec.offset);
    pos += 4;
  }
  for (uint32_t off : bad) {
    StoreU32(table, pos, off);
    pos += 4;
  }
  Flush(table);
  change.Done();
  return 1;
}

bool IsTableConsistent(const MappedFile* table) {
  DmgView view = GetDmgView(table);
  if (!view.base || view.sizeBytes < kDmgOffsetTableOffset) return false;
  uint32_t edge = LoadU32(table, kDmgEdgeOffset);
  uint32_t count = LoadU32(table, kDmgCountOffset);
  if (count != view.countRecords) return false;
  if (edge > view.sizeBytes || static_cast<uint64_t>(kDmgOffsetTableOffset) + 4ull * count > edge)
    return false;
  for (uint32_t i = 0; i < count; ++i) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, i, &rec) || rec.offset < edge) return false;
  }
  return true;
}

int PurgeCategoryEntries(MappedFile* table, uint32_t categoryMask) {
  DataWriteLock lock(table);
  if (!lock.Held() || !PrepareTableForWrite(table)) return 0;
  DmgView view = GetDmgView(table);
  std::vector<DmgRecord> records;
  if (!view.base || view.sizeBytes < kDmgRecordBase || !CollectRecords(view, &records)) return 0;
  std::vector<uint8_t> kept;
  std::vector<uint32_t> keptSizes;
  for (const DmgRecord& rec : records) {
    uint32_t category = (rec.attr >> 24) & 0x1F;
    if (categoryMask & (1u << category)) continue;
    kept.insert(kept.end(), view.base + rec.offset, view.base + rec.offset + rec.sizeBytes);
    keptSizes.push_back(rec.sizeBytes);
  }
  if (keptSizes.size() == records.size()) return 1;  // nothing matched: untouched
  uint32_t size = table->size;
  uint32_t keptCount = static_cast<uint32_t>(keptSizes.size());
  uint32_t newEdge = size - static_cast<uint32_t>(kept.size());
  if (newEdge < kDmgOffsetTableOffset + 4 * keptCount) return 0;
  TableChange change(table, TableChangeScope::kWholeFile);
  if (!change.Ready()) return 0;
  StoreU32(table, kDmgCountOffset, 0);
  std::memcpy(table->view + newEdge, kept.data(), kept.size());
  uint32_t at = newEdge;
  for (uint32_t i = 0; i < keptCount; ++i) {
    StoreU32(table, kDmgOffsetTableOffset + 4 * i, at);
    at += keptSizes[i];
  }
  StoreU32(table, kDmgEdgeOffset, keptCount ? newEdge : size);
  StoreU32(table, kDmgCountOffset, keptCount);
  // In the same change: an index of the old records points past the new ones.
  if (IsKeyIndexValid(GetDmgView(table)) && !RebuildKeyIndex(table, nullptr, nullptr)) return 0;
  Flush(table);
  change.Done();
  return 1;
}

int EmptyTable(MappedFile* table) {
  DataWriteLock lock(table);
  if (!lock.Held() || !PrepareTableForWrite(table) || table->size < kDmgOffsetTableOffset) return 0;
  TableChange change(table, TableChangeScope::kHeader);
  if (!change.Ready()) return 0;
  StoreU32(table, kDmgCountOffset, 0);
  StoreU32(table, kDmgEdgeOffset, table->size);
  std::memset(table->view + kDmgKeyIndexOffset, 0, kDmgKeyIndexBytes);
  Flush(table);
  change.Done();
  return 1;
}

int CreateEmptyTempTable(const wchar_t* path) {
  MappedFile* table = nullptr;
  if (!CreateMappedFile(&table, path, kTempTableBytes)) return 0;
  const int ok = WriteEmptyTempTable(table->view, table->size) == kTempTableBytes;
  Flush(table);
  CloseMappedFile(table, 1);
  return ok;
}

int ReplaceLiveTable(MappedFile* live, const MappedFile* fresh) {
  DataWriteLock lock(live);
  if (!lock.Held() || !PrepareTableForWrite(live) || !IsTableConsistent(fresh)) return 0;
  DmgView view = GetDmgView(fresh);
  uint32_t freshEdge = LoadU32(fresh, kDmgEdgeOffset);
  uint32_t freshSize = fresh->size;
  uint32_t count = view.countRecords;
  TableChange change(live, TableChangeScope::kWholeFile);
  if (!change.Ready()) return 0;
  if (live->size < freshSize && !ResizeMappedFile(live, freshSize)) return 0;
  uint32_t d = live->size - freshSize;
  StoreU32(live, kDmgCountOffset, 0);
  std::memcpy(live->view + freshEdge + d, fresh->view + freshEdge, freshSize - freshEdge);
  for (uint32_t i = 0; i < count; ++i) {
    StoreU32(live, kDmgOffsetTableOffset + 4 * i, DmgRecordOffset(view, i) + d);
  }
  std::memcpy(live->view + kDmgKeyIndexOffset, fresh->view + kDmgKeyIndexOffset, kDmgKeyIndexBytes);
  StoreU32(live, kDmgEdgeOffset, freshEdge + d);
  StoreU32(live, kDmgCountOffset, count);
  Flush(live);
  change.Done();
  return 1;
}
