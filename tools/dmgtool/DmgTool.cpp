// Command-line front of the code-table library, used at build time to make
// the shipped data folder:
//   dmgtool compile <out.dmg> <definition.txt>...
//   dmgtool danzi <main.dmg> <out.dmi>
//   dmgtool wordlist <list.txt> <out.dmg>
//   dmgtool emptytemp <out.dmg>
//   dmgtool export <table.dmg> <out.txt> [selector]
//   dmgtool data <source folder> <data folder>
//   dmgtool dms <entries.txt> <out.dms>
// A compiled table is written beside its place and then put there whole; in
// a live data folder (config.dsc or write.lck beside it) an existing table
// takes it through the journaled replace under the folder's write lock.
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

// The journaled whole-table replace config uses, under the folder's write
// lock: a kill leaves the old table or the new one, and the views of the
// typing processes stay valid.
bool ReplaceLive(const std::wstring& out, const std::wstring& fresh) {
  MappedFile* live = nullptr;
  MappedFile* table = nullptr;
  const bool ok = OpenMappedFile(&live, out.c_str()) > 0 && IsWritableMapping(live) &&
                  OpenMappedFile(&table, fresh.c_str()) > 0 && ReplaceLiveTable(live, table);
  CloseMappedFile(table, 0);
  CloseMappedFile(live, 1);
  return ok;
}

// live: a table of a live data folder is replaced through the journal
// rather than renamed over (the shipped folder is always made anew).
int Compile(const wchar_t* out, const wchar_t* const* sources, int count, bool live) {
  ConsoleProgress progress;
  // The scratch file goes next to the output so parallel builds never share it.
  std::wstring folder(out);
  size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash);
  // The table is written whole beside its place before it takes it: written
  // in place, a kill would leave it unsorted or half written.
  const std::wstring fresh = std::wstring(out) + L".new";
  int n = CompileTableFiles(sources, count, fresh.c_str(), &progress, folder.c_str());
  std::wstring scratch = folder + L"\\" + kScratchFileName;
  DeleteFileW(scratch.c_str());
  bool placed = false;
  if (n > 0 && live && Exists(out) && InLiveDataFolder(folder)) {
    placed = ReplaceLive(out, fresh);
  } else if (n > 0) {
    placed = MoveFileExW(fresh.c_str(), out, MOVEFILE_REPLACE_EXISTING) != 0;
  }
  DeleteFileW(fresh.c_str());
  if (n <= 0) return Fail("compile failed");
  if (!placed) return Fail("cannot put the table in place (in use, locked or damaged?)");
  std::fprintf(stderr, "dmgtool: %d records\n", n);
  return 0;
}

int WordList(const wchar_t* list, const wchar_t* out) {
  bool hash = false;
  int n = BuildWordListTable(list, out, nullptr, &hash);
  if (n <= 0) return Fail("word list failed");
  std::fprintf(stderr, "dmgtool: %d words\n", n);
  return 0;
}

int Data(const std::wstring& src, const std::wstring& dst) {
  std::wstring wubi = src + L"\\wubi.txt";
  const wchar_t* sources[] = {wubi.c_str()};
  std::wstring mainDmg = dst + L"\\main.dmg";
  if (Compile(mainDmg.c_str(), sources, 1, false)) return 1;
  if (WriteDanziTable(mainDmg.c_str(), (dst + L"\\danzi.dmi").c_str()) <= 0) return Fail("danzi failed");
  if (WordList((src + L"\\sysl.txt").c_str(), (dst + L"\\sysl.dmg").c_str())) return 1;
  if (WordList((src + L"\\engl.txt").c_str(), (dst + L"\\engl.dmg").c_str())) return 1;
  if (!CreateEmptyTempTable((dst + L"\\temp.dmg").c_str())) return Fail("temp.dmg failed");
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
  if (cmd == L"danzi" && argc == 4) return WriteDanziTable(argv[2], argv[3]) > 0 ? 0 : Fail("danzi failed");
  if (cmd == L"wordlist" && argc == 4) return WordList(argv[2], argv[3]);
  if (cmd == L"emptytemp" && argc == 3) return CreateEmptyTempTable(argv[2]) ? 0 : Fail("temp failed");
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
