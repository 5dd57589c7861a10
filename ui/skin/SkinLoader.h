// Choosing, loading, reloading and listing skins (.col/.icc zip archives in
// the tessel\ folder of the install folder). No window is created here.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/skin/SkinTypes.h"

struct MappedFile;
struct SkinConfigBlock;

struct ImeContext;

// Archive limits for a skin: generous for pictures, small against bombs.
constexpr uint32_t kMaxSkinEntries = 1024;
constexpr uint32_t kMaxSkinEntryBytes = 4u * 1024 * 1024;
constexpr uint64_t kMaxSkinArchiveBytes = 32ull * 1024 * 1024;

// Skin file names are kept in 32 units; longer names are not listed.
constexpr int kSkinFileNameUnits = 32;
// The configured name that means "the skin after the one loaded last".
inline constexpr wchar_t kNextSkinName[] = L"切换";
// Units of the skin name fields of the appearance block.
constexpr int kSkinNameUnits = 40;
// The configured skin name, copied and terminated: the block lies in the
// shared config.dsc, whose field need not be terminated.
void ConfiguredSkinName(const SkinConfigBlock& block, wchar_t (&out)[kSkinNameUnits]);

// Slot of an archive entry name ("bar.png", "cn_biaodian_1.png" ...) compared
// without regard to ASCII case, or -1.
int SkinPictureIndex(const char* entryName);
// Entry name of a picture slot, e.g. "extern2_2.png"; out holds 32 bytes.
void SkinPictureFileName(int index, char* out);

// Loads one archive into values and images (both zeroed first). 1 when it has
// skin.ini with a 名称 and the five window pictures; otherwise 0 with no
// pictures kept. A path not representable in the ANSI code page fails.
int LoadSkinArchive(SkinValues* values, SkinImageSet* images, const wchar_t* path);

// Lists the skin files of folder into names (at most maxNames); returns the
// count. Hidden (".") names, folders and names longer than 31 units are skipped.
int ListSkinFiles(const wchar_t* folder, wchar_t (*names)[kSkinFileNameUnits], int maxNames);

// Frees the pictures of every listed skin and empties the list.
void ClearSkinList(SkinList* list);
// Loads every skin file of folder into the next free entry of list while
// fewer than 64 are listed; returns the count.
int LoadSkinFolder(const wchar_t* folder, SkinList* list);

// What skin loading needs of an input context.
struct SkinHost {
  SkinData* skin;
  const wchar_t* installFolder;  // InstallLocation
  SkinConfigBlock* skinBlock;    // the appearance block of config.dsc
  HWND statusWindow;
  HWND candidateWindow;
  // The config.dsc the block lies in, whose data folder's write lock the
  // loader holds while it writes names; null for a block of no shared file.
  const MappedFile* settingsFile;
};

int LoadSelectedSkinFor(const SkinHost& host);
void ReloadSkinFor(const SkinHost& host);
int LoadSkinListFor(const SkinHost& host, SkinList* list);
void GetSkinFontSpecsFor(const SkinHost& host, FontSpec* codeFont, FontSpec* candidateFont);

// The SkinData of an input context, one zero-filled GlobalAlloc'ed block.
constexpr uint32_t kSkinDataSize = sizeof(SkinData);
// Allocates the context's SkinData (when it has none) and loads the chosen
// skin; 1 when the context has a SkinData afterwards. A context without a
// loadable skin still works; its windows draw nothing from the skin.
int LoadContextSkin(ImeContext* context);
// Frees the skin's buffers and the SkinData; the pointer is cleared.
void FreeContextSkin(ImeContext* context);

// The same on an input context. The previous skin stays when a load fails.
int LoadSelectedSkin(ImeContext* context);
void ReloadSkin(ImeContext* context);
int LoadSkinList(ImeContext* context, SkinList* list);
void GetSkinFontSpecs(ImeContext* context, FontSpec* codeFont, FontSpec* candidateFont);
