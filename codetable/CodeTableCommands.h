// The code-table commands of the manager page without their dialogs: each
// asks, reads and reports through CodeTableUi, in an order that loses
// nothing when the user cancels or a file cannot be read.
#pragma once

#include "codetable/DmgImport.h"
#include "codetable/Progress.h"
#include "engine/DataLock.h"

inline constexpr wchar_t kCaption[] = L"配置程序";
inline constexpr wchar_t kChooseDefinitionTitle[] = L"选择一个文本格式的原始定义文件...";
inline constexpr wchar_t kTextFileFilter[] = L"TXT文件(*.txt)";
inline constexpr wchar_t kReplaceOutputName[] = L"zinnor_temp.dmg";
// Another program held the data folder's write lock for too long.
inline constexpr const wchar_t* kDataBusyMessage = kDataBusyMessageText;
// An import or replace that could not write the table: it was told why and
// the table is as it was.
inline constexpr int kCommandNotWritten = -2;

// Import into main.dmg (category import->selectedCategory, 0 = whole table);
// import must name main.dmg, danzi.dmi and the rules. Returns records added,
// -1 on cancel, kCommandNotWritten when the records could not be written.
int RunMainTableImport(CodeTableUi* ui, CDmgImport* import, const wchar_t* tempFolder = nullptr);

// Replaces one category: confirm, choose and read the file, and only then
// purge the category, import into it and rebuild the index, all in one
// change under one hold of the lock. -1 on cancel or an unreadable file,
// kCommandNotWritten when the change could not be made (both leave the table
// untouched), else the records added.
int RunReplaceCategory(CodeTableUi* ui, CDmgImport* import, uint32_t category,
                       const wchar_t* tempFolder = nullptr);

// Compiles a chosen definition into zinnor_temp.dmg and copies it over the
// live main.dmg. 1 done, 0 failed (reported), -1 cancelled.
int RunReplaceMainTable(CodeTableUi* ui, MappedFile* live, const wchar_t* tempFolder = nullptr);

// Replaces sysl.dmg or engl.dmg by a chosen word list. 1 done, 0 failed,
// -1 cancelled; *hashFlag as BuildWordListTable gives it, and settings as
// MergeWordListViaTempTable takes them.
int RunWordListImport(CodeTableUi* ui, const wchar_t* tablePath, bool* hashFlag,
                      const wchar_t* tempFolder = nullptr, ImeConfigBlock* settings = nullptr);
