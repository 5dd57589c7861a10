// The compiler: parse (records in a mapped scratch file) -> drop duplicates
// (AVL tree) -> convert codes -> write records in parse order -> sort the
// offset table -> build the two-letter index.
#include "codetable/DmgMake.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "codetable/TableFiles.h"
#include "codetable/WordTree.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kInitialTextCapacity = 32;
constexpr uint32_t kMaxLineEstimate = 0x7FFFFFFFu / sizeof(DmgSourceRecord);
constexpr wchar_t kUnusableCode[] = L"无法识别的编码定义: %s %s";
constexpr wchar_t kTableSummary[] =
    L"　　码表信息: \r\n　　  码表大小: %d字节\r\n　　  原始码表行数: %d\r\n　　  有效编码行数: %d";

int CompareSourceRecords(const void* a, const void* b, void* /*context*/) {
  auto* x = static_cast<const DmgSourceRecord*>(a);
  auto* y = static_cast<const DmgSourceRecord*>(b);
  int c = CompareWideStrings(x->code, y->code, nullptr);
  return c != 0 ? c : CompareWideStrings(x->word, y->word, nullptr);
}

uint32_t CountCarriageReturns(const wchar_t* text, uint32_t lenUnits) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < lenUnits; ++i) n += text[i] == L'\r';
  return n;
}

// Code text to length-prefixed bytes; 0 when the code cannot be stored (empty,
// longer than kMaxCodeBytes, or holding a unit that converts to byte 0).
uint32_t ConvertCode(const CDmgMake* make, const wchar_t* code, uint8_t* out) {
  int len = (make->ops && make->ops->codeToBytes) ? make->ops->codeToBytes(code, out)
                                                  : CodeTextToBytes(code, out);
  if (len < 1 || static_cast<uint32_t>(len) > kMaxCodeBytes) return 0;
  for (int i = 1; i <= len; ++i) {
    if (out[i] == 0) return 0;
  }
  return static_cast<uint32_t>(len);
}

void ReportDropped(CDmgMake* make, const DmgSourceRecord& rec) {
  wchar_t message[600];
  FormatString(message, 600, kUnusableCode, rec.word, rec.code);
  ReportProgress(make->progress, message, 0, 0);
}

// Step 1 of writing: sizes, key bytes and the records that cannot be stored.
void ConvertRecords(CDmgMake* make) {
  if (make->converted) return;
  uint8_t bytes[260];
  uint32_t total = 0;
  uint32_t parsed = static_cast<uint32_t>(make->parsedCount);
  for (uint32_t i = 0; i < parsed; ++i) {
    DmgSourceRecord& rec = make->records[i];
    if (rec.flags & kSourceDropped) continue;
    uint32_t len = ConvertCode(make, rec.code, bytes);
    if (len == 0 || rec.wordLen == 0 || rec.wordLen > kMaxWordUnits) {
      ReportDropped(make, rec);
      rec.flags |= kSourceDropped;
      continue;
    }
    total += 6 + len + 2u * rec.wordLen;
    for (uint32_t k = 1; k <= len; ++k) {
      if (bytes[k] < 128) make->keyBytes[bytes[k]] = true;
    }
    ReportProgress(make->progress, nullptr, i + 1, parsed);
  }
  make->totalRecordBytes = total;
  make->converted = true;
}

// The set of code characters to index, from the bytes the codes hold.
void KeySetText(const CDmgMake* make, wchar_t* out) {
  uint32_t n = 0;
  for (uint32_t b = 1; b < 128; ++b) {
    if (make->keyBytes[b]) out[n++] = static_cast<wchar_t>(b < 0x20 ? 0xFF00 + b : b);
  }
  out[n] = L'\0';
}

}  // namespace

CDmgMake* CreateDmgMake() {
  auto* make = new (std::nothrow) CDmgMake{};
  if (!make) return nullptr;
  make->header.category = 1;
  ResetOrderCounters(&make->header, kDefaultOrderCounter);
  return make;
}

int AddDmgSource(CDmgMake* make, DecodedText text) {
  if (!make || !text) return 0;
  const uint32_t returns = CountCarriageReturns(text.Text(), text.LenUnits());
  try {
    if (make->texts.capacity() == 0) make->texts.reserve(kInitialTextCapacity);
    make->texts.push_back(std::move(text));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  uint64_t estimate = static_cast<uint64_t>(make->lineEstimate) + returns + 1;
  make->lineEstimate = estimate > kMaxLineEstimate ? kMaxLineEstimate : static_cast<uint32_t>(estimate);
  return 1;
}

int AddDmgSourceFile(CDmgMake* make, const wchar_t* path) {
  DecodedText text;
  int rc = ReadWholeTextFile(path, &text);
  if (rc != kReadTextDone) return rc;
  return AddDmgSource(make, std::move(text)) ? kReadTextDone : kReadTextNoMemory;
}

int ParseSources(CDmgMake* make) {
  if (!make || make->texts.empty() || make->lineEstimate == 0) return 0;
  wchar_t path[260];
  if (!MakeTempFilePath(kScratchFileName, path, make->scratchFolder)) return 0;
  CloseMappedFile(make->scratch, 0);
  make->scratch = nullptr;
  if (!CreateMappedFile(&make->scratch, path, make->lineEstimate * sizeof(DmgSourceRecord))) return 0;
  make->records = reinterpret_cast<DmgSourceRecord*>(make->scratch->view);
  make->parsedCount = 0;
  make->rejectedCount = 0;
  ResetOrderCounters(&make->header, kDefaultOrderCounter);
  uint32_t linesRead = 0;
  for (DecodedText& src : make->texts) {
    ParseConfigHeader(&make->header, src.Text(), src.LenUnits());
    uint32_t pos = 0;
    wchar_t* line = nullptr;
    uint32_t units = 0;
    while (NextCompilerLine(src.Text(), src.LenUnits(), &pos, &line, &units)) {
      ++linesRead;
      LineKind kind = ClassifyCompilerLine(&line, &units);
      if (kind == LineKind::kEntry) {
        bool room = static_cast<uint32_t>(make->parsedCount) < make->lineEstimate;
        if (room && ParseDefinitionLine(line, &make->records[make->parsedCount], &make->header)) {
          ++make->parsedCount;
        } else {
          ++make->rejectedCount;
        }
      }
      ReportProgress(make->progress, nullptr, linesRead, make->lineEstimate);
    }
  }
  return make->parsedCount;
}

int BuildDmg(CDmgMake* make) {
  int parsed = ParseSources(make);
  if (parsed <= 0) return 0;
  WordTreeNode* root = nullptr;
  uint32_t unique = 0;
  for (int i = 0; i < parsed; ++i) {
    DmgSourceRecord* rec = &make->records[i];
    if (InsertWordTreeNode(&root, rec, CompareSourceRecords, nullptr)) {
      ++unique;
    } else {
      rec->flags |= kSourceDropped;  // the first of equal records stays
    }
    ReportProgress(make->progress, nullptr, static_cast<uint32_t>(i + 1), static_cast<uint32_t>(parsed));
  }
  ReleaseWordTree(root, false);
  make->uniqueCount = unique;
  make->converted = false;
  return parsed;
}

int WriteDmg(CDmgMake* make) {
  if (!make || !make->records || make->uniqueCount == 0 || !make->outputPath[0]) return 0;
  ConvertRecords(make);
  wchar_t summary[256];
  FormatString(summary, 256, kTableSummary, make->totalRecordBytes, make->lineEstimate,
               make->uniqueCount);
  ReportProgress(make->progress, summary, 0, 0);

  uint64_t edge = 4ull * make->uniqueCount + kDmgRecordBase;
  uint64_t fileSize = edge + make->totalRecordBytes;
  if (fileSize > 0x7FFFFFFFull) return 0;
  MappedFile* table = nullptr;
  if (!CreateMappedFile(&table, make->outputPath, static_cast<uint32_t>(fileSize))) return 0;
  uint8_t* base = table->view;
  DmgHeader header{};
  header.edge = static_cast<uint32_t>(edge);
  header.type = kDmgTypeCode;
  const wchar_t* name = make->tableName[0] ? make->tableName : kDefaultTableName;
  for (int i = 0; i < 15 && name[i]; ++i) header.name[i] = static_cast<char16_t>(name[i]);
  std::memcpy(header.tag, "YNSN", 4);
  header.userState74 = 100;
  std::memcpy(base, &header, kDmgKeyIndexOffset);

  uint8_t bytes[260];
  uint32_t pos = header.edge;
  uint32_t written = 0;
  uint32_t parsed = static_cast<uint32_t>(make->parsedCount);
  for (uint32_t i = 0; i < parsed; ++i) {
    const DmgSourceRecord& rec = make->records[i];
    if (rec.flags & kSourceDropped) continue;
    uint32_t len = ConvertCode(make, rec.code, bytes);
    uint32_t size = 6 + len + 2u * rec.wordLen;
    if (len == 0 || pos + size > fileSize || written >= make->uniqueCount) break;
    std::memcpy(base + pos, &rec.attr, 4);
    std::memcpy(base + pos + 4, bytes, 1 + len);
    base[pos + 5 + len] = rec.wordLen;
    std::memcpy(base + pos + 6 + len, rec.word, 2u * rec.wordLen);
    std::memcpy(base + kDmgOffsetTableOffset + 4 * written, &pos, 4);
    pos += size;
    ++written;
  }
  std::memcpy(base + kDmgCountOffset, &written, 4);
  make->writtenCount = written;

  wchar_t keySet[128];
  KeySetText(make, keySet);
  int ok = SortOffsetTable(table, make->ops) && RebuildKeyIndex(table, make->ops, keySet);
  CloseMappedFile(table, 1);
  return ok ? 1 : 0;
}

void FreeDmgMake(CDmgMake* make) {
  if (!make) return;
  CloseMappedFile(make->scratch, 0);
  delete make;
}

int CompileTableFiles(const wchar_t* const* sources, int sourceCount, const wchar_t* outputPath,
                      ProgressReporter* progress, const wchar_t* scratchFolder) {
  CDmgMake* make = CreateDmgMake();
  if (!make) return 0;
  make->progress = progress;
  CopyStringBounded(make->outputPath, 260, outputPath);
  if (scratchFolder) CopyStringBounded(make->scratchFolder, 260, scratchFolder);
  int result = 0;
  bool read = true;
  for (int i = 0; i < sourceCount && read; ++i) read = AddDmgSourceFile(make, sources[i]) == kReadTextDone;
  if (read && BuildDmg(make) && WriteDmg(make)) result = static_cast<int>(make->writtenCount);
  FreeDmgMake(make);
  return result;
}
