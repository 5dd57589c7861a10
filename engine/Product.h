// Product identity: the one place every deliverable takes it from.
#pragma once

// The text service's CLSID, also the product key under which the installer
// writes the registry values the engine reads.
#define ZN_PRODUCT_GUID_TEXT L"{441AC6AE-67A0-480E-8529-6932B7588E61}"
// The TSF language profile: the installer registers it under the product key
// itself, so the two must stay one GUID.
#define ZN_PROFILE_GUID_TEXT ZN_PRODUCT_GUID_TEXT

#define ZN_DISPLAY_NAME L"星禾五笔"
#define ZN_IME_NAME L"zinIME"
#define ZN_MODULE_FILE L"zinIME.ime"
// Dotted decimal, at most four parts: the build reads it for the version
// resources and the package name.
#define ZN_VERSION_TEXT L"1.0.0"
// Shown for the keyboard layout and the TSF language profile.
#define ZN_LANGUAGE_NAME L"中文(简体) - 星禾五笔"
// Folder below Program Files the installer proposes.
#define ZN_INSTALL_FOLDER_NAME L"zinIME"
// Update list; {version}, {guid} and {macaddr} are filled in by the installer.
#define ZN_UPDATE_URL L"https://zinime.org/update/update_list.txt?version={version}&guid={guid}&id={macaddr}"
// Opened once an uninstall has finished.
#define ZN_UNINSTALL_PAGE L"https://zinime.org/uninstalled.html"
// Root of the product keys under HKLM.
#define ZN_REGISTRY_ROOT L"Software\\ZinnorIME3"

#ifndef RC_INVOKED
#include "engine/ImeOptionBits.h"

// What this build offers (ime word 148): the text service, the association
// table and temporary words. The settings text shows their options only when
// these bits are set.
inline constexpr uint32_t kProductFeatureBits =
    ImeBits::kTsfAvailable | ImeBits::kAssociationsAvailable | ImeBits::kTempWordsAvailable;
// Start-menu shortcuts: settings, update check, repair, uninstall and key
// functions (no help file ships yet, so no help shortcut).
inline constexpr uint32_t kProductShortcutFlags = 0x80 | 0x20 | 0x1000 | 0x800 | 0x100;
// Names of the entry categories 1..4 in a new config.dsc, and of the main
// table as a whole (slot 0).
inline constexpr const wchar_t* kProductCategoryNames[4] = {L"系统", L"用户", L"次显", L"辅码"};
inline constexpr wchar_t kProductMainTableName[] = L"五笔";
// Category switches of a new config.dsc (bit 0 writable, bit 1 in use),
// slots 0..4: the table as a whole may be imported into, replaced and
// cleared; user words may be changed; every named category is in use.
inline constexpr uint32_t kProductCategoryFlags[5] = {0x1, 0x2, 0x3, 0x2, 0x2};
#endif
