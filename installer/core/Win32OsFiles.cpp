// Files, folders and known places of the real installer seam, by path; a
// link at a path's end is removed itself, never followed.
#include <windows.h>
#include <shlobj.h>

#include "installer/core/ProductPaths.h"
#include "installer/core/ScopedHandle.h"
#include "installer/core/Win32InstallerOs.h"
#include "installer/core/Win32OsEntries.h"

namespace win32_entries {

// The entry itself: a link at the path's end is opened, not followed.
HANDLE OpenEntry(const wchar_t* path, DWORD access) {
  return CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Attributes and number of names of an open entry, by queries that need
// no path: an entry opened below a folder that has moved since may have
// none that still leads to it.
bool EntryShape(HANDLE entry, DWORD* attributes, DWORD* links) {
  FILE_BASIC_INFO basic{};
  FILE_STANDARD_INFO standard{};
  if (!GetFileInformationByHandleEx(entry, FileBasicInfo, &basic, sizeof(basic)) ||
      !GetFileInformationByHandleEx(entry, FileStandardInfo, &standard, sizeof(standard))) {
    return false;
  }
  *attributes = basic.FileAttributes;
  *links = standard.NumberOfLinks;
  return true;
}

// FileDispositionInfoEx, which these headers show only to newer targets.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

bool MarkForDeletion(HANDLE entry) {
  // The name goes at once, not when the last handle closes, so a new file
  // can take it; older systems only know the deletion at the last close.
  FILE_DISPOSITION_INFO_EX now{};
  now.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  if (SetFileInformationByHandle(entry, kDispositionInfoEx, &now, sizeof(now))) return true;
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition,
                                    sizeof(disposition)) != FALSE;
}

}  // namespace win32_entries

using namespace win32_entries;

namespace {

bool ShellFolder(int csidl, std::wstring* out) {
  wchar_t buffer[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                              buffer))) {
    return false;
  }
  *out = WithBackslash(buffer);
  return buffer[0] != L'\0';
}

}  // namespace

Win32InstallerOs::~Win32InstallerOs() {
  if (instanceLock_) CloseHandle(instanceLock_);
}

uint32_t Win32InstallerOs::FileAttributes(const wchar_t* path) {
  return GetFileAttributesW(path);
}

bool Win32InstallerOs::SetAttributes(const wchar_t* path, uint32_t attributes) {
  return SetFileAttributesW(path, attributes) != FALSE;
}

bool Win32InstallerOs::CreateFolder(const wchar_t* path) {
  return CreateDirectoryW(path, nullptr) != FALSE;
}

bool Win32InstallerOs::RemoveFolder(const wchar_t* path) {
  {
    KernelHandle folder(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder.get() || !GetFileInformationByHandle(folder.get(), &info)) return false;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_DIRECTORY);
      return false;
    }
    // A folder with entries refuses; a folder link goes, its target stays.
    if (!MarkForDeletion(folder.get())) return false;
  }
  return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
}

bool Win32InstallerOs::RemoveFile(const wchar_t* path) {
  HANDLE opened = OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  // Deleting needs no attribute rights unless the file is read-only.
  if (opened == INVALID_HANDLE_VALUE) opened = OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES);
  KernelHandle file(opened);
  FILE_BASIC_INFO basic{};
  if (!file.get() ||
      !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic))) {
    return false;
  }
  if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO writable{};  // zero times: left as they are
    writable.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file.get(), FileBasicInfo, &writable, sizeof(writable));
  }
  return MarkForDeletion(file.get());
}

bool Win32InstallerOs::CopyOneFile(const wchar_t* source, const wchar_t* target, bool overwrite,
                                   uint32_t* error) {
  BOOL ok = CopyFileW(source, target, overwrite ? FALSE : TRUE);
  if (error) *error = ok ? 0 : GetLastError();
  return ok != FALSE;
}

bool Win32InstallerOs::RenameFile(const wchar_t* source, const wchar_t* target) {
  return MoveFileExW(source, target, 0) != FALSE;
}

bool Win32InstallerOs::DeleteAtReboot(const wchar_t* path) {
  return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool Win32InstallerOs::ListFolder(const wchar_t* folder, std::vector<FolderEntry>* out) {
  out->clear();
  std::wstring pattern = WithBackslash(folder) + L"*";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = name;
    entry.attributes = found.dwFileAttributes;
    entry.sizeBytes = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    out->push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

bool Win32InstallerOs::ReadFile(const wchar_t* path, std::vector<uint8_t>* out, uint64_t maxBytes) {
  out->clear();
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && static_cast<uint64_t>(size.QuadPart) <= maxBytes &&
            size.QuadPart < 0x7FFFFFFF;
  if (ok) {
    out->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = out->empty() ||
         (::ReadFile(file, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) &&
          got == out->size());
  }
  CloseHandle(file);
  if (!ok) out->clear();
  return ok;
}

bool Win32InstallerOs::WriteFile(const wchar_t* path, const void* data, size_t sizeBytes) {
  if (sizeBytes > 0x7FFFFFFF) return false;
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = sizeBytes == 0 ||
            (::WriteFile(file, data, static_cast<DWORD>(sizeBytes), &written, nullptr) &&
             written == sizeBytes);
  ok = FlushFileBuffers(file) && ok;
  ok = CloseHandle(file) && ok;
  if (!ok) DeleteFileW(path);
  return ok;
}

bool Win32InstallerOs::FullPathName(const wchar_t* path, std::wstring* out) {
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = GetFullPathNameW(path, MAX_PATH * 2, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH * 2) return false;
  *out = buffer;
  return true;
}

uint32_t Win32InstallerOs::DriveType(const wchar_t* path) {
  if (!path || !path[0] || path[1] != L':') return DRIVE_UNKNOWN;
  wchar_t root[4] = {path[0], L':', L'\\', L'\0'};
  return GetDriveTypeW(root);
}

bool Win32InstallerOs::GetKnownFolder(KnownFolder which, std::wstring* out) {
  wchar_t buffer[MAX_PATH];
  UINT n = 0;
  switch (which) {
    case KnownFolder::kTemp: {
      DWORD units = GetTempPathW(MAX_PATH, buffer);
      if (units == 0 || units >= MAX_PATH) return false;
      // The temporary path may come in its short form; guards compare long paths.
      wchar_t longPath[MAX_PATH];
      DWORD longUnits = GetLongPathNameW(buffer, longPath, MAX_PATH);
      *out = WithBackslash(longUnits > 0 && longUnits < MAX_PATH ? longPath : buffer);
      return true;
    }
    case KnownFolder::kWindows:
      n = GetWindowsDirectoryW(buffer, MAX_PATH);
      break;
    case KnownFolder::kSystem:
      n = GetSystemDirectoryW(buffer, MAX_PATH);
      break;
    case KnownFolder::kSystemWow64:
      n = GetSystemWow64DirectoryW(buffer, MAX_PATH);
      break;
    case KnownFolder::kFonts:
      return ShellFolder(CSIDL_FONTS, out);
    case KnownFolder::kProgramFiles:
      return ShellFolder(CSIDL_PROGRAM_FILES, out);
    case KnownFolder::kProgramFilesX86:
      return ShellFolder(CSIDL_PROGRAM_FILESX86, out);
    case KnownFolder::kCommonAppData:
      return ShellFolder(CSIDL_COMMON_APPDATA, out);
    case KnownFolder::kCommonPrograms:
      return ShellFolder(CSIDL_COMMON_PROGRAMS, out);
    case KnownFolder::kCommonDesktop:
      return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, out);
    case KnownFolder::kDesktop:
      return ShellFolder(CSIDL_DESKTOPDIRECTORY, out);
    case KnownFolder::kDocuments:
      return ShellFolder(CSIDL_PERSONAL, out);
    case KnownFolder::kProfile:
      return ShellFolder(CSIDL_PROFILE, out);
    case KnownFolder::kInternetCache:
      return ShellFolder(CSIDL_INTERNET_CACHE, out);
  }
  if (n == 0 || n >= MAX_PATH) return false;
  *out = WithBackslash(buffer);
  return true;
}

std::wstring Win32InstallerOs::OwnPath() {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  return buffer;
}

uint32_t Win32InstallerOs::OwnProcessId() {
  return GetCurrentProcessId();
}
