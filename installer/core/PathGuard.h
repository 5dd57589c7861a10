// Checks every folder the installer removes must pass: an absolute local
// path, not a drive root, not a folder of Windows or of the user (nor one
// holding them), and inside the parent the caller expects.
#pragma once

#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"

enum class PathVerdict {
  kOk,
  kMalformed,  // relative, UNC, device or stream syntax, wildcards, "." or ".." parts
  kNotLocal,   // a network or unknown drive
  kDriveRoot,
  kProtected,      // a known folder, or a folder containing one
  kOutsideParent,  // not strictly inside the expected parent
};

struct RemovalGuard {
  std::vector<std::wstring> protectedFolders;  // normalised
  std::wstring expectedParent;                 // normalised; the target must lie below it
};

// "X:\a\b" or "X:/a/b\" → "X:\a\b\" (drive letter upper-cased). False for
// anything that is not a plain absolute drive path.
bool NormaliseLocalPath(const std::wstring& path, std::wstring* out);
// child lies strictly below parent (case ignored); both in normal form,
// parent with or without its trailing backslash.
bool IsStrictlyInside(const std::wstring& child, const std::wstring& parent);
bool SamePath(const std::wstring& a, const std::wstring& b);

// The pure decision; driveType is GetDriveTypeW of the target's drive.
PathVerdict CheckRemovalTarget(const std::wstring& target, const RemovalGuard& guard,
                               uint32_t driveType);
// The known folders of this computer and user, and the expected parent.
RemovalGuard MakeRemovalGuard(InstallerOs& os, const std::wstring& expectedParent);
PathVerdict CheckRemovalTarget(InstallerOs& os, const std::wstring& target,
                               const RemovalGuard& guard);

// A single file or folder name: no separators, no reserved device names, no
// characters Windows refuses, no trailing dot or blank.
bool IsPlainFileName(const std::wstring& name);
