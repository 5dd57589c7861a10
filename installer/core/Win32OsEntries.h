// Pieces the real seam's file, security and held-folder parts share: entries
// opened themselves (never through a link), their shape, their deletion,
// their owner and the DACLs they are made with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "installer/core/InstallerOs.h"

namespace win32_entries {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The entry itself: a link at the path's end is opened, not followed.
HANDLE OpenEntry(const wchar_t* path, DWORD access);
// Attributes and number of names of an open entry, by queries that need
// no path: an entry opened below a folder that has moved since may have
// none that still leads to it.
bool EntryShape(HANDLE entry, DWORD* attributes, DWORD* links);
// The name goes at once where the system allows it, else at the last close.
bool MarkForDeletion(HANDLE entry);

// What an open entry is: link, folder, names, owner.
PathPresence FactsOf(HANDLE entry, PathFacts* out);
// rights added to the DACL of a file judged plain through this very handle.
bool AddRightsOf(HANDLE file, const ACL* rights);
// The DACL a file is made with in folder: rights, then what the folder
// passes to files, marked inherited.
bool CreationDacl(HANDLE folder, const ACL* rights, std::vector<uint8_t>* out);
// A protected DACL, owned by Administrators when Administrators is set.
bool SecuredDescriptor(SECURITY_DESCRIPTOR* descriptor, const ACL* dacl,
                       std::vector<uint8_t>* admins);

}  // namespace win32_entries
