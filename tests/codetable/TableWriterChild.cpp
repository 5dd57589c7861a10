// Runs one whole-table writer on a folder's main.dmg so a test can kill it:
//   table_writer_child <replace|wordlist|purge|empty|import|replacecategory|sort|index> <folder\> <event>
// Sets the named event just before the writer starts and prints
// "done <microseconds>" when it has finished.
//   table_writer_child read <folder\>
// opens main.dmg as the engine does and exits 0 when what it then maps is
// no longer changing and sound, printing its record count.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "codetable/CodeTableCommands.h"
#include "codetable/DmgImport.h"
#include "codetable/TableFiles.h"
#include "codetable/WordList.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/TableJournal.h"
#include "tests/codetable/ScriptedCodeTableUi.h"

namespace {

int RunWriter(const std::wstring& writer, const std::wstring& folder, MappedFile* main) {
  if (writer == L"replace") {
    MappedFile* fresh = nullptr;
    if (OpenMappedFile(&fresh, (folder + L"fresh.dmg").c_str()) <= 0) return 0;
    const int ok = ReplaceLiveTable(main, fresh);
    CloseMappedFile(fresh, 0);
    return ok;
  }
  if (writer == L"purge") return PurgeCategoryEntries(main, 1u << 2);
  if (writer == L"empty") return EmptyTable(main);
  if (writer == L"sort") return SortTable(main, nullptr);
  if (writer == L"index") return RebuildKeyIndex(main, nullptr, nullptr);
  if (writer == L"wordlist") {
    bool hash = false;
    return MergeWordListViaTempTable(main->path, (folder + L"list.txt").c_str(), &hash, nullptr,
                                     folder.c_str());
  }
  if (writer == L"import") {
    CDmgImport import{};
    import.mainTable = main;
    const int added = ImportWordFile(&import, (folder + L"import.txt").c_str());
    ClearDmgImport(&import);
    return added > 0;
  }
  if (writer == L"replacecategory") {
    // The manager page's replace of the user category by import.txt.
    zn::test::ScriptedUi ui;
    ui.chosen = folder + L"import.txt";
    CDmgImport import{};
    import.mainTable = main;
    const int added = RunReplaceCategory(&ui, &import, 2, folder.c_str());
    ClearDmgImport(&import);
    return added > 0;
  }
  return 0;
}

// The first open after a writer died: it must put the table right itself.
int Read(const std::wstring& folder) {
  MappedFile* main = nullptr;
  if (OpenMappedFile(&main, (folder + L"main.dmg").c_str()) <= 0) return 3;
  RecoverIfAbandoned(main);
  RemapIfResized(main);
  uint32_t changing = 1;
  DmgLoadU32(main->view, main->size, kDmgChangingOffset, &changing);
  const bool sound = CheckDmgTable(main, nullptr).Sound();
  std::printf("%s, %s, %u records\n", changing ? "changing" : "unchanging", sound ? "sound" : "not sound",
              GetDmgView(main).countRecords);
  CloseMappedFile(main, 1);
  return changing == 0 && sound ? 0 : 1;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 2;
  const std::wstring writer = argv[1];
  std::wstring folder = argv[2];
  if (folder.back() != L'\\') folder += L'\\';
  if (writer == L"read") return Read(folder);
  if (argc < 4) return 2;
  MappedFile* main = nullptr;
  if (OpenMappedFile(&main, (folder + L"main.dmg").c_str()) <= 0) return 3;
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  if (event) SetEvent(event);
  QueryPerformanceCounter(&start);
  const int ok = RunWriter(writer, folder, main);
  QueryPerformanceCounter(&end);
  CloseMappedFile(main, 1);
  std::printf("done %lld\n", (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
  std::fflush(stdout);
  return ok ? 0 : 1;
}
