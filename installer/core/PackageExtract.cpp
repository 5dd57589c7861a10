// Package unpacking over the shared archive loader.
#include "installer/core/PackageExtract.h"

#include "engine/WideString.h"
#include "installer/core/FolderTree.h"
#include "installer/core/Messages.h"
#include "installer/core/PackageSettings.h"
#include "installer/core/PackageSplit.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

// What a package may hold; the directory of a damaged zip is not trusted.
constexpr ArchiveLimits kPackageLimits{4096, 256u << 20, 512ull << 20};

bool DecodeName(const ArchiveEntry& entry, std::wstring* out) {
  const char* name = entry.name;
  size_t n = strnlen(name, sizeof(entry.name));
  bool ascii = true;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20) return false;
    if (c >= 0x80) ascii = false;
  }
  if (ascii) {
    out->assign(name, name + n);
    return true;
  }
  // Our packer writes ASCII names only; another code page could not be told
  // apart, so only names declared UTF-8 are taken.
  if (!(entry.flags & kArchiveEntryUtf8Name)) return false;
  wchar_t wide[sizeof(entry.name)];
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, static_cast<int>(n), wide,
                                  static_cast<int>(sizeof(entry.name)));
  if (units <= 0) return false;
  out->assign(wide, static_cast<size_t>(units));
  return true;
}

}  // namespace

bool EntryRelativePath(const ArchiveEntry& entry, std::wstring* out, bool* isFolder) {
  out->clear();
  *isFolder = false;
  if (!(entry.flags & kArchiveEntryRead) || (entry.flags & kArchiveEntryNameCut)) return false;
  std::wstring name;
  if (!DecodeName(entry, &name)) return false;
  for (wchar_t& c : name) {
    if (c == L'/') c = L'\\';
  }
  if (!name.empty() && name[0] == L'\\') name.erase(0, 1);
  if (!name.empty() && name.back() == L'\\') {
    *isFolder = true;
    name.pop_back();
  }
  if (name.empty()) return false;
  std::wstring relative;
  for (size_t at = 0; at <= name.size();) {
    size_t end = name.find(L'\\', at);
    if (end == std::wstring::npos) end = name.size();
    std::wstring part = name.substr(at, end - at);
    if (!IsPlainFileName(part)) return false;
    relative += (relative.empty() ? L"" : L"\\") + part;
    at = end + 1;
  }
  *out = relative;
  return true;
}

int WriteZipEntry(InstallerOs& os, const ArchiveEntry& entry, const std::wstring& targetFolder) {
  std::wstring relative;
  bool isFolder = false;
  if (!EntryRelativePath(entry, &relative, &isFolder)) return 0;
  std::wstring base;
  std::wstring path;
  if (!os.FullPathName(WithBackslash(targetFolder).c_str(), &base) ||
      !os.FullPathName((WithBackslash(targetFolder) + relative).c_str(), &path)) {
    return 0;
  }
  // The checked name cannot climb out, but the resolved path decides.
  if (!IsStrictlyInside(path, WithBackslash(base))) return 0;
  if (isFolder) return CreateDirectoryPath(os, path) ? 1 : 0;
  size_t cut = path.rfind(L'\\');
  if (cut == std::wstring::npos || !CreateDirectoryPath(os, path.substr(0, cut))) return 0;
  return os.WriteFile(path.c_str(), entry.data, entry.length) ? 1 : 0;
}

int ExtractZipToFolder(InstallerOs& os, const std::wstring& zipPath,
                       const std::wstring& targetFolder, ExtractProgress* progress) {
  if (targetFolder.empty()) return 0;
  ArchiveEntryList* list = LoadArchiveEntriesW(zipPath.c_str(), kPackageLimits);
  if (!list) return 0;
  const ArchiveEntry* entries = list->Entries();
  uint64_t total = 0;
  for (uint32_t i = 0; i < list->count; ++i) total += entries[i].length;
  uint64_t done = 0;
  bool all = true;
  for (uint32_t i = 0; i < list->count; ++i) {
    const ArchiveEntry& entry = entries[i];
    bool written = WriteZipEntry(os, entry, targetFolder) == 1;
    all = all && written;
    if (written) done += entry.length;
    if (progress) {
      std::wstring name;
      for (size_t k = 0; k < sizeof(entry.name) && entry.name[k]; ++k) {
        name += static_cast<wchar_t>(static_cast<unsigned char>(entry.name[k]));
      }
      wchar_t label[128];
      FormatString(label, 128, written ? kExtractSuccess : kExtractFailure,
                   name.substr(0, 64).c_str());
      progress->Show(label, written ? (total ? static_cast<int>(done * 100 / total) : 0) : 0);
    }
  }
  if (progress) progress->Show(kExtractDone, total ? 100 : 0);
  FreeArchiveEntries(list);
  return all ? 1 : 0;
}

bool ExtractPackage(InstallerState& state, InstallerOs& os, ExtractProgress* progress) {
  if (!SplitOverlay(state, os)) return false;
  std::wstring unpack = WithBackslash(state.workFolder) + L"zipdatas\\";
  if (!CopyToBuffer(state.unpackFolder, kPathUnits, unpack)) return false;
  return ExtractZipToFolder(os, state.packagePath, unpack, progress) > 0 &&
         LoadPackageSettings(state, os);
}
