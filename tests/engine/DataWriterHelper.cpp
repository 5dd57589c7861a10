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
#include <windows.h>
#include <shellapi.h>

#include <random>
#include <string>
#include <vector>

#include "engine/Candidates.h"
#include "engine/Commit.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/TempWords.h"
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
  os.values[L"IMEName"] = L"zinIME";
  os.values[L"InstallLocation"] = folder.substr(0, folder.size() - 1);
  os.values[L"DataLocation"] = folder;
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
// length: a new order (frequency adjustment) and a table replaced in place.
int WriteMain(const std::wstring& folder, uint32_t position, uint32_t order, const std::wstring& source) {
  MappedFile* main = nullptr;
  if (OpenMappedFile(&main, (folder + L"\\main.dmg").c_str()) <= 0 || !main) return 2;
  int status = 3;
  {
    DataWriteLock lock(main);
    const DmgView view = GetDmgView(main);
    DmgRecord rec;
    if (!lock.Held()) {
      status = 4;
    } else if (source.empty() && ReadDmgRecord(view, position, &rec)) {
      const uint32_t attr = (rec.attr & ~EntryAttr::kOrderMask) | (order & EntryAttr::kOrderMask);
      status = DmgStoreU32(main->view, main->size, rec.offset, attr) ? 0 : 5;
    } else if (!source.empty()) {
      const std::vector<uint8_t> bytes = zn::test::ReadFileBytes(source);
      if (bytes.size() == main->size) {
        std::memcpy(main->view, bytes.data(), bytes.size());
        status = 0;
      }
    }
  }
  CloseMappedFile(main, 1);
  return status;
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
  }
  LocalFree(argv);
  return status;
}
