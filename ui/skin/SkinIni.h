// skin.ini: the text file of a skin archive, parsed into SkinValues.
#pragma once

#include <cstdint>

#include "ui/skin/SkinTypes.h"

enum SkinIniResult {
  kSkinIniParsed = 0,  // parsed, and the skin has a name
  kSkinIniUndecodable = 1,
  kSkinIniNoName = 2,
};

// Reads the keys of every known section into values; keys that do not occur
// leave their fields as they were. Returns a SkinIniResult.
int ParseSkinIni(SkinValues* values, uint32_t length, const uint8_t* bytes);

// Limits that keep a hostile skin from steering the windows into overflow,
// division by zero or reads outside a picture.
constexpr int32_t kMaxSkinWindowSide = 4096;

// Clamps positions, gaps, margins and minimum sizes to +-kMaxSkinWindowSide,
// counts to 0..kMaxSkinWindowSide and each layout's stretch ranges into its
// background picture (or to 0..0 when the picture is missing).
void ClampSkinValues(SkinValues* values, const SkinImageSet* images);
