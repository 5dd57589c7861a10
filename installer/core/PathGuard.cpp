// Path checks before anything is removed; pure string work apart from the
// known folders and the drive type the seam supplies.
#include "installer/core/PathGuard.h"

#include <cwctype>

namespace {

bool IsDeviceName(const std::wstring& name) {
  // Windows maps these to devices whatever their extension.
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  std::wstring upper;
  for (wchar_t c : base) upper += static_cast<wchar_t>(std::towupper(c));
  if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" ||
      upper == L"CONIN$" || upper == L"CONOUT$") {
    return true;
  }
  return upper.size() == 4 &&
         (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0) &&
         upper[3] >= L'0' && upper[3] <= L'9';
}

}  // namespace

bool IsPlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name) {
    if (c < 0x20 || wcschr(L"<>:\"/\\|?*", c)) return false;
  }
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsDeviceName(name);
}

bool NormaliseLocalPath(const std::wstring& path, std::wstring* out) {
  out->clear();
  if (path.size() < 3) return false;
  wchar_t drive = static_cast<wchar_t>(std::towupper(path[0]));
  if (drive < L'A' || drive > L'Z' || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) {
    return false;
  }
  std::wstring result = {drive, L':', L'\\'};
  size_t at = 3;
  while (at < path.size()) {
    size_t end = path.find_first_of(L"\\/", at);
    if (end == std::wstring::npos) end = path.size();
    std::wstring part = path.substr(at, end - at);
    if (!IsPlainFileName(part)) return false;
    result += part + L'\\';
    at = end + 1;
  }
  *out = result;
  return true;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsStrictlyInside(const std::wstring& child, const std::wstring& parent) {
  if (parent.empty()) return false;
  // "C:\ab" is not inside "C:\a": compare up to a separator.
  std::wstring base = parent.back() == L'\\' ? parent : parent + L'\\';
  if (child.size() <= base.size()) return false;
  return SamePath(child.substr(0, base.size()), base);
}

PathVerdict CheckRemovalTarget(const std::wstring& target, const RemovalGuard& guard,
                               uint32_t driveType) {
  std::wstring path;
  if (!NormaliseLocalPath(target, &path)) return PathVerdict::kMalformed;
  if (driveType != DRIVE_FIXED && driveType != DRIVE_REMOVABLE && driveType != DRIVE_RAMDISK) {
    return PathVerdict::kNotLocal;
  }
  if (path.size() == 3) return PathVerdict::kDriveRoot;
  for (const std::wstring& folder : guard.protectedFolders) {
    if (SamePath(path, folder) || IsStrictlyInside(folder, path)) return PathVerdict::kProtected;
  }
  if (!IsStrictlyInside(path, guard.expectedParent)) return PathVerdict::kOutsideParent;
  return PathVerdict::kOk;
}

RemovalGuard MakeRemovalGuard(InstallerOs& os, const std::wstring& expectedParent) {
  RemovalGuard guard;
  NormaliseLocalPath(expectedParent, &guard.expectedParent);
  for (KnownFolder which :
       {KnownFolder::kTemp, KnownFolder::kWindows, KnownFolder::kSystem, KnownFolder::kSystemWow64,
        KnownFolder::kFonts, KnownFolder::kProgramFiles, KnownFolder::kProgramFilesX86,
        KnownFolder::kCommonAppData, KnownFolder::kCommonPrograms, KnownFolder::kCommonDesktop,
        KnownFolder::kDesktop, KnownFolder::kDocuments, KnownFolder::kProfile,
        KnownFolder::kInternetCache}) {
    std::wstring folder;
    std::wstring normal;
    if (os.GetKnownFolder(which, &folder) && NormaliseLocalPath(folder, &normal)) {
      guard.protectedFolders.push_back(normal);
    }
  }
  return guard;
}

PathVerdict CheckRemovalTarget(InstallerOs& os, const std::wstring& target,
                               const RemovalGuard& guard) {
  return CheckRemovalTarget(target, guard, os.DriveType(target.c_str()));
}
