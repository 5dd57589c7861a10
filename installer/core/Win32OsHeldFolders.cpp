// Folders held open by the real installer seam, and the files made, renamed
// and placed in them by the folder's handle rather than by a path.
#include <windows.h>
#include <winternl.h>

#include "installer/core/ScopedHandle.h"
#include "installer/core/Win32InstallerOs.h"
#include "installer/core/Win32OsEntries.h"

using namespace win32_entries;

namespace {

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

bool Win32InstallerOs::WriteNewFile(HANDLE folder, const wchar_t* name, const void* data,
                                    size_t sizeBytes) {
  if (sizeBytes > 0x7FFFFFFF) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  HANDLE raw = nullptr;
  if (OpenBelow(folder, name, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0, FILE_CREATE,
                FILE_NON_DIRECTORY_FILE, nullptr, &raw) < 0) {
    return false;
  }
  KernelHandle file(raw);
  DWORD written = 0;
  bool ok = sizeBytes == 0 || (::WriteFile(file.get(), data, static_cast<DWORD>(sizeBytes),
                                           &written, nullptr) &&
                               written == sizeBytes);
  ok = ok && FlushFileBuffers(file.get());
  if (!ok) {
    DWORD code = GetLastError();
    MarkForDeletion(file.get());
    SetLastError(code);
  }
  return ok;
}

bool Win32InstallerOs::ReadEntry(HANDLE entry, std::vector<uint8_t>* out, uint64_t maxBytes) {
  out->clear();
  LARGE_INTEGER size{};
  LARGE_INTEGER start{};
  if (!entry || !GetFileSizeEx(entry, &size) || static_cast<uint64_t>(size.QuadPart) > maxBytes ||
      size.QuadPart >= 0x7FFFFFFF || !SetFilePointerEx(entry, start, nullptr, FILE_BEGIN)) {
    return false;
  }
  out->resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  bool ok = out->empty() ||
            (::ReadFile(entry, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) &&
             got == out->size());
  if (!ok) out->clear();
  return ok;
}

uint32_t Win32InstallerOs::NameCount(HANDLE entry) {
  DWORD attributes = 0;
  DWORD links = 0;
  return entry && EntryShape(entry, &attributes, &links) ? links : 0;
}

void Win32InstallerOs::CloseEntry(HANDLE entry) {
  if (entry) CloseHandle(entry);
}
