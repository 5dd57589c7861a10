// The console host's view of a context and its data folder set-up.
#include "tools/common/TypingView.h"

#include <windows.h>

#include "engine/Candidates.h"
#include "engine/DmgTable.h"
#include "engine/Product.h"

std::vector<TempWordView> ListTempWords(const ImeContext* context) {
  std::vector<TempWordView> words;
  if (!context || !context->files[kFileTemp]) return words;
  const DmgView view = GetDmgView(context->files[kFileTemp]);
  for (uint32_t p = 0; p < view.countRecords; ++p) {
    DmgRecord record;
    if (!ReadDmgRecord(view, p, &record)) continue;
    wchar_t word[kDmgMaxWordUnits + 1];
    wchar_t code[kDmgMaxCodeBytes + 2];
    CopyRecordWord(record, word, kDmgMaxWordUnits + 1);
    CodeBytesToText(record.code, code, kDmgMaxCodeBytes + 2);
    words.push_back(TempWordView{word, code, record.attr});
  }
  return words;
}

TypingView ViewOf(const TypingHost& host) {
  TypingView view;
  const ImeContext* c = host.context();
  view.code.assign(c->code, c->codeLength > 0 ? c->codeLength : 0);
  view.composition.assign(c->composition, c->compositionLength > 0 ? c->compositionLength : 0);
  for (int i = 0; i < c->slotsFilled && i < kPageSlots; ++i) {
    const PageSlot& slot = c->pageSlots[i];
    const int units = slot.length < 0 ? 0 : (slot.length > 129 ? 129 : slot.length);
    view.candidates.emplace_back(slot.text, units);
  }
  view.selection = c->selection;
  const int pageSize = EffectivePageSize(c);
  view.page = pageSize > 0 && c->pageFirst > 0 ? c->pageFirst / pageSize : 0;
  view.commit.assign(host.Output(), host.OutputUnits());
  view.temp = ListTempWords(c);
  return view;
}

bool WriteHostRegistryValues(const std::wstring& dataFolder) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::wstring install(self, n);
  install.erase(install.find_last_of(L'\\') + 1);
  HKEY key = nullptr;
  std::wstring path = std::wstring(ZN_REGISTRY_ROOT) + L"\\" + ZN_PRODUCT_GUID_TEXT;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (auto [name, value] : {std::pair<const wchar_t*, std::wstring>{L"IMEName", ZN_IME_NAME},
                             {L"InstallLocation", install},
                             {L"DataLocation", dataFolder}}) {
    ok = ok && RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
                   ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

std::wstring CopyDataFolder(const std::wstring& dataFolder) {
  wchar_t base[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, base);
  if (n == 0 || n >= MAX_PATH) return L"";
  std::wstring copy = std::wstring(base) + L"zntype-" + std::to_wstring(GetCurrentProcessId()) +
                      L"-" + std::to_wstring(GetTickCount64()) + L"\\";
  if (!CreateDirectoryW(copy.c_str(), nullptr)) return L"";
  std::wstring from = dataFolder;
  if (!from.empty() && from.back() != L'\\') from += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((from + L"*").c_str(), &found);
  bool ok = find != INVALID_HANDLE_VALUE;
  if (ok) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !CopyFileW((from + found.cFileName).c_str(), (copy + found.cFileName).c_str(), TRUE)) {
        ok = false;
        break;
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  if (!ok) {
    RemoveDataFolderCopy(copy);
    return L"";
  }
  return copy;
}

void RemoveDataFolderCopy(const std::wstring& folder) {
  if (folder.empty()) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW((folder + found.cFileName).c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}
