// A second process for the tests of the data folder's write lock.
//   engine_data_writer hold FOLDER
//       takes the folder's lock without waiting, prints "held" or "refused",
//       and keeps it until standard input closes
//   engine_data_writer type FOLDER SEED ROUNDS
//       types codes on an input context of the folder and commits a word
//       each round, as a host application would; temporary words are listed
//       and committed too, so they are promoted into main.dmg. Prints one
//       line "T CODE HEXWORD" per committed temporary word and one line
//       "P CODE HEXWORD" per promotion.
//   engine_data_writer order FOLDER POSITION ORDER
//       gives the main.dmg record at POSITION a new order, in place
//   engine_data_writer replace FOLDER SOURCE
//       writes the bytes of SOURCE over main.dmg in place (same length)
//   engine_data_writer serve FOLDER
//       reads one command per line from standard input and answers each
//       with one line, "ok" or "fail" ("held" or "refused" for hold):
//         order POS ORDER    new order of the main.dmg record at POS
//         delete POS         marks the record at POS deleted
//         pin POS            turns the record's pinned mark over
//         category POS C     gives the record category C
//         add CODE HEXWORD   adds a user word to main.dmg as the add-word
//                            dialog does (fail: it is there already)
//         temp CODE HEXWORD  adds a temporary word to temp.dmg
//         set LINE           applies a settings line "[-SECTION-],KEY=VALUE"
//                            to config.dsc as the set( command does
//         replace SOURCE     as the replace mode
//         hold               takes the lock and keeps it
//         release            lets a kept lock go
//         focus              looks at the tables again, as a front end does
//                            when its input context is activated ("ok")
//         assoc CODE         types CODE, commits its first candidate and
//                            answers with the association list then shown:
//                            HEXWORDs separated by spaces, or "none"
//       HEXWORD: UTF-16 units, four hex digits each. A write followed by
//       " keep" takes the lock, writes and keeps the lock. Every command lets
//       a kept lock go first, so a lock is kept until the next command, or
//       until the process is killed or its input ends.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/words/AddWord.h"
#include "engine/Candidates.h"
#include "engine/CommandLanguage.h"
#include "engine/Commit.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"
#include "tests/engine/CoreTestData.h"

namespace {

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

int Hold(const std::wstring& folder) {
  DataWriteLock lock(folder.c_str(), 0);
  Print(lock.Held() ? "held\n" : "refused\n");
  char buffer[64];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) {
  }
  return lock.Held() ? 0 : 1;
}

std::wstring RecordCode(const DmgRecord& rec) {
  std::wstring code;
  for (uint32_t i = 0; i < rec.codeLen; ++i) code += static_cast<wchar_t>(rec.code[1 + i]);
  return code;
}

// The codes of main.dmg as the process first sees it.
std::vector<std::wstring> MainCodes(const ImeContext* context) {
  std::vector<std::wstring> codes;
  const DmgView view = GetDmgView(context->files[kFileMain]);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (ReadDmgRecord(view, i, &rec)) codes.push_back(RecordCode(rec));
  }
  return codes;
}

// A third of the time the code of a temporary word: any one, or one of the
// newest (a typist uses a word just made, and so does the other one), so that
// both processes list and commit the same temporary words at once.
std::wstring PickCode(const ImeContext* context, const std::vector<std::wstring>& mainCodes,
                      std::mt19937& rng) {
  const DmgView temp = GetDmgView(context->files[kFileTemp]);
  if (rng() % 3 == 0 && temp.countRecords > 0) {
    const uint32_t newest = temp.countRecords > 4 && rng() % 2 ? temp.countRecords - 4 : 0;
    const uint32_t wanted = newest + rng() % (temp.countRecords - newest);
    for (uint32_t i = 0; i < temp.countRecords; ++i) {
      DmgRecord rec;
      if (ReadDmgRecord(temp, i, &rec) && rec.attr == wanted && rec.codeLen <= kMaxCodeUnits) {
        return RecordCode(rec);
      }
    }
  }
  return mainCodes[rng() % mainCodes.size()];
}

std::string Hex(const wchar_t* text, int units) {
  std::string out;
  char unit[8];
  for (int i = 0; i < units; ++i) {
    wsprintfA(unit, "%04X", static_cast<unsigned>(text[i]));
    out += unit;
  }
  return out;
}

int Type(std::wstring folder, uint32_t seed, int rounds) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  zn::test::FakeOs os;
  zn::test::PointAtDataFolder(os, folder);
  ImeContext* context = CreateImeContext(&os);
  if (!context) return 2;
  const std::vector<std::wstring> mainCodes = MainCodes(context);
  if (mainCodes.empty()) return 3;
  std::mt19937 rng(seed);
  for (int r = 0; r < rounds; ++r) {
    const std::wstring code = PickCode(context, mainCodes, rng);
    ResetInput(context);
    for (size_t i = 0; i < code.size(); ++i) context->code[i] = code[i];
    context->code[code.size()] = 0;
    context->codeLength = context->cursor = static_cast<int32_t>(code.size());
    RebuildCandidates(context);
    if (context->slotsFilled == 0) continue;
    int slot = 1 + static_cast<int>(rng() % context->slotsFilled);
    for (int s = 0; s < context->slotsFilled; ++s) {
      if (context->candidates[context->slotListIndex[s]].kind == kKindTemp) slot = s + 1;
    }
    const CandidateItem chosen = context->candidates[context->slotListIndex[slot - 1]];
    const bool temporary = chosen.kind == kKindTemp;
    const PageSlot shown = context->pageSlots[slot - 1];
    DmgRecord listed;
    if (temporary && ReadCandidateRecord(context, chosen, &listed)) {
      std::vector<wchar_t> word(listed.wordLenUnits + 1);
      CopyRecordWord(listed, word.data(), listed.wordLenUnits + 1);
      std::string line = "T ";
      for (wchar_t c : RecordCode(listed)) line += static_cast<char>(c);
      Print(line + " " + Hex(word.data(), static_cast<int>(listed.wordLenUnits)) + "\n");
    }
    const int listIndex = CommitCandidate(context, slot);
    AdjustFrequency(context, slot);
    CommitSelection(context, listIndex);
    DmgRecord promoted;
    if (temporary && context->lastCommittedKind == kKindMain && ReadLastCommitted(context, &promoted)) {
      std::string line = "P ";
      for (wchar_t c : RecordCode(promoted)) line += static_cast<char>(c);
      Print(line + " " + Hex(shown.text, shown.length) + "\n");
    }
    ResetAfterCommit(context);
    ReopenTables(context);
  }
  DestroyImeContext(context);
  return 0;
}

// The writes another process makes to a shared table without changing its
// length: a record's attribute word in place, or the whole table replaced by
// bytes of the same length. Each takes the folder's lock (nested when the
// caller keeps it) and sees a table another process grew.
enum class RecordChange { kOrder, kDelete, kPin, kCategory };

bool ChangeRecord(MappedFile* main, uint32_t position, RecordChange change, uint32_t value) {
  DataWriteLock lock(main);
  if (!lock.Held()) return false;
  RemapIfResized(main);
  DmgRecord rec;
  if (!ReadDmgRecord(GetDmgView(main), position, &rec)) return false;
  uint32_t attr = rec.attr;
  switch (change) {
    case RecordChange::kOrder: attr = (attr & ~EntryAttr::kOrderMask) | (value & EntryAttr::kOrderMask); break;
    case RecordChange::kDelete: attr |= EntryAttr::kDeleted; break;
    case RecordChange::kPin: attr ^= EntryAttr::kPinned; break;
    case RecordChange::kCategory: attr = EntryAttr::WithCategory(attr, value); break;
  }
  return DmgStoreU32(main->view, main->size, rec.offset, attr);
}

bool ReplaceMain(MappedFile* main, const std::wstring& source) {
  DataWriteLock lock(main);
  if (!lock.Held()) return false;
  RemapIfResized(main);
  const std::vector<uint8_t> bytes = zn::test::ReadFileBytes(source);
  if (bytes.size() != main->size || !main->view) return false;
  std::memcpy(main->view, bytes.data(), bytes.size());
  return true;
}

int WriteMain(const std::wstring& folder, uint32_t position, uint32_t order, const std::wstring& source) {
  MappedFile* main = nullptr;
  if (OpenMappedFile(&main, (folder + L"\\main.dmg").c_str()) <= 0 || !main) return 2;
  const bool done = source.empty() ? ChangeRecord(main, position, RecordChange::kOrder, order)
                                   : ReplaceMain(main, source);
  CloseMappedFile(main, 1);
  return done ? 0 : 3;
}

std::wstring FromHex(const std::wstring& hex) {
  std::wstring text;
  for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
    text += static_cast<wchar_t>(std::wcstoul(hex.substr(i, 4).c_str(), nullptr, 16));
  }
  return text;
}

std::wstring FromUtf8(const std::string& bytes) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

// One command of the serve mode on a context of its folder; true when it wrote.
bool RunCommand(ImeContext* context, const std::wstring& verb, const std::wstring& rest) {
  MappedFile* main = context->files[kFileMain];
  const size_t space = rest.find(L' ');
  const std::wstring first = rest.substr(0, space);
  const std::wstring second = space == std::wstring::npos ? L"" : rest.substr(space + 1);
  const uint32_t position = static_cast<uint32_t>(_wtoi(first.c_str()));
  const uint32_t number = static_cast<uint32_t>(_wtoi(second.c_str()));
  if (verb == L"order") return ChangeRecord(main, position, RecordChange::kOrder, number);
  if (verb == L"delete") return ChangeRecord(main, position, RecordChange::kDelete, 0);
  if (verb == L"pin") return ChangeRecord(main, position, RecordChange::kPin, 0);
  if (verb == L"category") return ChangeRecord(main, position, RecordChange::kCategory, number);
  if (verb == L"replace") return ReplaceMain(main, rest);
  if (verb == L"add") {
    AddWordRequest request;
    request.code = first;
    request.word = FromHex(second);
    return CommitUserWord(main, request) == AddWordOutcome::kAdded;
  }
  if (verb == L"temp") {
    std::wstring code = first;
    const std::wstring word = FromHex(second);
    DmgRecordBuffer record = BuildRecordFromText(code.data(), word.c_str(), nullptr);
    return record && context->files[kFileTemp] &&
           AddTempRecord(context->files[kFileTemp], record.get(), &kDefaultRecordCompareOps) == 1;
  }
  if (verb == L"set") {
    CopyStringBounded(context->commandArgument, kCommandArgumentUnits, (L"set(" + rest + L")").c_str());
    return ApplySetCommand(context) == 1;
  }
  return false;
}

// The association list shown after CODE is typed and its first candidate
// committed.
std::string AssociationsAfter(ImeContext* context, const std::wstring& code) {
  ResetInput(context);
  if (code.empty() || code.size() > kMaxCodeUnits) return "none";
  for (size_t i = 0; i < code.size(); ++i) context->code[i] = code[i];
  context->code[code.size()] = 0;
  context->codeLength = context->cursor = static_cast<int32_t>(code.size());
  RebuildCandidates(context);
  if (context->slotsFilled == 0) return "none";
  CommitSelection(context, CommitCandidate(context, 1));
  ResetAfterCommit(context);
  std::string list;
  for (int i = 0; i < context->candidateCount; ++i) {
    wchar_t text[130];
    const int units = CandidateText(context->candidates[i], text, 130);
    list += (list.empty() ? "" : " ") + Hex(text, units);
  }
  ResetInput(context);
  return list.empty() ? "none" : list;
}

// Reads standard input up to the next line end; false at its end.
bool ReadCommandLine(std::string* line) {
  line->clear();
  char c = 0;
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1) {
    if (c == '\n') return true;
    if (c != '\r') line->push_back(c);
  }
  return !line->empty();
}

int Serve(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  zn::test::FakeOs os;
  zn::test::PointAtDataFolder(os, folder);
  ImeContext* context = CreateImeContext(&os);
  if (!context) return 2;
  std::unique_ptr<DataWriteLock> kept;
  std::string line;
  while (ReadCommandLine(&line)) {
    kept.reset();
    std::wstring command = FromUtf8(line);
    constexpr wchar_t kKeep[] = L" keep";
    const bool keep = command.size() > 5 && command.compare(command.size() - 5, 5, kKeep) == 0;
    if (keep) command.resize(command.size() - 5);
    const size_t space = command.find(L' ');
    const std::wstring verb = command.substr(0, space);
    const std::wstring rest = space == std::wstring::npos ? L"" : command.substr(space + 1);
    if (verb == L"release") {
      Print("ok\n");
      continue;
    }
    if (verb == L"focus") {
      ReopenTables(context);
      Print("ok\n");
      continue;
    }
    if (verb == L"assoc") {
      Print(AssociationsAfter(context, rest) + "\n");
      continue;
    }
    if (verb == L"hold" || keep) {
      kept = std::make_unique<DataWriteLock>(context);
      if (!kept->Held()) {
        kept.reset();
        Print(verb == L"hold" ? "refused\n" : "fail\n");
        continue;
      }
      if (verb == L"hold") {
        Print("held\n");
        continue;
      }
    }
    Print(RunCommand(context, verb, rest) ? "ok\n" : "fail\n");
  }
  kept.reset();
  DestroyImeContext(context);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int status = 2;
  if (argv && argc == 3 && std::wstring(argv[1]) == L"hold") {
    status = Hold(argv[2]);
  } else if (argv && argc == 5 && std::wstring(argv[1]) == L"type") {
    status = Type(argv[2], static_cast<uint32_t>(_wtoi(argv[3])), _wtoi(argv[4]));
  } else if (argv && argc == 5 && std::wstring(argv[1]) == L"order") {
    status = WriteMain(argv[2], static_cast<uint32_t>(_wtoi(argv[3])), static_cast<uint32_t>(_wtoi(argv[4])), L"");
  } else if (argv && argc == 4 && std::wstring(argv[1]) == L"replace") {
    status = WriteMain(argv[2], 0, 0, argv[3]);
  } else if (argv && argc == 3 && std::wstring(argv[1]) == L"serve") {
    status = Serve(argv[2]);
  }
  LocalFree(argv);
  return status;
}
