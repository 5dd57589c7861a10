// Files, folders, known places and file security of the real installer seam.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>
#include <winternl.h>

#include "installer/core/FileAccess.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/ScopedHandle.h"
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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

// A plain file or folder: no link, and a file with one name only, so its
// rights cannot reach a file somewhere else.
bool IsPlainEntry(HANDLE entry) {
  DWORD attributes = 0;
  DWORD links = 0;
  if (!EntryShape(entry, &attributes, &links)) return false;
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || (!folder && links > 1)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
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

bool IsCaller(PSID sid) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  KernelHandle token(raw);
  alignas(TOKEN_USER) uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD bytes = 0;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &bytes)) return false;
  return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid) != FALSE;
}

// What an open entry is: link, folder, names, owner.
PathPresence FactsOf(HANDLE entry, PathFacts* out) {
  DWORD attributes = 0;
  DWORD links = 0;
  if (!EntryShape(entry, &attributes, &links)) return PathPresence::kUnreadable;
  out->attributes = attributes;
  out->linkCount = links;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return PathPresence::kUnreadable;
  }
  if (owner && IsValidSid(owner)) {
    const uint8_t* bytes = static_cast<const uint8_t*>(owner);
    out->owner.assign(bytes, bytes + GetLengthSid(owner));
    out->ownerIsCaller = IsCaller(owner);
  }
  LocalFree(descriptor);
  return out->owner.empty() ? PathPresence::kUnreadable : PathPresence::kPresent;
}

// The DACL of an open entry, whatever it is.
bool DaclOf(HANDLE entry, std::vector<uint8_t>* acl, uint16_t* control) {
  acl->clear();
  ACL* dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD rc = GetSecurityInfo(entry, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                             &dacl, nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return false;
  }
  SECURITY_DESCRIPTOR_CONTROL bits = 0;
  DWORD revision = 0;
  ACL_SIZE_INFORMATION size{};
  bool ok = GetSecurityDescriptorControl(descriptor, &bits, &revision) &&
            (!dacl || GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation));
  if (ok) {
    *control = bits;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
    if (dacl) acl->assign(bytes, bytes + size.AclBytesInUse);
  }
  LocalFree(descriptor);
  return ok;
}

// The object itself only: SetSecurityInfo would also walk what lies below
// a folder, where others may have put links.
bool SetDaclOf(HANDLE entry, const ACL* acl, uint16_t control) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, const_cast<ACL*>(acl), FALSE)) {
    return false;
  }
  const SECURITY_DESCRIPTOR_CONTROL kCarried =
      SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;
  return SetSecurityDescriptorControl(&descriptor, kCarried, control & kCarried) &&
         SetKernelObjectSecurity(entry, DACL_SECURITY_INFORMATION, &descriptor);
}

bool ReadDaclOf(HANDLE entry, std::vector<uint8_t>* acl, uint16_t* control) {
  acl->clear();
  return entry && IsPlainEntry(entry) && DaclOf(entry, acl, control);
}

bool WriteDaclOf(HANDLE entry, const ACL* acl, uint16_t control) {
  return entry && IsPlainEntry(entry) && SetDaclOf(entry, acl, control);
}

// rights added to the DACL of a file judged plain through this very handle:
// a name given to it since takes nothing from the data folder.
bool AddRightsOf(HANDLE file, const ACL* rights) {
  std::vector<uint8_t> old;
  uint16_t control = 0;
  if (!DaclOf(file, &old, &control)) return false;
  // A null DACL already lets everyone in; entries would lock the rest out.
  if (old.empty()) return true;
  std::vector<uint8_t> dacl;
  return AddAccessEntries(reinterpret_cast<const ACL*>(old.data()), rights, &dacl) &&
         SetDaclOf(file, reinterpret_cast<const ACL*>(dacl.data()), CarriedDaclControl(control));
}

// The DACL a file is made with in folder: rights, then what the folder
// passes to files, marked inherited. Windows puts the folder's entries in
// itself as it makes the file, in place of such copies; a system that does
// not (Wine) still gives the file them, and with them its owner's access.
bool CreationDacl(HANDLE folder, const ACL* rights, std::vector<uint8_t>* out) {
  std::vector<uint8_t> parent;
  uint16_t control = 0;
  if (!DaclOf(folder, &parent, &control)) parent.clear();
  const ACL* passed = parent.empty() ? nullptr : reinterpret_cast<const ACL*>(parent.data());
  ACL_SIZE_INFORMATION own{};
  if (!GetAclInformation(const_cast<ACL*>(rights), &own, sizeof(own), AclSizeInformation)) {
    return false;
  }
  out->assign(own.AclBytesInUse + parent.size(), 0);
  ACL* acl = reinterpret_cast<ACL*>(out->data());
  if (!InitializeAcl(acl, static_cast<DWORD>(out->size()), ACL_REVISION)) return false;
  for (DWORD i = 0; i < own.AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(rights), i, &ace) ||
        !AddAce(acl, ACL_REVISION, MAXDWORD, ace, static_cast<ACE_HEADER*>(ace)->AceSize)) {
      return false;
    }
  }
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  std::vector<uint8_t> creatorOwner = WellKnownSid(WinCreatorOwnerSid);
  std::vector<uint8_t> creatorGroup = WellKnownSid(WinCreatorGroupSid);
  for (DWORD i = 0; passed && i < passed->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(passed), i, &ace)) return false;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (!(header->AceFlags & OBJECT_INHERIT_ACE) ||
        (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)) {
      continue;
    }
    // Allowed and denied entries share one layout.
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(ace),
                              static_cast<const uint8_t*>(ace) + header->AceSize);
    auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(copy.data());
    PSID sid = &entry->SidStart;
    // Whose these stand for only the system knows as it makes the file.
    if ((!creatorOwner.empty() && EqualSid(sid, creatorOwner.data())) ||
        (!creatorGroup.empty() && EqualSid(sid, creatorGroup.data()))) {
      continue;
    }
    entry->Header.AceFlags = INHERITED_ACE;
    MapGenericMask(&entry->Mask, &mapping);
    if (!AddAce(acl, ACL_REVISION, MAXDWORD, copy.data(), header->AceSize)) return false;
  }
  return true;
}

// A protected DACL, owned by Administrators when Administrators is set.
bool SecuredDescriptor(SECURITY_DESCRIPTOR* descriptor, const ACL* dacl,
                       std::vector<uint8_t>* admins) {
  if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(descriptor, TRUE, const_cast<ACL*>(dacl), FALSE) ||
      !SetSecurityDescriptorControl(descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return false;
  }
  *admins = WellKnownSid(WinBuiltinAdministratorsSid);
  return admins->empty() || SetSecurityDescriptorOwner(descriptor, admins->data(), FALSE);
}

constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kInvalidOwner = static_cast<NTSTATUS>(0xC000005A);
constexpr NTSTATUS kBadName = static_cast<NTSTATUS>(0xC0000033);
// Levels are held for looking through and making entries in, never shared
// for deletion: no one renames or removes them while they are held.
constexpr DWORD kLevelAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// name in folder by the folder's handle, not by a path: renaming a level
// above, or putting a link where it was, changes nothing here. A link at
// the name is opened itself.
NTSTATUS OpenBelow(HANDLE folder, const wchar_t* name, DWORD access, DWORD share,
                   DWORD disposition, DWORD options, SECURITY_DESCRIPTOR* descriptor,
                   HANDLE* out) {
  *out = nullptr;
  size_t units = wcslen(name);
  NTSTATUS status = kBadName;
  if (folder && units > 0 && units < 256 && !wcschr(name, L'\\') && !wcschr(name, L'/')) {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name);
    text.Length = text.MaximumLength = static_cast<USHORT>(units * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, descriptor);
    IO_STATUS_BLOCK io{};
    status = NtCreateFile(out, access | SYNCHRONIZE, &attributes, &io, nullptr,
                          FILE_ATTRIBUTE_NORMAL, share, disposition,
                          options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr,
                          0);
  }
  if (status < 0) {
    *out = nullptr;
    SetLastError(RtlNtStatusToDosError(status));
  }
  return status;
}

bool CopyBytes(HANDLE from, HANDLE to) {
  std::vector<uint8_t> buffer(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return false;
    }
    if (got == 0) return true;
    DWORD put = 0;
    if (!::WriteFile(to, buffer.data(), got, &put, nullptr)) return false;
    if (put != got) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
  }
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

bool Win32InstallerOs::ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl,
                                    uint16_t* control) {
  acl->clear();
  KernelHandle file(OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES));
  return ReadDaclOf(file.get(), acl, control);
}

bool Win32InstallerOs::WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) {
  KernelHandle file(OpenEntry(path, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES));
  return WriteDaclOf(file.get(), acl, control);
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

PathPresence Win32InstallerOs::InspectPath(const wchar_t* path, PathFacts* out) {
  *out = PathFacts{};
  KernelHandle entry(OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES));
  if (!entry.get()) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? PathPresence::kMissing
               : PathPresence::kUnreadable;
  }
  return FactsOf(entry.get(), out);
}

bool Win32InstallerOs::CreateSecuredFolder(const wchar_t* path, const ACL* dacl) {
  SECURITY_DESCRIPTOR descriptor;
  std::vector<uint8_t> admins;
  if (!SecuredDescriptor(&descriptor, dacl, &admins)) return false;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  if (CreateDirectoryW(path, &attributes)) return true;
  // Without the right to name Administrators the owner is our own account,
  // which no standard user can be either.
  if (GetLastError() != ERROR_INVALID_OWNER) return false;
  SetSecurityDescriptorOwner(&descriptor, nullptr, FALSE);
  return CreateDirectoryW(path, &attributes) != FALSE;
}

HANDLE Win32InstallerOs::OpenFolder(const wchar_t* path) {
  HANDLE folder = CreateFileW(path, kLevelAccess, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return folder == INVALID_HANDLE_VALUE ? nullptr : folder;
}

PathPresence Win32InstallerOs::OpenLevel(HANDLE parent, const wchar_t* name, HANDLE* out,
                                         PathFacts* facts) {
  *facts = PathFacts{};
  if (OpenBelow(parent, name, kLevelAccess, kHeldShare, FILE_OPEN, 0, nullptr, out) < 0) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? PathPresence::kMissing
               : PathPresence::kUnreadable;
  }
  PathPresence presence = FactsOf(*out, facts);
  if (presence != PathPresence::kPresent) {
    CloseHandle(*out);
    *out = nullptr;
  }
  return presence;
}

bool Win32InstallerOs::CreateLevel(HANDLE parent, const wchar_t* name, const ACL* dacl,
                                   HANDLE* out) {
  SECURITY_DESCRIPTOR descriptor;
  std::vector<uint8_t> admins;
  *out = nullptr;
  if (!SecuredDescriptor(&descriptor, dacl, &admins)) return false;
  NTSTATUS status = OpenBelow(parent, name, kLevelAccess, kHeldShare, FILE_CREATE,
                              FILE_DIRECTORY_FILE, &descriptor, out);
  // Without the right to name Administrators the owner is our own account.
  if (status == kInvalidOwner) {
    SetSecurityDescriptorOwner(&descriptor, nullptr, FALSE);
    status = OpenBelow(parent, name, kLevelAccess, kHeldShare, FILE_CREATE, FILE_DIRECTORY_FILE,
                       &descriptor, out);
  }
  return status >= 0;
}

bool Win32InstallerOs::CopyIntoFolder(HANDLE folder, const wchar_t* name, const wchar_t* source,
                                      bool overwrite, const ACL* rights, HANDLE* file,
                                      uint32_t* error) {
  *file = nullptr;
  auto fail = [&](DWORD code) {
    if (error) *error = code;
    SetLastError(code);
    return false;
  };
  KernelHandle from(CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from.get()) return fail(GetLastError());
  // A new file has its rights from the moment it exists: nothing has to be
  // checked or granted on it afterwards, when others may have given it
  // another name (opening a file for its attributes, which is all a hard
  // link needs, is not stopped by any sharing).
  SECURITY_DESCRIPTOR made;
  SECURITY_DESCRIPTOR* descriptor = nullptr;
  std::vector<uint8_t> dacl;
  if (rights) {
    if (!CreationDacl(folder, rights, &dacl) ||
        !InitializeSecurityDescriptor(&made, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&made, TRUE, reinterpret_cast<ACL*>(dacl.data()), FALSE)) {
      return fail(GetLastError());
    }
    descriptor = &made;
  }
  // Shared for reading only while held: no deletion and no other writer.
  constexpr DWORD kAccess =
      GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE | READ_CONTROL | WRITE_DAC;
  HANDLE target = nullptr;
  // A planted name goes and the name is taken again; taken once more at
  // once, the copy fails rather than write through it.
  for (int attempt = 0; attempt < 2 && !target; ++attempt) {
    NTSTATUS status = OpenBelow(folder, name, kAccess, FILE_SHARE_READ, FILE_CREATE,
                                FILE_NON_DIRECTORY_FILE, descriptor, &target);
    if (status >= 0) break;
    if (status != kNameCollision) return fail(GetLastError());
    if (!overwrite) return fail(ERROR_FILE_EXISTS);
    if (OpenBelow(folder, name, kAccess, FILE_SHARE_READ, FILE_OPEN, 0, nullptr, &target) < 0) {
      return fail(GetLastError());
    }
    DWORD attributes = 0;
    DWORD links = 0;
    if (!EntryShape(target, &attributes, &links)) {
      DWORD code = GetLastError();
      CloseHandle(target);
      return fail(code);
    }
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
      CloseHandle(target);
      return fail(ERROR_ACCESS_DENIED);
    }
    if (!link && links == 1) {
      // In place, so a file still mapped elsewhere refuses; its rights are
      // set before a byte of it changes.
      FILE_END_OF_FILE_INFO empty{};
      if ((rights && !AddRightsOf(target, rights)) ||
          !SetFileInformationByHandle(target, FileEndOfFileInfo, &empty, sizeof(empty))) {
        DWORD code = GetLastError();
        CloseHandle(target);
        return fail(code);
      }
      break;
    }
    bool gone = MarkForDeletion(target);
    DWORD code = GetLastError();
    CloseHandle(target);
    target = nullptr;
    if (!gone) return fail(code);
  }
  if (!target) return fail(ERROR_CANT_ACCESS_FILE);
  if (!CopyBytes(from.get(), target)) {
    DWORD code = GetLastError();
    MarkForDeletion(target);
    CloseHandle(target);
    return fail(code);
  }
  FILE_BASIC_INFO times{};
  if (GetFileInformationByHandleEx(from.get(), FileBasicInfo, &times, sizeof(times))) {
    FILE_BASIC_INFO written{};  // zeros leave the rest as it is
    written.LastWriteTime = times.LastWriteTime;
    SetFileInformationByHandle(target, FileBasicInfo, &written, sizeof(written));
  }
  *file = target;
  if (error) *error = 0;
  return true;
}

bool Win32InstallerOs::RenameInFolder(HANDLE folder, const wchar_t* name, const wchar_t* newName) {
  size_t units = wcslen(newName);
  if (units == 0 || units >= 256 || wcschr(newName, L'\\') || wcschr(newName, L'/')) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  HANDLE raw = nullptr;
  if (OpenBelow(folder, name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, 0, nullptr,
                &raw) < 0) {
    return false;
  }
  KernelHandle entry(raw);
  // The new name, too, is taken relative to the folder's handle.
  std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFORMATION) + units * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<ULONG>(units * sizeof(wchar_t));
  memcpy(rename->FileName, newName, units * sizeof(wchar_t));
  IO_STATUS_BLOCK io{};
  NTSTATUS status = NtSetInformationFile(entry.get(), &io, rename, static_cast<ULONG>(buffer.size()),
                                         FileRenameInformation);
  if (status < 0) SetLastError(RtlNtStatusToDosError(status));
  return status >= 0;
}

uint32_t Win32InstallerOs::NameCount(HANDLE entry) {
  DWORD attributes = 0;
  DWORD links = 0;
  return entry && EntryShape(entry, &attributes, &links) ? links : 0;
}

void Win32InstallerOs::CloseEntry(HANDLE entry) {
  if (entry) CloseHandle(entry);
}
