// Layout of config.dsc: the section container and the four settings blocks,
// with named accessors for fields that share a word. Offsets are from the start of
// each section (header included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ImeContext;

constexpr uint32_t kConfigFileSize = 26732;
constexpr uint32_t kConfigFirstSection = 0x8C;
constexpr uint32_t kImeBlockSize = 8292;
constexpr uint32_t kDmeBlockSize = 13344;
constexpr uint32_t kSkinBlockSize = 660;
constexpr uint32_t kSoftBlockSize = 4296;
constexpr uint32_t kBlockNameUnits = 65;

inline constexpr wchar_t kImeBlockName[] = L"zn_ime_config_data_default";
inline constexpr wchar_t kDmeBlockName[] = L"zn_dme_config_data_default";
inline constexpr wchar_t kSkinBlockName[] = L"zn_skin_config_data_default";
inline constexpr wchar_t kSoftBlockName[] = L"zn_soft_config_data_default";

struct ConfigFileHeader {
  uint32_t sectionCount;       // readers use only the low byte
  uint32_t sectionOffset[34];  // from the start of the file; zero-padded to 0x8C
};
static_assert(sizeof(ConfigFileHeader) == kConfigFirstSection);

struct ConfigBlock {
  uint32_t size;  // section bytes, header included
  uint16_t id;
  wchar_t name[kBlockNameUnits];  // NUL-padded
};
static_assert(sizeof(ConfigBlock) == 136);
static_assert(offsetof(ConfigBlock, name) == 6);

struct SymbolEscapeEntry {
  uint16_t kind;  // 0 none, 1 text, 2 pair
  wchar_t first[5];
  wchar_t second[5];
  uint16_t pairState;
};
static_assert(sizeof(SymbolEscapeEntry) == 24);

struct RecentCommitRecord {
  uint8_t wordUnits;      // at most 15
  uint8_t wordChars;      // a surrogate pair counts one
  wchar_t word[17];       // NUL-terminated
  wchar_t codes[16][8];   // code of each character, NUL-padded
};
static_assert(sizeof(RecentCommitRecord) == 292);
static_assert(offsetof(RecentCommitRecord, codes) == 36);

// Option flags of ImeConfigBlock::optionFlags.
enum ImeOption : uint32_t {
  kImeOptAssociations = 0x2,
  kImeOptTraditional = 0x10,
  kImeOptSimplified = 0x20,
  kImeOptUppercaseEnglish = 0x800,
  kImeOptMainCode = 0x8000,
  kImeOptAuxiliaryCode = 0x10000,
  kImeOptListSecondary = 0x20000,
  kImeOptSecondaryWhenEmpty = 0x40000,
  kImeOptTempWords = 0x100000,
  kImeOptTempWordSaves = 0x200000,
  kImeOptClearTempOnRestart = 0x400000,
  kImeOptSmartTempWords = 0x800000,
};

struct ImeConfigBlock {
  ConfigBlock header;
  uint32_t optionFlags;     // 136, ImeOption
  uint32_t interfaceFlags;  // 140
  uint32_t sortWord;        // 144: frequency mode, sort options, page size
  uint32_t spaceWord;       // 148: space with no candidates, duplicates, display bits
  SymbolEscapeEntry symbolEscapes[128];  // 152, by ASCII code
  uint16_t keyRootTable[128];            // 3224, 0 = the key itself
  int32_t recentCommitCount;             // 3480, 0..16
  RecentCommitRecord recentCommits[16];  // 3484, oldest first
  uint32_t sentenceMode;                 // 8156
  uint32_t conversionMode;               // 8160
  uint32_t bootStamp[2];                 // 8164, u64 low/high; only 4-aligned in the file
  uint8_t unused[120];
};
static_assert(sizeof(ImeConfigBlock) == kImeBlockSize);
static_assert(offsetof(ImeConfigBlock, optionFlags) == 136);
static_assert(offsetof(ImeConfigBlock, sortWord) == 144);
static_assert(offsetof(ImeConfigBlock, spaceWord) == 148);
static_assert(offsetof(ImeConfigBlock, symbolEscapes) == 152);
static_assert(offsetof(ImeConfigBlock, keyRootTable) == 3224);
static_assert(offsetof(ImeConfigBlock, recentCommitCount) == 3480);
static_assert(offsetof(ImeConfigBlock, recentCommits) == 3484);
static_assert(offsetof(ImeConfigBlock, sentenceMode) == 8156);
static_assert(offsetof(ImeConfigBlock, conversionMode) == 8160);
static_assert(offsetof(ImeConfigBlock, bootStamp) == 8164);

// Key-character flags of DmeConfigBlock::keyCharFlags.
enum KeyCharFlag : uint8_t {
  kKeyCharCommitLead = 0x1,
  kKeyCharTerminator = 0x2,
  kKeyCharEnglishPunctAfterDigit = 0x4,
  kKeyCharStartsCode = 0x10,
  kKeyCharContinuesCode = 0x20,
};

// Code options of DmeConfigBlock::codeOptions (low byte).
enum DmeCodeOption : uint32_t {
  kDmeOptPrefixHints = 0x1,
  kDmeOptHintsWithoutMatch = 0x2,
  kDmeOptWildcardSingleChars = 0x4,
  kDmeOptWildcardFirstKey = 0x8,
  kDmeOptWildcardRunning = 0x10,
  kDmeOptWildcardRepeat = 0x20,
  kDmeOptNumberSearch = 0x40,
  kDmeOptAutoCommitIgnoresComplete = 0x80,
};

struct WordFormationRule {
  uint16_t elements[128];  // high byte character number, low 7 bits code position; NUL-terminated
};
static_assert(sizeof(WordFormationRule) == 256);

// One element of a rule. Bit 15 marks a position written with F; it is no
// part of the character number.
inline int RuleCharacter(uint16_t element) { return (element >> 8) & 0x7F; }
inline int RuleCodePosition(uint16_t element) { return element & 0x7F; }

struct CombinationKey {
  uint32_t keyCode;
  uint32_t zero;
  uint64_t flags;
};
static_assert(sizeof(CombinationKey) == 16);

struct DmeConfigBlock {
  ConfigBlock header;
  uint32_t codeOptions;    // 136, DmeCodeOption; bits 24-31 shortest code listing words
  uint32_t commitLengths;  // 140: byte 141 empty-code clear, 142 dynamic, 143 unique commit
  uint8_t wildcardChar;        // 144
  uint8_t tempEnglishLead;     // 145
  uint8_t auxiliaryLead;       // 146
  uint8_t secondaryLead;       // 147
  uint8_t fourthLead;          // 148
  uint8_t keyCharFlags[256];   // 149, KeyCharFlag by code byte
  uint8_t pad405;
  WordFormationRule wordRules[31];  // 406, index = characters in the word (2..30 used)
  uint8_t unused8342[258];
  uint64_t keyFunctions[512];       // 8600: unshifted row, then shifted row
  uint8_t combinationCount;         // 12696, 0..32
  uint8_t pad12697[7];
  CombinationKey combinations[32];  // 12704
  uint8_t unused13216[128];
};
static_assert(sizeof(DmeConfigBlock) == kDmeBlockSize);
static_assert(offsetof(DmeConfigBlock, codeOptions) == 136);
static_assert(offsetof(DmeConfigBlock, commitLengths) == 140);
static_assert(offsetof(DmeConfigBlock, wildcardChar) == 144);
static_assert(offsetof(DmeConfigBlock, fourthLead) == 148);
static_assert(offsetof(DmeConfigBlock, keyCharFlags) == 149);
static_assert(offsetof(DmeConfigBlock, wordRules) == 406);
static_assert(offsetof(DmeConfigBlock, keyFunctions) == 8600);
static_assert(offsetof(DmeConfigBlock, keyFunctions) + 256 * 8 == 10648);
static_assert(offsetof(DmeConfigBlock, combinationCount) == 12696);
static_assert(offsetof(DmeConfigBlock, combinations) == 12704);

// One font, in the appearance block and in a loaded skin.
struct FontSpec {
  uint32_t colour;  // COLORREF
  wchar_t face[40];
  int32_t sizePixels;  // a CreateFontW height: negative is the character height
  int32_t weight;
  uint8_t italic;
  uint8_t underline;
  uint8_t strikeOut;
  uint8_t reserved;
};
static_assert(sizeof(FontSpec) == 96);
static_assert(offsetof(FontSpec, face) == 4);
static_assert(offsetof(FontSpec, sizePixels) == 84);
static_assert(offsetof(FontSpec, weight) == 88);
static_assert(offsetof(FontSpec, italic) == 92);

// Appearance flags of SkinConfigBlock::appearanceFlags.
inline constexpr uint32_t kSkinLabelsVisible = 0x1;
inline constexpr uint32_t kSkinHintsVisible = 0x2;
inline constexpr uint32_t kSkinButtonsVisible = 0x4;
inline constexpr uint32_t kSkinRowArrangement = 0x8;    // 横排; neither this nor the next: 竖排
inline constexpr uint32_t kSkinColumnsFromLeft = 0x10;  // 左起纵向
inline constexpr uint32_t kSkinCaretVertical = 0x100;
inline constexpr uint32_t kSkinCaretHorizontal = 0x200;
inline constexpr uint32_t kSkinCaretThin = 0x2000;
inline constexpr uint32_t kSkinRightToLeft = 0x4000;
inline constexpr uint32_t kSkinOwnFonts = 0x8000;  // the block's two fonts instead of the skin's

struct SkinConfigBlock {
  ConfigBlock header;
  uint32_t reserved136;
  uint32_t appearanceFlags;  // 140
  FontSpec candidateFont;    // 144
  FontSpec codeFont;         // 240
  wchar_t skinName[40];      // 336: configured skin file name, or "切换"
  wchar_t loadedSkinName[40];  // 416
  uint8_t unused496[20];
  int32_t candidateX, candidateY;  // 516: stored candidate-window position, 0,0 none
  int32_t statusX, statusY;        // 524: stored status-bar position, 0,0 none
  uint8_t unused532[128];
};
static_assert(sizeof(SkinConfigBlock) == kSkinBlockSize);
static_assert(offsetof(SkinConfigBlock, appearanceFlags) == 140);
static_assert(offsetof(SkinConfigBlock, candidateFont) == 144);
static_assert(offsetof(SkinConfigBlock, candidateFont.face) == 148);
static_assert(offsetof(SkinConfigBlock, candidateFont.sizePixels) == 228);
static_assert(offsetof(SkinConfigBlock, codeFont.face) == 244);
static_assert(offsetof(SkinConfigBlock, codeFont.sizePixels) == 324);
static_assert(offsetof(SkinConfigBlock, skinName) == 336);
static_assert(offsetof(SkinConfigBlock, loadedSkinName) == 416);
static_assert(offsetof(SkinConfigBlock, candidateX) == 516);
static_assert(offsetof(SkinConfigBlock, statusX) == 524);

struct SoftConfigBlock {
  ConfigBlock header;
  wchar_t displayName[40];        // 136
  wchar_t languageName[40];       // 216
  wchar_t imeName[40];            // 296
  wchar_t installFolderName[40];  // 376
  uint8_t productGuid[16];        // 456, GUID in its binary form
  uint8_t unused472[80];
  uint16_t languageId;            // 552, 0 means 0x0804
  wchar_t comments[32];           // 554
  wchar_t publisher[40];          // 618
  wchar_t versionText[40];        // 698
  wchar_t helpLink[256];          // 778
  wchar_t aboutUrl[256];          // 1290
  wchar_t updateUrl[256];         // 1802
  wchar_t contact[40];            // 2314
  wchar_t helpTelephone[40];      // 2394
  wchar_t startProgram[260];      // 2474
  wchar_t uninstallPage[260];     // 2994
  uint8_t unused3514[70];
  uint32_t installerFlags;        // 3584
  uint16_t pad3588;
  wchar_t categoryNames[32][9];   // 3590: 0 main table, 1 system, 2 user, 3 secondary, 4 auxiliary, 16..31 classes
  uint16_t pad4166;
  uint32_t categoryFlags[32];     // 4168: bit 0 editable, bit 1 in use
};
static_assert(sizeof(SoftConfigBlock) == kSoftBlockSize);
static_assert(offsetof(SoftConfigBlock, displayName) == 136);
static_assert(offsetof(SoftConfigBlock, imeName) == 296);
static_assert(offsetof(SoftConfigBlock, productGuid) == 456);
static_assert(offsetof(SoftConfigBlock, languageId) == 552);
static_assert(offsetof(SoftConfigBlock, comments) == 554);
static_assert(offsetof(SoftConfigBlock, versionText) == 698);
static_assert(offsetof(SoftConfigBlock, helpLink) == 778);
static_assert(offsetof(SoftConfigBlock, updateUrl) == 1802);
static_assert(offsetof(SoftConfigBlock, contact) == 2314);
static_assert(offsetof(SoftConfigBlock, startProgram) == 2474);
static_assert(offsetof(SoftConfigBlock, uninstallPage) == 2994);
static_assert(offsetof(SoftConfigBlock, installerFlags) == 3584);
static_assert(offsetof(SoftConfigBlock, categoryNames) == 3590);
static_assert(offsetof(SoftConfigBlock, categoryFlags) == 4168);

// --- accessors of fields that share a word ---

inline uint32_t ImeFrequencyMode(const ImeConfigBlock* b) { return b->sortWord & 0x7; }
inline bool ImeSingleCharsFirst(const ImeConfigBlock* b) { return (b->sortWord & 0x8) != 0; }
inline bool ImeSortByCode(const ImeConfigBlock* b) { return (b->sortWord & 0x10) != 0; }
// Slots per candidate page, as stored (the settings text writes 1..10).
inline uint32_t ImePageSize(const ImeConfigBlock* b) { return b->sortWord >> 28; }
inline void SetImePageSize(ImeConfigBlock* b, uint32_t n) {
  b->sortWord = (b->sortWord & 0x0FFFFFFFu) | ((n & 0xF) << 28);
}
inline uint64_t ImeBootStamp(const ImeConfigBlock* b) {
  return (static_cast<uint64_t>(b->bootStamp[1]) << 32) | b->bootStamp[0];
}
inline void SetImeBootStamp(ImeConfigBlock* b, uint64_t stamp) {
  b->bootStamp[0] = static_cast<uint32_t>(stamp);
  b->bootStamp[1] = static_cast<uint32_t>(stamp >> 32);
}

inline uint32_t DmeShortestWordCode(const DmeConfigBlock* b) { return b->codeOptions >> 24; }
inline uint32_t DmeEmptyClearLength(const DmeConfigBlock* b) { return (b->commitLengths >> 8) & 0xFF; }
inline uint32_t DmeDynamicCommitLength(const DmeConfigBlock* b) { return (b->commitLengths >> 16) & 0xFF; }
inline uint32_t DmeUniqueCommitLength(const DmeConfigBlock* b) { return b->commitLengths >> 24; }
inline uint64_t* DmeKeyFunctionRow(DmeConfigBlock* b, bool shifted) {
  return b->keyFunctions + (shifted ? 256 : 0);
}

// --- container ---

struct ConfigBlockSet {
  SoftConfigBlock* soft;
  ImeConfigBlock* ime;
  DmeConfigBlock* dme;
  SkinConfigBlock* skin;
};

// Finds the first section named name (ASCII case ignored) in a config.dsc
// image. Every offset and size is checked against the image: null when no
// section has that name, or when the first one runs past the end, is
// misaligned for its layout or is shorter than minSize.
ConfigBlock* FindConfigBlock(uint8_t* view, uint32_t viewSize, const wchar_t* name,
                             uint32_t minSize, uint32_t alignment);
// Finds all four blocks; true only when every one was found.
bool LocateConfigBlocks(uint8_t* view, uint32_t viewSize, ConfigBlockSet* out);
// Sets the context's four block pointers from its mapped config.dsc; 1 when
// all four were found, else 0 with the pointers cleared.
int BindConfigBlocks(ImeContext* context);

// Writes an empty four-block container with the product identity and the
// defaults needed to type into out (at least kConfigFileSize bytes, zeroed
// here first). Returns the bytes written, 0 when out is too small.
uint32_t WriteDefaultConfigContainer(uint8_t* out, uint32_t capacity);
// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" into its 16-byte binary form.
bool ParseGuidText(const wchar_t* text, uint8_t out[16]);
// A product key: a braced GUID of exactly 38 units, as registry paths, COM
// and the programs' command lines take it.
bool IsProductKeyText(const std::wstring& text);
