// config's context and the readers beside it.
#include "config/app/ConfigContext.h"

#include <cwchar>
#include <vector>

#include "config/app/CommandLine.h"
#include "config/app/ConfigServices.h"
#include "engine/FileVersion.h"
#include "engine/Registry.h"
#include "engine/WideString.h"

ImeContext* LoadImeContext(const std::wstring& productKey, ConfigServices& services) {
  // The key reaches registry paths and the installer's command line.
  if (!IsProductKeyText(productKey)) return nullptr;
  auto* context = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
  if (!context) return nullptr;
  context->os = &services.Os();
  context->osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  context->os->GetOsVersion(&context->osVersion);
  CopyStringBounded(context->productKey, kProductKeyUnits, productKey.c_str());
  context->pageLast = -1;
  if (!OpenDataFiles(context) || !BindConfigBlocks(context)) {
    UnloadImeContext(context, services);
    return nullptr;
  }
  ClearTempWordsAfterRestart(context);
  wchar_t modulePath[kPathUnits];
  if (context->imeName[0] && GetImeModulePath(context->imeName, modulePath))
    context->moduleHandle = services.LoadModule(modulePath);
  return context;
}

void UnloadImeContext(ImeContext* context, ConfigServices& services) {
  if (!context) return;
  if (context->moduleHandle) services.ReleaseModule(context->moduleHandle);
  context->moduleHandle = nullptr;
  DestroyImeContext(context);
}

int GetImeModulePath(const wchar_t* imeName, wchar_t* out) {
  if (!out) return 0;
  out[0] = L'\0';
  wchar_t folder[kPathUnits];
  UINT n = GetSystemDirectoryW(folder, kPathUnits);
  if (n == 0 || n >= kPathUnits) return 0;
  const wchar_t* slash = folder[n - 1] == L'\\' ? L"" : L"\\";
  if (FormatString(out, kPathUnits, L"%s%s%s.ime", folder, slash, imeName ? imeName : L"") !=
      S_OK) {
    out[0] = L'\0';
    return 0;
  }
  return 1;
}

int ReadDisplayName(const wchar_t* productKey, wchar_t* out, uint32_t capacity,
                    const OsServices& os) {
  return ReadImeRegistryValue(productKey, L"DisplayName", out, capacity, os);
}

int ReadDataLocation(const wchar_t* productKey, wchar_t* out, uint32_t capacity,
                     const OsServices& os) {
  return ReadImeRegistryValue(productKey, L"DataLocation", out, capacity, os);
}

int SetClipboardText(ConfigServices& services, const wchar_t* text, int length) {
  if (!text || length < 0) return -1;
  return services.SetClipboardText(text, static_cast<size_t>(length)) ? 0 : -1;
}

int JoinSettingRecords(const ImeContext* context, int n, wchar_t* out) {
  if (!out) return 0;
  out[0] = L'\0';
  if (!context || !context->imeBlock || n <= 0) return 0;
  const ImeConfigBlock* ime = context->imeBlock;
  int count = ime->recentCommitCount;
  // The count lives in a shared file: never trust it past the array.
  if (count < 0) count = 0;
  if (count > 16) count = 16;
  int first = count > n ? count - n : 0;
  std::wstring joined;
  for (int i = first; i < count; ++i) {
    const RecentCommitRecord& record = ime->recentCommits[i];
    joined.append(record.word, BoundedLength(record.word, 16));
  }
  // When the records do not fit, the newest text is what the callers want.
  constexpr size_t kRoom = 127;
  if (joined.size() > kRoom) {
    size_t from = joined.size() - kRoom;
    // Never start in the middle of a surrogate pair.
    if (joined[from] >= 0xDC00 && joined[from] <= 0xDFFF) ++from;
    joined.erase(0, from);
  }
  CopyStringBounded(out, 128, joined.c_str());
  return 0;
}

int QueryVersionString(const wchar_t* path, const wchar_t* valueName, wchar_t* out) {
  return ::QueryVersionString(path, valueName, out, 128);
}

uint64_t ParseVersionText(const wchar_t* text) {
  DottedVersion version;
  ParseDottedVersion(text, &version);
  return version.packed;
}

ItfTable::ItfTable(ConfigServices& services, const ImeContext* context, int kind) {
  if (!context || !context->moduleHandle) return;
  // Looked up at each use: the module may lack the export.
  auto get = reinterpret_cast<decltype(&ZNITFGetObject)>(
      reinterpret_cast<void*>(services.ModuleProc(context->moduleHandle, "ZNITFGetObject")));
  if (!get) return;
  ItfObject* table = nullptr;
  if (!get(kind, &table)) table = nullptr;
  table_ = table;
}

ItfTable::~ItfTable() {
  if (table_ && table_->release) table_->release(table_);
}
