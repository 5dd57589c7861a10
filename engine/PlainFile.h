// Files of the shared data folder. Anyone may delete a data file there and
// put a link in its place, so a file that is written, or mapped writable, is
// opened without following a reparse point and kept only when the handle
// names a plain file: a regular file, no reparse point, one name. The check
// is made on the handle that is then used, never on the path before.
#pragma once

#include <windows.h>

// What a handle's information must say for the file to be written.
bool IsPlainFileInfo(const BY_HANDLE_FILE_INFORMATION& info);
bool IsPlainFile(HANDLE file);

// CreateFileW for a data file: never follows a reparse point, never
// truncates a file before it was checked (CREATE_ALWAYS and
// TRUNCATE_EXISTING truncate only a plain file), and refuses a file that is
// not plain with INVALID_HANDLE_VALUE and ERROR_CANT_ACCESS_FILE.
HANDLE OpenPlainFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL);

// A file made new at path for the caller alone to fill (a temporary file, a
// compiler's output): a stale name is removed first and the file is created
// with CREATE_NEW, so nothing that was planted there is ever truncated or
// written. Fails (INVALID_HANDLE_VALUE) when the name could not be freed.
HANDLE CreateNewPlainFile(const wchar_t* path, DWORD access, DWORD share,
                          DWORD flags = FILE_ATTRIBUTE_NORMAL);
