// Access rules of placed files. Program files keep the rights they inherit
// and gain read and execute for app containers ("ALL APPLICATION
// PACKAGES"); only the data files, which every process maps for writing,
// gain modify rights for everyone and for app containers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

enum class FileAccessKind {
  kNone,        // leave the file's rights alone
  kProgram,     // modules, programs, skins
  kDataFile,    // files of the data folder
};

constexpr DWORD kReadExecuteAccess = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
// Read, write, execute and delete; no right to change owner or rights.
constexpr DWORD kModifyAccess =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// A well-known SID as bytes (WinWorldSid, WinBuiltinAnyPackageSid ...).
std::vector<uint8_t> WellKnownSid(WELL_KNOWN_SID_TYPE type);

// The DACL with one allowed entry for sid: the old explicit entries (minus
// those for the same SID), the new entry, then the inherited entries, so
// the order Windows requires is kept. False for a damaged ACL.
bool ComposeDacl(const ACL* old, const SID* sid, DWORD mask, BYTE aceFlags,
                 std::vector<uint8_t>* out);
// The control bits the new descriptor carries: an auto-inherited DACL stays
// auto-inherited, otherwise only the protected bit is kept.
uint16_t CarriedDaclControl(uint16_t oldControl);

// The allowed entries a kind of file is given, in order, as ACL bytes
// (empty for kNone). False when a SID could not be made.
bool AccessEntries(FileAccessKind kind, std::vector<uint8_t>* out);
// old with each entry of added put in as ComposeDacl puts one.
bool AddAccessEntries(const ACL* old, const ACL* added, std::vector<uint8_t>* out);

// Adds one allowed entry to the file's DACL, written through a handle to the
// file itself (never through a link); a failure goes to the step log.
bool GrantFileAccess(InstallerState& state, InstallerOs& os, const std::wstring& path,
                     WELL_KNOWN_SID_TYPE account, DWORD mask, BYTE aceFlags);
// The rules of one kind of file, for a file already in place. Files the
// installer places get them as they are made (CopyIntoFolder).
bool ApplyFileAccess(InstallerState& state, InstallerOs& os, const std::wstring& path,
                     FileAccessKind kind);
