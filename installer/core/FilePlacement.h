// Install step 1: the unpacked package moved into place. The plan is a
// pure function of the state and the folders; InstallFileSystem carries it
// out through the seam.
#pragma once

#include <string>
#include <vector>

#include "installer/core/FileAccess.h"
#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

struct PlacementFolders {
  std::wstring system;       // 64-bit system folder
  std::wstring systemWow64;  // empty on 32-bit Windows
  std::wstring windows;
  std::wstring fonts;
};
bool GetPlacementFolders(InstallerOs& os, PlacementFolders* out);

enum class PlacementAction {
  kCopyFile,    // guarded copy of one file, then delete the source
  kCopyFolder,  // CopyFolderTree, sources deleted, then remove the source folder
  kFonts,       // InstallFonts, then remove the source folder
};

struct PlacementStep {
  PlacementAction action;
  std::wstring source;
  std::wstring target;
  int family;  // process family of a module copy
  FileAccessKind access;
  bool optional;           // a missing source is skipped
  const wchar_t* failure;  // step-log line on failure (null: a generic line)
};

std::vector<PlacementStep> PlanFilePlacement(const InstallerState& state,
                                             const PlacementFolders& folders);

// Copies every file below source into target (created as needed), each by
// the guarded copy. Sources are deleted only once placed; the first file
// that cannot be placed stops the copy and fails it.
bool CopyFolderTree(InstallerState& state, InstallerOs& os, const std::wstring& source,
                    const std::wstring& target, bool keepSources, FileAccessKind access);
// Copies the .ttf and .ttc files of source into the fonts folder (never over
// an existing font) and registers each one copied.
void InstallFonts(InstallerOs& os, const std::wstring& source, const std::wstring& fontsFolder);

bool InstallFileSystem(InstallerState& state, InstallerOs& os);
