// Control <-> field tables: each check box or radio button of a page names
// the bits it sets and clears in one 32-bit settings word, so a page writes
// its setting the moment a control changes, and the mapping is a pure
// function that tests can check without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

enum class BitControlKind {
  kCheck,  // checked: set |= ; unchecked: set bits cleared
  kRadio,  // clicked: clear bits cleared, set bits set
};

struct BitControl {
  int controlId;
  BitControlKind kind;
  uint32_t set;
  uint32_t clear;  // radios only
};

// The word after control id changed (checked is the control's new state;
// radios are only ever turned on). Returns false, word untouched, when no
// row names the control.
bool ApplyBitControl(std::span<const BitControl> rows, int id, bool checked, uint32_t& word);
// Whether a check box shows as checked for word.
bool BitCheckShown(const BitControl& row, uint32_t word);
// The radio of rows that word selects: among the radios whose set bits are
// all set and whose clear bits are all clear, the one needing most bits;
// fallbackId when none matches.
int SelectedRadio(std::span<const BitControl> rows, uint32_t word, int fallbackId);
// The row of id, or null.
const BitControl* FindBitControl(std::span<const BitControl> rows, int id);
