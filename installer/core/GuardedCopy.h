// One guarded copy per placed file: the version question, retries while the
// target is in use, a busy module renamed aside, the process list once per
// run, the file made with its access rules.
#pragma once

#include <string>

#include "installer/core/FileAccess.h"
#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Process families handed to the process list.
constexpr int kFamily64 = 0;
constexpr int kFamily32 = 1;
constexpr int kFamilyAll = -1;

enum class TargetKind { kProgram, kModule, kOther };  // .exe; .dll/.ime; anything else

// Lower-cases A-Z only, as the targets are written.
std::wstring LowerAscii(std::wstring text);
TargetKind ClassifyTarget(const std::wstring& lowerTarget);
// The packed FileVersion of a file through the seam; 0 without one.
uint64_t FileVersionOf(InstallerOs& os, const std::wstring& path);

// Renames a busy file aside (<name>.<time>.old) and has Windows delete the
// renamed file at the next start; false when it cannot be renamed.
bool MoveBusyFileAside(InstallerOs& os, const std::wstring& path);
// The same for a file of a held folder, renamed through the folder's handle.
bool MoveBusyFileAside(InstallerOs& os, HANDLE folder, const std::wstring& path);

// 1 when the target holds the source (or the user chose to keep an existing
// target of another version), 0 when the copy failed or was cancelled.
int CopyFileGuarded(InstallerState& state, InstallerOs& os, const std::wstring& source,
                    const std::wstring& target, int family, FileAccessKind access);
