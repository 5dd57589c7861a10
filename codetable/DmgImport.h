// Batch import of a word list into main.dmg: coded lines keep their code,
// uncoded ones are coded by the word-formation rules from danzi.dmi; every
// refused line goes to the rejects file with its reason.
#pragma once

#include <windows.h>
#include <cstdint>

#include "codetable/DefinitionText.h"
#include "codetable/Progress.h"
#include "codetable/RecordRoutines.h"
#include "codetable/WordTree.h"
#include "engine/ConfigBlocks.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/TextDecoder.h"

inline constexpr wchar_t kRejectsFileName[] = L"未能添加的词条.txt";
// Longest word coded by the rules, in characters.
constexpr uint32_t kMaxRuleWordChars = 30;

enum class ImportRefusal {
  kCannotBuild,        // 无法创建词条
  kCategoryMismatch,   // 与所选分类不匹配的词条类别
  kUndeleted,          // 存在于系统码表，已取消删除标志
  kExists,             // 已存在于系统码表
  kRepeated,           // 重复的定义
  kTooLongForRules,    // 自动构词长度不能大于30
  kNoRuleCode,         // 无法依据构词规则生成目标编码
};

struct ImportRejectsLog {
  HANDLE file;      // null when no rejects file could be created
  uint32_t lines;   // refused lines, written or not
};

struct CDmgImport {
  uint32_t selectedCategory;               // 0 = the whole table
  const WordFormationRule* rules;          // indexed by characters; null = none
  MappedFile* danzi;
  MappedFile* mainTable;
  const RecordCompareOps* ops;
  ImportRejectsLog rejects;
  ProgressReporter* progress;
  DecodedText text;                        // the word list being imported
  ImportHeader header;
  WordTreeNode* duplicates;                // records accepted so far
  PointerArray newRecords;                 // heap records (free())
  uint32_t newBytes;
};

// Creates the rejects file (UTF-16LE with a mark) at path; false when it
// cannot be created (refused lines are then only counted).
bool OpenImportRejects(CDmgImport* import, const wchar_t* path);
void CloseImportRejects(CDmgImport* import);
void LogImportRefusal(CDmgImport* import, const wchar_t* echo, ImportRefusal reason);

// Takes the decoded word list (an empty one clears it).
void SetImportText(CDmgImport* import, DecodedText text);
// ParseImportHeader of DefinitionText.h applied to the importer's text.
void ParseImportHeader(CDmgImport* import);
// Splits the text at "\r\n" and dispatches each line; returns the number of
// new records.
uint32_t ParseImportLines(CDmgImport* import);
void AddCodedLine(CDmgImport* import, wchar_t* line, uint32_t tabPos);
void AddUncodedLine(CDmgImport* import, wchar_t* line);
// Looks the record up in main.dmg and among the earlier lines; true when it
// was taken into the list of new records.
bool CheckImportRecord(CDmgImport* import, uint8_t* record, const wchar_t* echo);
// What AppendToTable returns when it had records to add and wrote none:
// another writer held the data folder's lock past the wait, or a dead
// writer's change is still to be undone (try again later); or the table
// cannot take them (it cannot grow, its journal cannot be written, it is
// damaged past repair).
inline constexpr int kAppendBusy = -2;
inline constexpr int kAppendFailed = -3;

// Writes the new records into main.dmg (growing it when needed), sorts and
// indexes it. Returns the number of records added (0: nothing new to add),
// or kAppendBusy / kAppendFailed when nothing could be written.
int AppendToTable(CDmgImport* import);
// Frees what the importer holds (text, new records, tree); closes the log.
void ClearDmgImport(CDmgImport* import);

// Reads a word-list file and imports it: header, lines, append. Returns
// what AppendToTable returns, or -1 when the file cannot be read.
int ImportWordFile(CDmgImport* import, const wchar_t* path);
