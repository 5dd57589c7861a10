// Lookup tables from tab-separated text.
#include "codetable/DmsText.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "codetable/TableFiles.h"
#include "engine/PlainFile.h"
#include "engine/TextDecoder.h"
#include "engine/WideString.h"

namespace {

constexpr wchar_t kNoTab[] = L"第 %u 行没有制表符, 未收入";
constexpr wchar_t kEmptyKey[] = L"第 %u 行的词条为空, 未收入";
constexpr wchar_t kNulInLine[] = L"第 %u 行含有空字符, 未收入";

std::wstring Unescape(const wchar_t* text, uint32_t units) {
  std::wstring out;
  out.reserve(units);
  for (uint32_t i = 0; i < units; ++i) {
    const wchar_t c = text[i];
    if (c != L'\\' || i + 1 == units) {
      out.push_back(c);
      continue;
    }
    const wchar_t next = text[++i];
    if (next == L'n') {
      out.append(L"\r\n");
    } else if (next == L't') {
      out.push_back(L'\t');
    } else if (next == L'\\') {
      out.push_back(L'\\');
    } else {
      // Not an escape: both characters stay.
      out.push_back(c);
      out.push_back(next);
    }
  }
  return out;
}

void Reject(ProgressReporter* progress, const wchar_t* format, uint32_t line) {
  if (!progress) return;
  wchar_t message[64];
  FormatString(message, 64, format, line);
  progress->Report(message, 0, 0);
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); }

void PutText(std::vector<uint8_t>& out, const std::wstring& text) {
  for (wchar_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(c) >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

bool KeyLess(const std::wstring& a, const std::wstring& b) {
  // wstring compares wchar_t, which is unsigned 16-bit here: the table's order.
  static_assert(static_cast<wchar_t>(-1) > 0);
  return a < b;
}

}  // namespace

uint32_t ParseDmsText(const wchar_t* text, uint32_t lenUnits, std::vector<DmsTextEntry>* entries,
                      ProgressReporter* progress) {
  uint32_t rejected = 0;
  uint32_t line = 0;
  uint32_t start = 0;
  while (text && start < lenUnits) {
    uint32_t end = start;
    while (end < lenUnits && text[end] != L'\n') ++end;
    ++line;
    uint32_t stop = end;
    if (stop > start && text[stop - 1] == L'\r') --stop;
    const wchar_t* s = text + start;
    const uint32_t units = stop - start;
    start = end + 1;
    if (units == 0) continue;
    // A NUL would end the key or value early inside the table.
    if (std::find(s, s + units, L'\0') != s + units) {
      Reject(progress, kNulInLine, line);
      ++rejected;
      continue;
    }
    uint32_t tab = 0;
    while (tab < units && s[tab] != L'\t') ++tab;
    if (tab == units) {
      Reject(progress, kNoTab, line);
      ++rejected;
      continue;
    }
    DmsTextEntry entry{Unescape(s, tab), Unescape(s + tab + 1, units - tab - 1)};
    if (entry.key.empty()) {
      Reject(progress, kEmptyKey, line);
      ++rejected;
      continue;
    }
    if (entries) entries->push_back(std::move(entry));
  }
  return rejected;
}

std::vector<uint8_t> BuildDmsImage(const std::vector<DmsTextEntry>& entries) {
  const uint64_t count = entries.size();
  uint64_t size = 4 + 4 * count;
  for (const DmsTextEntry& e : entries) size += 2 * (e.key.size() + e.value.size() + 2);
  if (size > 0xFFFFFFFFull) return {};
  std::vector<uint8_t> out(4 + 4 * count, 0);
  out.reserve(size);
  std::vector<uint32_t> offsets(count);
  for (size_t i = 0; i < count; ++i) {
    offsets[i] = static_cast<uint32_t>(out.size());
    PutText(out, entries[i].key);
    PutText(out, entries[i].value);
  }
  std::vector<uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return KeyLess(entries[a].key, entries[b].key);
  });
  PutU32(out, 0, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i) PutU32(out, 4 + 4 * i, offsets[order[i]]);
  return out;
}

DmsBuildResult WriteDmsTable(const wchar_t* outputPath, const std::vector<DmsTextEntry>& entries) {
  const std::vector<uint8_t> image = BuildDmsImage(entries);
  if (image.empty()) return DmsBuildResult::kTooLarge;
  // A table other processes have mapped cannot be replaced; that fails here
  // and leaves it as it was. A link planted at the name is not written through.
  HANDLE file = OpenPlainFile(outputPath, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return DmsBuildResult::kCannotWrite;
  DWORD written = 0;
  const bool ok = WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written,
                            nullptr) &&
                  written == image.size();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(outputPath);
    return DmsBuildResult::kCannotWrite;
  }
  return DmsBuildResult::kDone;
}

DmsBuildResult BuildDmsFile(const wchar_t* textPath, const wchar_t* outputPath,
                            ProgressReporter* progress, uint32_t* count, uint32_t* rejected) {
  if (count) *count = 0;
  if (rejected) *rejected = 0;
  DecodedText text;
  if (ReadWholeTextFile(textPath, &text) != kReadTextDone) return DmsBuildResult::kCannotRead;
  std::vector<DmsTextEntry> entries;
  const uint32_t bad = ParseDmsText(text.Text(), text.LenUnits(), &entries, progress);
  if (rejected) *rejected = bad;
  const DmsBuildResult result = WriteDmsTable(outputPath, entries);
  if (result == DmsBuildResult::kDone && count) *count = static_cast<uint32_t>(entries.size());
  return result;
}
