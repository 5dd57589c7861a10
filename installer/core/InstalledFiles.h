// The files an install placed in its folder, kept under the product key, so
// that the uninstall removes exactly those and leaves anything else of the
// folder alone; and the undo of a run's placed files.
#pragma once

#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// REG_MULTI_SZ value of the product key: paths relative to InstallLocation.
inline constexpr wchar_t kInstalledFilesValue[] = L"InstalledFiles";

// The placed paths that lie inside the install folder, relative to it, each
// once (case ignored), after those of earlier.
std::vector<std::wstring> MergeInstalledFiles(const std::vector<std::wstring>& earlier,
                                              const std::vector<std::wstring>& placed,
                                              const std::wstring& installFolder);
// A recorded path that names a file inside the folder: plain names joined by
// backslashes, nothing absolute, no "." or "..".
bool IsRecordedPath(const std::wstring& relative);

// Adds the run's placed files to the list under the product key.
bool RecordInstalledFiles(InstallerState& state, InstallerOs& os);
// The list under the product key; without one, the files every package
// places in the install folder.
std::vector<std::wstring> ReadInstalledFiles(InstallerState& state, InstallerOs& os);

// Deletes one file; a busy one is renamed aside and deleted when Windows
// next starts (restart set). True when the file is gone from its place.
bool DeletePlacedFile(InstallerOs& os, const std::wstring& path, bool* restart);
// Removes the folders of these files that are empty now, deepest first, up
// to and including stopAt (never above it).
void RemoveEmptiedFolders(InstallerOs& os, const std::vector<std::wstring>& files,
                          const std::wstring& stopAt);

// Deletes the recorded files of the install folder, then the folders they
// leave empty, the install folder last when it is empty. restart is set when
// a file waits for the next start.
void RemoveInstalledFiles(InstallerState& state, InstallerOs& os, bool* restart);
// Undoes a failed run's file step: every file it placed, newest first, and
// the folders left empty below the install and data folders.
void RemovePlacedFiles(InstallerState& state, InstallerOs& os);
