// The whole-settings text file: the user-editable settings of config.dsc as
// one UTF-16 text in seven sections, written from and read back into the ime,
// dme and skin blocks.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ConfigBlocks.h"
#include "engine/KeyTables.h"
#include "engine/MappedFile.h"

struct ItfObject;

// Writes the text (byte-order mark, seven banners and sections) to path,
// replacing the file. The [-DME设置-] and [-SKIN设置-] bodies come from the
// module's kind-2 table; without one they stay empty. Returns 0 when written,
// 1 when the file cannot be created, 2 when writing it failed.
int WriteSettingsText(const ImeConfigBlock* ime, const DmeConfigBlock* dme,
                      const SkinConfigBlock* skin, const ItfObject* itf, const wchar_t* path);

// Applies a whole-settings text (terminated; a leading byte-order mark is
// skipped) to the blocks. The tables the text replaces whole (key functions,
// word rules, escapes, key roots) are rebuilt in private copies that reach the
// blocks only when the text is done, so a process reading the live mapping
// never sees them half cleared. The copy into the blocks is made holding the
// write lock of settingsFile's data folder (the config.dsc the blocks lie in;
// null for blocks of no shared file). Returns 1 when applied, 0 when the text
// holds no recognised section header, -1 when the lock could not be had
// (nothing is changed in either case).
int ParseSettingsText(const wchar_t* text, ImeConfigBlock* ime, DmeConfigBlock* dme,
                      SkinConfigBlock* skin, const ItfObject* itf,
                      const MappedFile* settingsFile = nullptr);

// The body writers of the sections produced here.
void WriteImeSection(const ImeConfigBlock* ime, std::wstring& out);
void WriteEscapeSection(const ImeConfigBlock* ime, std::wstring& out);
void WriteKeyRootSection(const ImeConfigBlock* ime, std::wstring& out);
void WriteKeyFunctionSection(const DmeConfigBlock* dme, std::wstring& out);
void WriteWordRuleSection(const DmeConfigBlock* dme, std::wstring& out);

// A key as the [-按键功能-] section names it (at most 63 units).
std::wstring KeyCodeToText(KeyCode code);
// The names of the functions in flags, each followed by a comma, cut at whole
// names to at most 255 units.
std::wstring KeyFunctionsToText(uint64_t flags);

// Longest line the reader takes; a longer one is dropped whole.
constexpr size_t kMaxSettingsLineUnits = 1023;
