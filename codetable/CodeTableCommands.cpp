// Command sequences of the code-table manager page over the UI seam.
#include "codetable/CodeTableCommands.h"

#include <cstdlib>

#include "codetable/DmgMake.h"
#include "codetable/TableFiles.h"
#include "codetable/WordList.h"
#include "engine/DataLock.h"
#include "engine/TableJournal.h"
#include "engine/WideString.h"

namespace {

constexpr wchar_t kConfirmClearTable[] = L"该操作将清空选中码表中已有的所有词条，并且不可恢复。\r\n确定这样做吗？";
constexpr wchar_t kConfirmClearCategory[] = L"该操作将会清空当前分类的所有词条，并且不可恢复。\r\n是否继续？";

bool ChooseDefinition(CodeTableUi* ui, wchar_t* path) {
  path[0] = L'\0';
  return ui->ChooseTextFile(kChooseDefinitionTitle, kTextFileFilter, path) && path[0];
}

// Header, lines and append of an importer that already holds its text,
// with the rejects file and the progress bar. What AppendToTable returns.
int AppendHeldText(CodeTableUi* ui, CDmgImport* import, wchar_t (&rejectsPath)[260],
                   const wchar_t* tempFolder) {
  if (MakeTempFilePath(kRejectsFileName, rejectsPath, tempFolder)) OpenImportRejects(import, rejectsPath);
  ImportProgressCallback progress(ui);
  import->progress = &progress;
  ui->ShowProgress(true);
  ParseImportHeader(import);
  ParseImportLines(import);
  int added = AppendToTable(import);
  ui->ShowProgress(false);
  import->progress = nullptr;
  CloseImportRejects(import);
  return added;
}

// The closing summary of an import that wrote its records, or had none to
// add; a failure is told with its reason, never as a summary of 0 words.
// Returns added, or kCommandNotWritten.
int TellImportResult(CodeTableUi* ui, const CDmgImport* import, int added, const wchar_t* failure,
                     const wchar_t* rejectsPath) {
  wchar_t text[256];
  if (added < 0) {
    FormatString(text, 256, L"%s\r\n%s", failure,
                 added == kAppendBusy ? kDataBusyMessage : L"无法写入码表文件。");
    ui->Tell(text, kCaption, UiIcon::kError);
    return kCommandNotWritten;
  }
  if (import->rejects.lines > 0) {
    FormatString(text, 256, L"成功添加词条数: %d\r\n无法添加的词条个数为: %d。\r\n是否现在查看无法导入的词条？",
                 added, static_cast<int>(import->rejects.lines));
    if (ui->Ask(text, L"批量添加完成", UiIcon::kQuestion) == UiAnswer::kYes) ui->OpenDocument(rejectsPath);
  } else {
    FormatString(text, 256, L"批量加词完成，成功添加词条数: %d", added);
    ui->Tell(text, kCaption, UiIcon::kInformation);
  }
  return added;
}

bool ReadInto(CDmgImport* import, const wchar_t* path) {
  DecodedText text;
  if (ReadWholeTextFile(path, &text) != kReadTextDone) return false;
  SetImportText(import, std::move(text));
  return true;
}

}  // namespace

int RunMainTableImport(CodeTableUi* ui, CDmgImport* import, const wchar_t* tempFolder) {
  wchar_t path[260];
  if (!ChooseDefinition(ui, path)) return -1;
  if (!ReadInto(import, path)) SetImportText(import, DecodedText());
  wchar_t rejectsPath[260] = {};
  const int added = AppendHeldText(ui, import, rejectsPath, tempFolder);
  return TellImportResult(ui, import, added, L"批量加词未能完成，没有添加任何词条。", rejectsPath);
}

int RunReplaceCategory(CodeTableUi* ui, CDmgImport* import, uint32_t category, const wchar_t* tempFolder) {
  if (category < 1 || category > 31) return -1;
  if (ui->Ask(kConfirmClearCategory, kCaption, UiIcon::kWarning) != UiAnswer::kYes) return -1;
  wchar_t path[260];
  if (!ChooseDefinition(ui, path) || !ReadInto(import, path)) return -1;
  MappedFile* table = import->mainTable;
  wchar_t rejectsPath[260] = {};
  int added = kAppendFailed;
  if (IsWritableMapping(table)) {
    // The purge and the import are one change under one hold of the lock: a
    // failure or a kill anywhere in between leaves the category as it was,
    // and no other writer comes between them. Busy: another writer holds the
    // table, or a dead one's change is still to be undone.
    DataWriteLock lock(table);
    added = kAppendBusy;
    if (lock.Held() && PrepareTableForWrite(table)) {
      TableChange change(table, TableChangeScope::kWholeFile);
      added = kAppendFailed;
      if (change.Ready() && PurgeCategoryEntries(table, 1u << category)) {
        import->selectedCategory = category;
        added = AppendHeldText(ui, import, rejectsPath, tempFolder);
        if (added >= 0) change.Done();
      }
    }
  }
  // Told once the lock is let go: the user may leave the message open.
  return TellImportResult(ui, import, added, L"无法替换当前分类的词条，替换操作无法继续，当前分类保持不变。",
                          rejectsPath);
}

int RunReplaceMainTable(CodeTableUi* ui, MappedFile* live, const wchar_t* tempFolder) {
  if (ui->Ask(kConfirmClearTable, kCaption, UiIcon::kWarning) != UiAnswer::kYes) return -1;
  wchar_t source[260];
  if (!ChooseDefinition(ui, source)) return -1;
  wchar_t output[260];
  MakeTempFilePath(kReplaceOutputName, output, tempFolder);
  DeleteFileW(output);
  if (!output[0] || GetFileAttributesW(output) != INVALID_FILE_ATTRIBUTES) {
    ui->Tell(L"访问 %temp%\\zinnor_temp.dmg失败，替换操作无法继续。", kCaption, UiIcon::kError);
    return 0;
  }
  ImportProgressCallback progress(ui);
  ui->ShowProgress(true);
  const wchar_t* sources[] = {source};
  int compiled = CompileTableFiles(sources, 1, output, &progress, tempFolder);
  ui->ShowProgress(false);
  MappedFile* fresh = nullptr;
  if (compiled <= 0 || OpenMappedFile(&fresh, output) <= 0 || !fresh) {
    CloseMappedFile(fresh, 0);
    ui->Tell(L"无法创建 %temp%\\zinnor_temp.dmg ，替换操作无法继续。", kCaption, UiIcon::kError);
    return 0;
  }
  int ok = ReplaceLiveTable(live, fresh);
  CloseMappedFile(fresh, 0);
  if (!ok) ui->Tell(L"无法重设主码表文件，替换操作无法继续。", kCaption, UiIcon::kError);
  return ok;
}

int RunWordListImport(CodeTableUi* ui, const wchar_t* tablePath, bool* hashFlag, const wchar_t* tempFolder,
                      ImeConfigBlock* settings) {
  if (ui->Ask(kConfirmClearTable, kCaption, UiIcon::kWarning) != UiAnswer::kYes) return -1;
  wchar_t list[260];
  if (!ChooseDefinition(ui, list)) return -1;
  ImportProgressCallback progress(ui);
  ui->ShowProgress(true);
  int ok = MergeWordListViaTempTable(tablePath, list, hashFlag, &progress, tempFolder, settings);
  ui->ShowProgress(false);
  ui->Tell(ok ? L"词条导入成功。" : L"词条导入失败。", L"词条导入", UiIcon::kInformation);
  return ok;
}
