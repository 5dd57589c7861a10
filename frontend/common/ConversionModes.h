// The conversion-mode bits IMM32 and TSF both use (IME_CMODE_* and
// TF_CONVERSIONMODE_* have the same values) and the state bits they set.
#pragma once

#include <cstdint>

inline constexpr uint32_t kModeNative = 0x1;
inline constexpr uint32_t kModeFullShape = 0x8;
inline constexpr uint32_t kModeNoConversion = 0x100;
inline constexpr uint32_t kModeSymbol = 0x400;

// State bits that follow the conversion mode: English (0x10) from no
// conversion, full width (0x1) from full shape, English punctuation (0x2)
// from a clear symbol bit.
uint32_t StateFromConversion(uint32_t mode);
