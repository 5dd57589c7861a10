// Writing a code table (or one category of it) as definition text: the file
// the compiler and the batch import read back.
#pragma once

#include <windows.h>
#include <cstdint>
#include <vector>

#include "codetable/Progress.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"

// Category names (32 × 9 units, slot 0 names the main table) and flags (bit 0
// editable) of the product-identity block.
using CategoryNames = wchar_t[32][9];
constexpr uint32_t kCategoryEditable = 0x1;

// Selectors: 0 whole table, 1..31 one category, 100 pinned entries; -1 for
// the word-list tables.
constexpr int32_t kExportPinned = 100;

struct ExportContext {
  HANDLE file;
  uint32_t tableType;
  const RecordCompareOps* ops;
  int32_t selector;
  uint32_t lineCounter;
  uint32_t totalLines;
  ProgressReporter* progress;
  std::vector<wchar_t> pending;  // written in large blocks
  bool failed;                   // a write failed: the file is incomplete
};

// Category, then code bytes (shorter first), then pinned bit and order
// (higher first), then file position (lower first).
int CompareTableEntries(const DmgRecord& a, const DmgRecord& b);

// Appends one record as one line.
void WriteEntryLine(const DmgRecord& record, ExportContext* context);
// Writes pending text to the file; false on a write failure.
bool FlushExportText(ExportContext* context);

// Writes the selected records of a table to a new UTF-16LE file. names and
// flags may be null. 1 done, 0 when the file cannot be created or written.
int ExportTableText(MappedFile* table, const wchar_t* outputPath, const RecordCompareOps* ops,
                    int32_t selector, const CategoryNames* names, const uint32_t* flags,
                    ProgressReporter* progress);
