// Bits of the ime block's option words (136, 144, 148) and of the saved
// conversion mode (8160) that the settings text reads and writes, beside the
// ImeOption bits of ConfigBlocks.h.
#pragma once

#include <cstdint>

namespace ImeBits {

// Word 136.
inline constexpr uint32_t kCommitOnSwitch = 0x1;
inline constexpr uint32_t kNonCodeKeysCommit = 0x4;
inline constexpr uint32_t kNoHotKeys = 0x8;
inline constexpr uint32_t kCandidateFixed = 0x40;
inline constexpr uint32_t kCandidateFollowsStatus = 0x80;
inline constexpr uint32_t kHideStatus = 0x100;
inline constexpr uint32_t kStatusInLanguageBar = 0x200;
inline constexpr uint32_t kHideCandidates = 0x400;
inline constexpr uint32_t kTsfEmbedCode = 0x1000;
inline constexpr uint32_t kTsfEmbedFirst = 0x2000;
inline constexpr uint32_t kTsfClassic = 0x4000;
inline constexpr uint32_t kTsfStyles = 0x7000;

// Word 144 (page size in bits 28-31: ImePageSize).
inline constexpr uint32_t kFrequencyModes = 0x7;
inline constexpr uint32_t kFrequencyToTop = 0x1;
inline constexpr uint32_t kFrequencyStep = 0x2;
inline constexpr uint32_t kFrequencyCount = 0x4;
inline constexpr uint32_t kSingleCharsFirst = 0x8;
inline constexpr uint32_t kSortByCode = 0x10;

// Word 148.
inline constexpr uint32_t kSpaceModes = 0x7;
inline constexpr uint32_t kSpaceCommitsCode = 0x1;
inline constexpr uint32_t kSpaceCommitsCodeAndSpace = 0x2;
inline constexpr uint32_t kSpaceClears = 0x4;
inline constexpr uint32_t kNoDuplicates = 0x8;
inline constexpr uint32_t kMacros = 0x20;
inline constexpr uint32_t kCandidatesOnlyWhenAmbiguous = 0x40;
inline constexpr uint32_t kHideEmbeddedFirst = 0x80;
inline constexpr uint32_t kCustomConversion = 0x100;
inline constexpr uint32_t kSaveConversion = 0x200;
// Association keys carry "#" behind the committed text.
inline constexpr uint32_t kAssociationHashKeys = 0x400;
// Product bits: what this build offers, shown or hidden in the settings text.
inline constexpr uint32_t kTsfAvailable = 0x1000;
inline constexpr uint32_t kAssociationsAvailable = 0x2000;
inline constexpr uint32_t kTempWordsAvailable = 0x4000;
inline constexpr uint32_t kKeyRootDisplay = 0x10000;

// IMM32 conversion-mode bits of the saved mode.
inline constexpr uint32_t kModeSymbol = 0x400;         // IME_CMODE_SYMBOL
inline constexpr uint32_t kModeFullShape = 0x8;        // IME_CMODE_FULLSHAPE
inline constexpr uint32_t kModeNoConversion = 0x100;   // IME_CMODE_NOCONVERSION
inline constexpr uint32_t kModeSystemDefault = 0x401;  // IME_CMODE_NATIVE | IME_CMODE_SYMBOL

}  // namespace ImeBits
