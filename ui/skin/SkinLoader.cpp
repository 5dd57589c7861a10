// Which skin file an input context loads, reloading on a changed name, and
// the skin lists of the function menu and the appearance page.
#include "ui/skin/SkinLoader.h"

#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "engine/ConfigBlocks.h"
#include "engine/DataLock.h"
#include "ui/skin/SkinImage.h"

namespace {

constexpr int kPathUnits = MAX_PATH;
constexpr UINT kRelayoutMessage = WM_USER + 100;

wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
}

bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// Joins the parts into out; false (out emptied) when they do not fit, so a
// cut path is never opened.
bool JoinPath(wchar_t (&out)[kPathUnits], std::initializer_list<const wchar_t*> parts) {
  size_t used = 0;
  out[0] = 0;
  for (const wchar_t* part : parts) {
    size_t n = std::wcslen(part);
    if (n >= kPathUnits - used) {
      out[0] = 0;
      return false;
    }
    std::wmemcpy(out + used, part, n + 1);
    used += n;
  }
  return true;
}

// The install folder with a trailing backslash.
bool BaseFolder(const wchar_t* installFolder, wchar_t (&out)[kPathUnits]) {
  if (!installFolder || !installFolder[0]) return false;
  size_t n = std::wcslen(installFolder);
  bool slash = installFolder[n - 1] == L'\\';
  return JoinPath(out, {installFolder, slash ? L"" : L"\\"});
}

bool IsSkinFileName(const wchar_t* name) {
  size_t n = std::wcslen(name);
  if (name[0] == L'.' || n < 4 || n >= kSkinFileNameUnits) return false;
  const wchar_t* ext = name + n - 4;
  return std::wcscmp(ext, L".col") == 0 || std::wcscmp(ext, L".icc") == 0;
}

bool FileExists(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Calls visit(name) for every skin file of folder until it returns false.
template <typename Visit>
void EnumerateSkinFiles(const wchar_t* folder, Visit visit) {
  wchar_t pattern[kPathUnits];
  size_t n = std::wcslen(folder);
  bool slash = n > 0 && folder[n - 1] == L'\\';
  if (!JoinPath(pattern, {folder, slash ? L"*" : L"\\*"})) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if (!IsSkinFileName(found.cFileName)) continue;
    if (!visit(found.cFileName)) break;
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

constexpr size_t kNameUnits = kSkinNameUnits;
// Appearance flag: take the block's two fonts instead of the skin's.
constexpr uint32_t kUseBlockFonts = 0x8000;

// A name field of the shared block, copied and terminated whatever it holds.
void ReadName(const wchar_t (&field)[kNameUnits], wchar_t (&out)[kNameUnits]) {
  std::wmemcpy(out, field, kNameUnits);
  out[kNameUnits - 1] = 0;
}

// At most 39 units of name; the rest of the field zeroed.
void WriteName(wchar_t (&field)[kNameUnits], const wchar_t* name) {
  wchar_t value[kNameUnits] = {};
  for (size_t i = 0; i + 1 < kNameUnits && name[i]; ++i) value[i] = name[i];
  std::wmemcpy(field, value, kNameUnits);
}

const wchar_t* FileNamePart(const wchar_t* path) {
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  return slash ? slash + 1 : path;
}

// The file LoadSelectedSkinFor loads: the configured one when it exists,
// else by the folder's listing.
bool ChooseSkinFile(const wchar_t* base,
                    const SkinConfigBlock* block,
                    wchar_t (&path)[kPathUnits]) {
  wchar_t configured[kNameUnits];
  ReadName(block->skinName, configured);
  if (configured[0] && JoinPath(path, {base, L"tessel\\", configured}) && FileExists(path)) {
    return true;
  }

  wchar_t folder[kPathUnits];
  if (!JoinPath(folder, {base, L"tessel\\"})) return false;
  wchar_t names[kMaxListedSkins][kSkinFileNameUnits];
  int count = ListSkinFiles(folder, names, kMaxListedSkins);
  if (count == 0) return JoinPath(path, {base, L"skin.col"});

  int pick = 0;
  if (std::wcscmp(configured, kNextSkinName) == 0) {
    wchar_t loaded[kNameUnits];
    ReadName(block->loadedSkinName, loaded);
    for (int i = 0; i < count; ++i) {
      if (EqualsIgnoringAsciiCase(names[i], loaded)) {
        pick = (i + 1) % count;
        break;
      }
    }
  }
  return JoinPath(path, {folder, names[pick]});
}

}  // namespace

void ConfiguredSkinName(const SkinConfigBlock& block, wchar_t (&out)[kSkinNameUnits]) {
  ReadName(block.skinName, out);
}

int ListSkinFiles(const wchar_t* folder, wchar_t (*names)[kSkinFileNameUnits], int maxNames) {
  int count = 0;
  if (!folder || maxNames <= 0) return 0;
  EnumerateSkinFiles(folder, [&](const wchar_t* name) {
    std::wcscpy(names[count++], name);
    return count < maxNames;
  });
  return count;
}

void ClearSkinList(SkinList* list) {
  for (SkinImageSet& set : list->images) FreeSkin(&set);
  std::memset(list, 0, sizeof(*list));
}

int LoadSkinFolder(const wchar_t* folder, SkinList* list) {
  if (!folder) return list->count;
  EnumerateSkinFiles(folder, [&](const wchar_t* name) {
    if (list->count >= kMaxListedSkins) return false;
    wchar_t path[kPathUnits];
    size_t n = std::wcslen(folder);
    bool slash = n > 0 && folder[n - 1] == L'\\';
    if (JoinPath(path, {folder, slash ? L"" : L"\\", name})) {
      int i = list->count;
      if (LoadSkinArchive(&list->values[i], &list->images[i], path)) {
        ++list->count;
      } else {
        std::memset(&list->values[i], 0, sizeof(list->values[i]));
      }
    }
    return list->count < kMaxListedSkins;
  });
  return list->count;
}

int LoadSelectedSkinFor(const SkinHost& host) {
  wchar_t base[kPathUnits];
  wchar_t path[kPathUnits];
  if (!host.skin || !host.skinBlock || !BaseFolder(host.installFolder, base) ||
      !ChooseSkinFile(base, host.skinBlock, path)) {
    return 0;
  }
  // Load beside the current skin: a bad file must leave the previous one.
  SkinValues values;
  SkinImageSet images;
  if (!LoadSkinArchive(&values, &images, path)) return 0;
  FreeSkin(&host.skin->images);
  host.skin->values = values;
  host.skin->images = images;

  // The names are shared settings: written whole under the data folder's
  // lock, or left for the next load when another writer holds it too long.
  DataWriteLock lock(host.settingsFile);
  if (lock.Held()) {
    const wchar_t* name = FileNamePart(path);
    WriteName(host.skinBlock->skinName, name);
    WriteName(host.skinBlock->loadedSkinName, name);
  }
  return 1;
}

void ReloadSkinFor(const SkinHost& host) {
  if (!host.skin || !host.skinBlock) return;
  const wchar_t* loadedPath = host.skin->values.loadedPath;
  if (!std::wcschr(loadedPath, L'\\')) return;
  wchar_t configured[kNameUnits];
  ReadName(host.skinBlock->skinName, configured);
  if (EqualsIgnoringAsciiCase(configured, FileNamePart(loadedPath))) return;

  if (!LoadSelectedSkinFor(host)) return;
  // The status bar goes to the new skin's default corner.
  {
    DataWriteLock lock(host.settingsFile);
    if (lock.Held()) {
      host.skinBlock->statusX = 0;
      host.skinBlock->statusY = 0;
    }
  }
  if (host.statusWindow && IsWindow(host.statusWindow)) {
    SendMessageW(host.statusWindow, kRelayoutMessage, 0, 0);
  }
  if (host.candidateWindow && IsWindow(host.candidateWindow)) {
    SendMessageW(host.candidateWindow, kRelayoutMessage, 0, 0);
  }
}

int LoadSkinListFor(const SkinHost& host, SkinList* list) {
  if (!list) return 0;
  ClearSkinList(list);
  wchar_t base[kPathUnits];
  wchar_t path[kPathUnits];
  if (!BaseFolder(host.installFolder, base)) return 0;
  if (JoinPath(path, {base, L"tessel\\"})) LoadSkinFolder(path, list);
  if (list->count == 0 && JoinPath(path, {base, L"skin.col"})) {
    if (LoadSkinArchive(&list->values[0], &list->images[0], path)) {
      list->count = 1;
    } else {
      std::memset(&list->values[0], 0, sizeof(list->values[0]));
    }
  }
  return list->count;
}

void GetSkinFontSpecsFor(const SkinHost& host, FontSpec* codeFont, FontSpec* candidateFont) {
  std::memset(codeFont, 0, sizeof(*codeFont));
  std::memset(candidateFont, 0, sizeof(*candidateFont));
  if (host.skinBlock && (host.skinBlock->appearanceFlags & kUseBlockFonts)) {
    *codeFont = host.skinBlock->codeFont;
    *candidateFont = host.skinBlock->candidateFont;
    codeFont->face[39] = 0;
    candidateFont->face[39] = 0;
  } else if (host.skin) {
    *codeFont = host.skin->values.text.codeFont;
    *candidateFont = host.skin->values.text.candidateFont;
  }
}
