// Control <-> field tables as pure functions.
#include "ui/dialogs/BitControls.h"

const BitControl* FindBitControl(std::span<const BitControl> rows, int id) {
  for (const BitControl& row : rows) {
    if (row.controlId == id) return &row;
  }
  return nullptr;
}

bool ApplyBitControl(std::span<const BitControl> rows, int id, bool checked, uint32_t& word) {
  const BitControl* row = FindBitControl(rows, id);
  if (!row) return false;
  if (row->kind == BitControlKind::kCheck) {
    word = checked ? (word | row->set) : (word & ~row->set);
  } else if (checked) {
    word = (word & ~row->clear) | row->set;
  }
  return true;
}

bool BitCheckShown(const BitControl& row, uint32_t word) {
  return row.set != 0 && (word & row.set) == row.set;
}

int SelectedRadio(std::span<const BitControl> rows, uint32_t word, int fallbackId) {
  // Rows with more set bits first would be ambiguous otherwise: a radio that
  // needs two bits beats one that needs one of them.
  const BitControl* best = nullptr;
  for (const BitControl& row : rows) {
    if (row.kind != BitControlKind::kRadio) continue;
    if ((word & row.set) != row.set || (word & row.clear) != 0) continue;
    if (!best || __builtin_popcount(row.set) > __builtin_popcount(best->set)) best = &row;
  }
  return best ? best->controlId : fallbackId;
}
