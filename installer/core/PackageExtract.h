// Unpacking the package archive into the work folder. Entry names are never
// trusted: each must be a relative path that stays inside the folder.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "ui/skin/ArchiveLoader.h"

// What the unpacking reports to its dialog: one label line and a position.
class ExtractProgress {
 public:
  virtual ~ExtractProgress() = default;
  virtual void Show(const wchar_t* label, int percent) = 0;
};

// The stored name as a relative path with backslashes, or false when the
// entry must not be written: unread (damaged, encrypted), cut, absolute,
// drive, UNC, stream or device names, "." or ".." parts, control
// characters, and bytes >= 0x80 unless the zip marks the name UTF-8. One
// leading separator is allowed. isFolder: the name ends in a separator.
bool EntryRelativePath(const ArchiveEntry& entry, std::wstring* out, bool* isFolder);

// Writes one entry below the folder; 1 on success, 0 otherwise.
int WriteZipEntry(InstallerOs& os, const ArchiveEntry& entry, const std::wstring& targetFolder);

// Unpacks every entry; 1 when every entry was written, 0 otherwise (the
// others are still written). progress may be null.
int ExtractZipToFolder(InstallerOs& os, const std::wstring& zipPath,
                       const std::wstring& targetFolder, ExtractProgress* progress);

// The whole unpacking of dialog 142: split the package (not in repair),
// unpack it into <work folder>\zipdatas\ and take the product identity from
// its config.dsc. True when all three succeeded.
bool ExtractPackage(InstallerState& state, InstallerOs& os, ExtractProgress* progress);
