// Files, folders, known places and file security of the real installer seam.
#include <windows.h>
#include <shlobj.h>

#include "installer/core/ProductPaths.h"
#include "installer/core/Win32InstallerOs.h"

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
  return RemoveDirectoryW(path) != FALSE;
}

bool Win32InstallerOs::RemoveFile(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return DeleteFileW(path) != FALSE;
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

bool Win32InstallerOs::ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl,
                                    uint16_t* control) {
  acl->clear();
  DWORD needed = 0;
  GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<uint8_t> descriptor(needed);
  if (!GetFileSecurityW(path, DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) {
    return false;
  }
  SECURITY_DESCRIPTOR_CONTROL bits = 0;
  DWORD revision = 0;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  ACL* dacl = nullptr;
  if (!GetSecurityDescriptorControl(descriptor.data(), &bits, &revision) ||
      !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted)) {
    return false;
  }
  *control = bits;
  if (present && dacl) {
    ACL_SIZE_INFORMATION size{};
    if (!GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation)) return false;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
    acl->assign(bytes, bytes + size.AclBytesInUse);
  }
  return true;
}

bool Win32InstallerOs::WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, const_cast<ACL*>(acl), FALSE)) {
    return false;
  }
  const SECURITY_DESCRIPTOR_CONTROL kCarried =
      SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;
  if (!SetSecurityDescriptorControl(&descriptor, kCarried, control & kCarried)) return false;
  return SetFileSecurityW(path, DACL_SECURITY_INFORMATION, &descriptor) != FALSE;
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
