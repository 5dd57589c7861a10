// Folders the elevated installer writes into, grants rights on or removes:
// a standard user must not have planted one of them, or a part of its path,
// as a link or as a folder of their own, or those writes would land
// wherever the user pointed them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

enum class FolderTrust { kTrusted, kLink, kForeignOwner, kNotFolder, kUnreadable };

// SYSTEM, Administrators, TrustedInstaller, or the administrator running us.
bool IsTrustedOwner(const PathFacts& facts);
// One existing level of a path; the owner counts only where ownerMatters.
FolderTrust JudgeLevel(const PathFacts& facts, bool ownerMatters);

// A folder held open by the walk below; closed when it goes.
class HeldFolder {
 public:
  explicit HeldFolder(InstallerOs& os) : os_(os) {}
  ~HeldFolder() { Reset(nullptr); }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
  HANDLE get() const { return handle_; }
  void Reset(HANDLE handle) {
    if (handle_) os_.CloseEntry(handle_);
    handle_ = handle;
  }

 private:
  InstallerOs& os_;
  HANDLE handle_ = nullptr;
};

enum class LevelCreation { kNone, kFolders, kDataFolder };  // kDataFolder: the last level is one

// Opens folder level by level from the known folder that holds it (or is
// it), or else from the drive root: each level by name through the handle
// of the one above and judged through its own handle, as FindUntrustedPart
// judges. Missing levels are made with ProductFolderDacl unless creation is
// kNone. kTrusted with the folder held, or, not made, with nothing held.
FolderTrust OpenTrustedFolder(InstallerOs& os, const std::wstring& folder, LevelCreation creation,
                              HeldFolder* out, std::wstring* part);

// The first existing level of folder's path that is not to be trusted:
// every level below ProgramData, Program Files or the system's folders must
// be a folder owned by a trusted account; elsewhere no level may be a link
// and the folder itself must have a trusted owner. kTrusted (part emptied) when all is well or
// the folder does not exist yet.
FolderTrust FindUntrustedPart(InstallerOs& os, const std::wstring& folder, std::wstring* part);

// The DACL of folders the installer creates, protected from the parent's:
// full control for SYSTEM and Administrators, read and execute for users
// and app containers. The data folder also lets everyone and app containers
// add files and change the files in it, but not add folders or remove it.
std::vector<uint8_t> ProductFolderDacl(bool dataFolder);

// Creates every missing level with ProductFolderDacl (only the last one is
// the data folder, when dataFolder is set); true when the folder is then
// there and trusted.
bool MakeTrustedFolder(InstallerOs& os, const std::wstring& folder, bool dataFolder);

// Folders checked before anything is changed (empty ones are skipped): an
// untrusted part is named in the log and in a message (with this caption;
// none when null), and the result is false.
bool CheckProductFolders(InstallerState& state, InstallerOs& os,
                         const std::vector<std::wstring>& folders, const wchar_t* caption);
