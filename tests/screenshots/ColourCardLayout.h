// The colour card's blocks, left to right; xwd_check.py keeps the same list.
#pragma once

inline constexpr int kCardBlockSize = 40;
inline constexpr int kCardBlocks = 5;
inline constexpr int kCardWidth = kCardBlockSize * kCardBlocks;

struct CardBlock {
  int x;
  unsigned red, green, blue;
  bool fromDib;
};

inline constexpr CardBlock kCardLayout[kCardBlocks] = {
    {0, 0xFF, 0x00, 0x00, false},
    {40, 0x00, 0xFF, 0x00, false},
    {80, 0x00, 0x00, 0xFF, false},
    {120, 0x28, 0x8C, 0x3C, false},  // config's icon green
    {160, 0xFF, 0x80, 0x00, true},
};
