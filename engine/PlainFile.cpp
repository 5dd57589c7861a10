// Opening data files so that a planted link is refused, not written through.
#include "engine/PlainFile.h"

bool IsPlainFileInfo(const BY_HANDLE_FILE_INFORMATION& info) {
  constexpr DWORD kNotPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  return (info.dwFileAttributes & kNotPlain) == 0 && info.nNumberOfLinks == 1;
}

bool IsPlainFile(HANDLE file) {
  // Two small queries instead of GetFileInformationByHandle, which also asks
  // for the volume's serial number: that alone made opening a data folder
  // ten times slower on some systems.
  FILE_STANDARD_INFO standard;
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!file || file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof(standard)) ||
      !GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag))) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  info.dwFileAttributes = tag.FileAttributes | (standard.Directory ? FILE_ATTRIBUTE_DIRECTORY : 0);
  info.nNumberOfLinks = standard.NumberOfLinks;
  return IsPlainFileInfo(info);
}

HANDLE OpenPlainFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  // Truncation waits for the check: a planted hard link keeps its bytes.
  DWORD open = disposition;
  if (disposition == CREATE_ALWAYS) open = OPEN_ALWAYS;
  if (disposition == TRUNCATE_EXISTING) open = OPEN_EXISTING;
  // The check reads the file's attributes, which a handle opened only for
  // writing may not do on Windows (Wine does not enforce it).
  HANDLE file = CreateFileW(path, access | FILE_READ_ATTRIBUTES, share, nullptr, open,
                            flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  const bool plain = IsPlainFile(file);
  LARGE_INTEGER zero{};
  if (plain && (open == disposition || (SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) && SetEndOfFile(file))))
    return file;
  const DWORD error = plain ? GetLastError() : ERROR_CANT_ACCESS_FILE;
  CloseHandle(file);
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE CreateNewPlainFile(const wchar_t* path, DWORD access, DWORD share, DWORD flags) {
  // Deleting a planted link removes only its name here, never its target;
  // a name planted again before the create makes it fail.
  DeleteFileW(path);
  return CreateFileW(path, access, share, nullptr, CREATE_NEW, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}
