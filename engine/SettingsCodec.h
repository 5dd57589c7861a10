// The text form of the settings: section ids, the functions that apply one
// "key=value" line to the blocks of config.dsc, and the writers of the
// [-DME设置-] and [-SKIN设置-] bodies (UTF-16, CR LF, no byte-order mark).
#pragma once

#include <windows.h>
#include <cstdint>
#include <string>

#include "engine/ConfigBlocks.h"

struct ItfObject;

// Values of a section header line.
enum SettingsSectionId : int {
  kSectionNone = 0,
  kSectionGenerator = 1,     // [-生成器选项-], never applied
  kSectionKeyFunctions = 3,  // [-按键功能-]
  kSectionIme = 4,           // [-IME设置-]
  kSectionDme = 5,           // [-DME设置-]
  kSectionSkin = 6,          // [-SKIN设置-]
  kSectionWordRules = 7,     // [-构词规则定义-]
  kSectionEscapes = 8,       // [-非编码符号转义定义表-]
  kSectionKeyRoots = 9,      // [-键位字根表-]
  kSectionOtherFiles = 10,   // [-其他安装文件-], never applied
  kSectionSoftware = 11,     // [-软件选项-], never applied
};

// The header texts, indexed by id (empty for ids that have none).
const wchar_t* SettingsSectionHeader(int id);

// The id of a header line (the whole line, ASCII letters in any case); 0 for
// any other line.
int GetSectionId(const wchar_t* line);

// Applies one line of section id to the blocks; the dme and skin sections go
// through the kind-2 table's ParseSettingsLine slot and are dropped without
// it. Returns 0.
int ApplySettingsLine(int id, const wchar_t* key, const wchar_t* value, ImeConfigBlock* ime,
                      DmeConfigBlock* dme, SkinConfigBlock* skin, const ItfObject* itf);

// Splits set(section,key=value) in place; each part may be in double quotes.
// Returns the section id, 0 when a delimiter is missing (the outputs are
// then null).
int ParseSetCommand(wchar_t* text, wchar_t** section, wchar_t** key, wchar_t** value);

void ApplyImeSettingLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value);
void ApplyDmeSettingLine(DmeConfigBlock* dme, const wchar_t* key, const wchar_t* value);
void ApplySkinSettingLine(SkinConfigBlock* skin, const wchar_t* key, const wchar_t* value);

// A rule holds at most this many elements, so it always ends in a zero one.
constexpr int kMaxWordRuleElements = 127;
constexpr int kMinRuleChars = 2;
constexpr int kMaxRuleChars = 30;

// Parses "Pn=L1B1+L2B1+R1B1..." into rule (zero-filled first); returns the
// word length n (2..30) on success, 0 when the text is malformed.
int ParseWordRule(const wchar_t* text, WordFormationRule* rule);
void ApplyWordRuleLine(DmeConfigBlock* dme, const wchar_t* key, const wchar_t* value);

void ApplySymbolEscapeLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value);
void ApplyKeyRootLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value);

// The escape-table slot a key character selects: ASCII as itself,
// U+FF01..U+FF7F as (c - 0xFF00); -1 for any other character.
int SettingsKeySlot(wchar_t c);
// The key character written for slot i: i itself from 32 up, U+FF00 + i below.
wchar_t SettingsKeyChar(int slot);
// Text of an escape entry's fields, never more than the 10 units they hold
// (a 10-unit single replacement fills both fields and has no terminator).
std::wstring SymbolEscapeText(const SymbolEscapeEntry& entry, bool second);

// --- writing ---

// Appends value so that the whole-settings reader gives it back unchanged:
// as it is, or in double quotes (an inner quote doubled) when it starts with
// a quote.
void AppendSettingValue(std::wstring& out, const std::wstring& value);
// The value of an escape line for entry (kind 1 or 2), quoted where the plain
// form would read back differently. Empty for kind 0.
std::wstring FormatSymbolEscapeValue(const SymbolEscapeEntry& entry);
// Applies an escape line whose value is still in its written form (possibly
// quoted, or a quoted pair "a","b").
void ApplyWrittenSymbolEscapeLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* rawValue);
// Reads the written form of a value: a leading quote runs to the closing one
// ("" inside stands for one quote) and whatever follows is ignored. *end, if
// given, receives the position after the closing quote (or the end).
std::wstring ReadSettingValue(const wchar_t* raw, const wchar_t** end = nullptr);

// Code byte as the settings text shows it: 0x01..0x1F as U+FF01..U+FF1F,
// 0x20..0x7F as itself; nothing for 0 and for bytes from 0x80 up.
void AppendCodeByte(std::wstring& out, uint8_t byte);

void FormatDmeSettings(const DmeConfigBlock* dme, std::wstring& out);
void FormatSkinSettings(const SkinConfigBlock* skin, std::wstring& out);
// Write the bodies to file as UTF-16; true when every byte was written.
bool WriteDmeSettings(const DmeConfigBlock* dme, HANDLE file);
bool WriteSkinSettings(const SkinConfigBlock* skin, HANDLE file);
bool WriteUtf16Text(HANDLE file, const std::wstring& text);

// --- value words shared by the line functions ---

bool TextEquals(const wchar_t* a, const wchar_t* b);
bool TextContains(const wchar_t* text, const wchar_t* needle);

enum FlagValueAccepts : uint32_t {
  kAcceptYes = 0,          // "是" sets, anything else clears
  kAcceptToggle = 0x1,     // "切换" toggles
  kAcceptShi = 0x2,        // "shi" also sets
};
void ApplyFlagValue(uint32_t* word, uint32_t bit, const wchar_t* value, uint32_t accepts);
// "是" or "否" for a bit of word.
const wchar_t* YesNo(uint32_t word, uint32_t bit);
