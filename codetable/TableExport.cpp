// Export: select records, order them for reading, write header lines and one
// escaped entry line per record.
#include "codetable/TableExport.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/PlainFile.h"
#include "engine/WideString.h"

namespace {

constexpr size_t kFlushUnits = 1u << 16;

void Append(ExportContext* ctx, const wchar_t* text) {
  while (*text) ctx->pending.push_back(*text++);
}

void AppendFormat(ExportContext* ctx, const wchar_t* format, const wchar_t* s, int n = 0) {
  wchar_t line[256];
  if (s) {
    FormatString(line, 256, format, s);
  } else {
    FormatString(line, 256, format, n);
  }
  Append(ctx, line);
}

void AppendWord(ExportContext* ctx, const DmgRecord& rec) {
  for (uint32_t i = 0; i < rec.wordLenUnits; ++i) {
    wchar_t u = RecordWordUnit(rec, i);
    if (u == L'\r') {
      if (i + 1 < rec.wordLenUnits && RecordWordUnit(rec, i + 1) == L'\n') ++i;
      Append(ctx, L"\\r");
    } else if (u == L'\n') {
      Append(ctx, L"\\r");
    } else if (u == L'\t') {
      Append(ctx, L"\\t");
    } else if (u == L'\\') {
      Append(ctx, L"\\\\");
    } else {
      ctx->pending.push_back(u);
    }
  }
}

void AppendCode(ExportContext* ctx, const DmgRecord& rec) {
  if (ctx->ops && ctx->ops->bytesToCode) {
    wchar_t text[260];
    ctx->ops->bytesToCode(rec.code, text, 260);
    Append(ctx, text);
    return;
  }
  for (uint32_t i = 0; i < rec.codeLen; ++i) {
    uint8_t b = rec.code[1 + i];
    if (b >= 0x80) break;
    ctx->pending.push_back(b < 0x20 ? static_cast<wchar_t>(0xFF00 + b) : static_cast<wchar_t>(b));
  }
}

void AppendTags(ExportContext* ctx, uint32_t attr) {
  if (attr & EntryAttr::kDeleted) Append(ctx, L"#已删除");
  if ((attr & EntryAttr::kPinned) && ctx->selector != kExportPinned) Append(ctx, L"#固");
  if (ctx->selector <= 0) {
    uint32_t category = EntryAttr::Category(attr);
    if (category == 2) Append(ctx, L"#用");
    if (category == 3) Append(ctx, L"#次");
    if (category == 4) Append(ctx, L"#辅");
    if (category >= 16 && category <= 31) AppendFormat(ctx, L"#类%d", nullptr, static_cast<int>(category - 15));
  }
  if (EntryAttr::Order(attr) != 0 && ctx->selector >= 0) {
    AppendFormat(ctx, L"#序%d", nullptr, static_cast<int>(EntryAttr::Order(attr)));
  }
}

bool Selected(const DmgRecord& rec, int32_t selector, const uint32_t* flags) {
  uint32_t category = EntryAttr::Category(rec.attr);
  if (selector <= 0) return !flags || category >= 32 || (flags[category] & kCategoryEditable);
  if (selector <= 31) return category == static_cast<uint32_t>(selector);
  if (selector == kExportPinned) return (rec.attr & EntryAttr::kPinned) != 0;
  return true;
}

// A name fills its nine units without a terminator when it is that long.
std::wstring NameOf(const CategoryNames& names, int category) {
  return std::wstring(names[category], BoundedLength(names[category], 9));
}

void AppendHeaderLines(ExportContext* ctx, int32_t selector, const CategoryNames* names,
                       const uint32_t* flags) {
  static const wchar_t* const kCategoryLines[] = {
      nullptr, L"---config@码表分类=主码-系统码表\r\n", L"---config@码表分类=主码-用户码表\r\n",
      L"---config@码表分类=主码-次显码表\r\n", L"---config@码表分类=辅码码表\r\n"};
  if (selector == 0) {
    if (!names || !flags) return;
    const CategoryNames& n = *names;
    AppendFormat(ctx, L"---config@主码别名=%s\r\n", NameOf(n, 0).c_str());
    if (flags[1] & kCategoryEditable) AppendFormat(ctx, L"---config@主码-系统码表别名=%s\r\n", NameOf(n, 1).c_str());
    if (n[2][0]) AppendFormat(ctx, L"---config@主码-用户码表别名=%s\r\n", NameOf(n, 2).c_str());
    if ((flags[3] & kCategoryEditable) && n[3][0]) AppendFormat(ctx, L"---config@主码-次显码表别名=%s\r\n", NameOf(n, 3).c_str());
    for (int c = 16; c <= 31 && n[c][0]; ++c) {
      if (!(flags[c] & kCategoryEditable)) continue;
      wchar_t line[256];
      FormatString(line, 256, L"---config@主码-分类码表别名%d=%s\r\n", c - 15, NameOf(n, c).c_str());
      Append(ctx, line);
    }
    if (flags[4] & kCategoryEditable) AppendFormat(ctx, L"---config@辅码别名=%s\r\n", NameOf(n, 4).c_str());
    return;
  }
  if (selector < 0 || selector > 31) return;
  if (selector <= 4) {
    Append(ctx, kCategoryLines[selector]);
  } else {
    AppendFormat(ctx, L"---config@码表分类=主码-%d\r\n", nullptr, selector - 15);
  }
  if (names) AppendFormat(ctx, L"---config@码表别名=%s\r\n", NameOf(*names, selector).c_str());
}

}  // namespace

int CompareTableEntries(const DmgRecord& a, const DmgRecord& b) {
  uint32_t ca = EntryAttr::Category(a.attr), cb = EntryAttr::Category(b.attr);
  if (ca != cb) return ca < cb ? -1 : 1;
  uint32_t la = a.code ? a.codeLen : 0, lb = b.code ? b.codeLen : 0;
  int c = (la && lb) ? std::memcmp(a.code + 1, b.code + 1, std::min(la, lb)) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  if (la != lb) return la < lb ? -1 : 1;
  uint32_t ka = a.attr & 0x4000FFFFu, kb = b.attr & 0x4000FFFFu;
  if (ka != kb) return ka > kb ? -1 : 1;
  if (a.offset != b.offset) return a.offset < b.offset ? -1 : 1;
  return 0;
}

bool FlushExportText(ExportContext* ctx) {
  if (ctx->pending.empty()) return true;
  DWORD bytes = static_cast<DWORD>(ctx->pending.size() * sizeof(wchar_t));
  DWORD written = 0;
  bool ok = WriteFile(ctx->file, ctx->pending.data(), bytes, &written, nullptr) && written == bytes;
  ctx->pending.clear();
  if (!ok) ctx->failed = true;
  return !ctx->failed;
}

void WriteEntryLine(const DmgRecord& record, ExportContext* ctx) {
  const bool codeRecord = ctx->tableType == kDmgTypeCode && record.code;
  if (!codeRecord && ctx->tableType != kDmgTypeWordList) return;
  // A word that begins with "//" would read back as a comment; the compiler
  // and the word-list builder both take "///" as such a word.
  if (record.wordLenUnits >= 2 && RecordWordUnit(record, 0) == L'/' && RecordWordUnit(record, 1) == L'/') {
    ctx->pending.push_back(L'/');
  }
  if (codeRecord) {
    AppendWord(ctx, record);
    ctx->pending.push_back(L'\t');
    AppendCode(ctx, record);
    AppendTags(ctx, record.attr);
  } else {
    for (uint32_t i = 0; i < record.wordLenUnits; ++i) ctx->pending.push_back(RecordWordUnit(record, i));
  }
  Append(ctx, L"\r\n");
  ReportProgress(ctx->progress, nullptr, ctx->lineCounter++, ctx->totalLines);
  if (ctx->pending.size() >= kFlushUnits) FlushExportText(ctx);
}

int ExportTableText(MappedFile* table, const wchar_t* outputPath, const RecordCompareOps* ops,
                    int32_t selector, const CategoryNames* names, const uint32_t* flags,
                    ProgressReporter* progress) {
  RemapIfResized(table);
  DmgView view = GetDmgView(table);
  std::vector<DmgRecord> records;
  records.reserve(view.countRecords);
  int lastPercent = -1;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    int percent = static_cast<int>(static_cast<uint64_t>(i + 1) * 100 / view.countRecords);
    if (percent != lastPercent) {
      lastPercent = percent;
      ReportProgress(progress, nullptr, static_cast<uint32_t>(percent), 100);
    }
    DmgRecord rec;
    if (ReadDmgRecord(view, i, &rec) && Selected(rec, selector, flags)) records.push_back(rec);
  }
  std::sort(records.begin(), records.end(),
            [](const DmgRecord& a, const DmgRecord& b) { return CompareTableEntries(a, b) < 0; });

  // The output may lie in the data folder: a link planted there is not written through.
  HANDLE file = OpenPlainFile(outputPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return 0;
  ExportContext ctx{file, view.type, ops, selector, 0, static_cast<uint32_t>(records.size()), progress, {}, false};
  ctx.pending.reserve(kFlushUnits + 1024);
  ctx.pending.push_back(0xFEFF);
  AppendHeaderLines(&ctx, selector, names, flags);
  for (const DmgRecord& rec : records) WriteEntryLine(rec, &ctx);
  bool ok = FlushExportText(&ctx);
  CloseHandle(file);
  return ok ? 1 : 0;
}
