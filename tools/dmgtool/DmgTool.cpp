// Command-line front of the code-table library, used at build time to make
// the shipped data folder:
//   dmgtool compile <out.dmg> <definition.txt>...
//   dmgtool danzi <main.dmg> <out.dmi>
//   dmgtool wordlist <list.txt> <out.dmg>
//   dmgtool emptytemp <out.dmg>
//   dmgtool export <table.dmg> <out.txt> [selector]
//   dmgtool data <source folder> <data folder>
//   dmgtool dms <entries.txt> <out.dms>
// Every table is written beside its place and then put there whole, so a
// kill never leaves a part of one at its name. In a live data folder
// (config.dsc or write.lck beside it) an existing code table takes the new
// one through the journaled replace under the folder's write lock, and a
// word list goes in as config's import puts it (under that lock, missing or
// not); danzi.dmi and temp.dmg, which typing processes keep mapped and which
// have no such replace, are not written there at all.
// dms builds a lookup table such as dict.dms from "key<TAB>value" lines
// ("\n", "\t" and "\\" escapes in the value).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "codetable/DmgMake.h"
#include "codetable/DmsText.h"
#include "codetable/TableExport.h"
#include "codetable/TableFiles.h"
#include "codetable/WordList.h"
#include "engine/FolderLockPage.h"
#include "engine/MappedFile.h"
#include "tools/dmgtool/DanziTable.h"

namespace {

// Echoes the compiler's messages (unusable codes, the summary) to stderr.
class ConsoleProgress : public ProgressReporter {
 public:
  void Report(const wchar_t* text, uint32_t, uint32_t) override {
    if (!text) return;
    char utf8[2048];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    if (n > 0) std::fprintf(stderr, "%s\n", utf8);
  }
};

int Fail(const char* what) {
  std::fprintf(stderr, "dmgtool: %s\n", what);
  return 1;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Settings or a lock page beside a table: processes may be typing from it,
// each with the table mapped.
bool InLiveDataFolder(const std::wstring& folder) {
  return Exists(folder + L"\\config.dsc") || Exists(folder + L"\\" + kLockPageName);
}

std::wstring FolderOf(const wchar_t* path) {
  std::wstring folder(path);
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : folder.substr(0, slash);
}

// A table a live folder's processes map cannot be renamed over, and written
// in place it would be half written when the writer is killed: such a
// target is left alone.
bool RefusedAsLive(const char* command, const wchar_t* out) {
  if (!InLiveDataFolder(FolderOf(out))) return false;
  std::fprintf(stderr,
               "dmgtool: %s: the target is in a live data folder (config.dsc or write.lck beside "
               "it) and is left as it is; write it into a folder that holds neither config.dsc nor "
               "write.lck, then copy it in while no program has it open (config closed, no program "
               "typing from this folder)\n",
               command);
  return true;
}

// The journaled whole-table replace config uses, under the folder's write
// lock: a kill leaves the old table or the new one, and the views of the
// typing processes stay valid.
// Where no table is yet (config may be building one), the whole table is
// put in place under the same lock.
bool ReplaceLive(const std::wstring& out, const std::wstring& fresh) {
  MappedFile* live = nullptr;
  MappedFile* table = nullptr;
  if (OpenMappedFile(&table, fresh.c_str()) <= 0) return false;
  const bool ok = NoTableAt(out.c_str())
                      ? PlaceWholeTable(out.c_str(), table)
                      : OpenMappedFile(&live, out.c_str()) > 0 && IsWritableMapping(live) &&
                            ReplaceLiveTable(live, table);
  CloseMappedFile(table, 0);
  CloseMappedFile(live, 1);
  return ok;
}

// build writes a whole table at the path it is given: beside out, which
// then takes it by a rename (or, with live, through ReplaceLive).
template <typename Build>
bool WriteBeside(const wchar_t* out, bool live, Build build) {
  // Not the name a live placement writes beside the table.
  const std::wstring fresh = std::wstring(out) + (live ? L".build" : L".new");
  bool placed = build(fresh.c_str());
  if (placed && live) {
    placed = ReplaceLive(out, fresh);
  } else if (placed) {
    placed = MoveFileExW(fresh.c_str(), out, MOVEFILE_REPLACE_EXISTING) != 0;
  }
  DeleteFileW(fresh.c_str());
  return placed;
}

// live: a table of a live data folder is replaced through the journal
// rather than renamed over (the shipped folder is always made anew).
int Compile(const wchar_t* out, const wchar_t* const* sources, int count, bool live) {
  ConsoleProgress progress;
  // The scratch file goes next to the output so parallel builds never share it.
  const std::wstring folder = FolderOf(out);
  const std::wstring scratch = folder + L"\\" + kScratchFileName;
  int n = 0;
  const bool placed =
      WriteBeside(out, live && InLiveDataFolder(folder), [&](const wchar_t* fresh) {
        n = CompileTableFiles(sources, count, fresh, &progress, folder.c_str());
        DeleteFileW(scratch.c_str());
        return n > 0;
      });
  if (n <= 0) return Fail("compile failed");
  if (!placed) return Fail("cannot put the table in place (in use, locked or damaged?)");
  std::fprintf(stderr, "dmgtool: %d records\n", n);
  return 0;
}

int WordList(const wchar_t* list, const wchar_t* out, bool live) {
  const std::wstring folder = FolderOf(out);
  if (live && InLiveDataFolder(folder)) {
    // Config's word-list import: under the folder's write lock, copied over
    // through the journal, or put in place whole where no table is (config
    // may be building the same table); the settings then say how the
    // association keys read.
    bool hash = false;
    const int ok = MergeWordListViaTempTable(out, list, &hash, nullptr, folder.c_str());
    wchar_t temp[260];
    if (MakeTempFilePath(kWordListTempName, temp, folder.c_str())) DeleteFileW(temp);
    if (!ok) return Fail("word list failed (unreadable, or the live table in use, locked or damaged?)");
    std::fprintf(stderr, "dmgtool: live word list replaced\n");
    return 0;
  }
  int n = 0;
  bool hash = false;
  if (!WriteBeside(out, false, [&](const wchar_t* fresh) {
        return (n = BuildWordListTable(list, fresh, nullptr, &hash)) > 0;
      })) {
    return Fail("word list failed");
  }
  std::fprintf(stderr, "dmgtool: %d words\n", n);
  return 0;
}

int Danzi(const wchar_t* mainTable, const wchar_t* out, bool live) {
  if (live && RefusedAsLive("danzi", out)) return 1;
  return WriteBeside(out, false, [&](const wchar_t* fresh) {
           return WriteDanziTable(mainTable, fresh) > 0;
         })
             ? 0
             : Fail("danzi failed");
}

int EmptyTemp(const wchar_t* out, bool live) {
  if (live && RefusedAsLive("emptytemp", out)) return 1;
  return WriteBeside(out, false, [](const wchar_t* fresh) { return CreateEmptyTempTable(fresh) != 0; })
             ? 0
             : Fail("temp failed");
}

// The shipped folder: made anew at build time, never live, whatever lies
// beside its tables.
int Data(const std::wstring& src, const std::wstring& dst) {
  std::wstring wubi = src + L"\\wubi.txt";
  const wchar_t* sources[] = {wubi.c_str()};
  std::wstring mainDmg = dst + L"\\main.dmg";
  if (Compile(mainDmg.c_str(), sources, 1, false)) return 1;
  if (Danzi(mainDmg.c_str(), (dst + L"\\danzi.dmi").c_str(), false)) return 1;
  if (WordList((src + L"\\sysl.txt").c_str(), (dst + L"\\sysl.dmg").c_str(), false)) return 1;
  if (WordList((src + L"\\engl.txt").c_str(), (dst + L"\\engl.dmg").c_str(), false)) return 1;
  if (EmptyTemp((dst + L"\\temp.dmg").c_str(), false)) return 1;
  return 0;
}

int LookupTable(const wchar_t* text, const wchar_t* out) {
  ConsoleProgress progress;
  uint32_t count = 0, rejected = 0;
  switch (BuildDmsFile(text, out, &progress, &count, &rejected)) {
    case DmsBuildResult::kCannotRead: return Fail("cannot read the text");
    case DmsBuildResult::kTooLarge: return Fail("the table would pass 4 GB");
    case DmsBuildResult::kCannotWrite: return Fail("cannot write the table (in use?)");
    case DmsBuildResult::kDone: break;
  }
  std::fprintf(stderr, "dmgtool: %u entries, %u lines rejected\n", count, rejected);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  std::wstring cmd = argc > 1 ? argv[1] : L"";
  if (cmd == L"compile" && argc >= 4) return Compile(argv[2], argv + 3, argc - 3, true);
  if (cmd == L"danzi" && argc == 4) return Danzi(argv[2], argv[3], true);
  if (cmd == L"wordlist" && argc == 4) return WordList(argv[2], argv[3], true);
  if (cmd == L"emptytemp" && argc == 3) return EmptyTemp(argv[2], true);
  if (cmd == L"export" && (argc == 4 || argc == 5)) {
    MappedFile* table = nullptr;
    if (OpenMappedFile(&table, argv[2]) <= 0) return Fail("cannot open table");
    int selector = argc == 5 ? _wtoi(argv[4]) : 32;
    int ok = ExportTableText(table, argv[3], nullptr, selector, nullptr, nullptr, nullptr);
    CloseMappedFile(table, 0);
    return ok ? 0 : Fail("export failed");
  }
  if (cmd == L"data" && argc == 4) return Data(argv[2], argv[3]);
  if (cmd == L"dms" && argc == 4) return LookupTable(argv[2], argv[3]);
  return Fail("usage: compile|danzi|wordlist|emptytemp|export|data|dms ...");
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 1;
  int rc = Run(argc, argv);
  LocalFree(argv);
  return rc;
}
