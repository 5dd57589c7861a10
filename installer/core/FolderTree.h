// Creating folder paths and removing folder trees in-process: links are
// removed, never followed, and every tree is checked by a removal guard first.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "installer/core/PathGuard.h"

// Creates every missing level of an absolute folder path; true when the
// folder exists afterwards.
bool CreateDirectoryPath(InstallerOs& os, const std::wstring& folder);

// Removes the folder with everything in it, after the guard accepted it.
// True when the folder is gone (or was never there). A file that cannot be
// deleted now (in use) is deleted when Windows next starts, and the result
// is false.
bool RemoveFolderTree(InstallerOs& os, const std::wstring& folder, const RemovalGuard& guard);
// The same below an expected parent, with this computer's protected folders.
bool RemoveFolderTree(InstallerOs& os, const std::wstring& folder,
                      const std::wstring& expectedParent);

// The temporary copy's name for this process: <temp>zinInstaller-<pid>.exe.
std::wstring TempCopyPath(const std::wstring& tempFolder, uint32_t pid);
// A path this installer's temporary copies are named by, in that folder.
bool IsTempCopyPath(const std::wstring& path, const std::wstring& tempFolder);

// Deletes our own file once we have ended, when we are a temporary copy: an
// idle shell child deletes the quoted path, and a delete at the next start
// backs it up. 1 when the child was started, else 0.
int DeleteSelfOnExit(InstallerOs& os);
