// Committing a page slot or the typed code, and frequency adjustment of the
// committed entry in main.dmg.
#pragma once

#include "engine/ImeContext.h"

// Result of CommitCandidate for an empty or invalid slot.
inline constexpr int kCommitEmptySlot = -2;
// Result of CommitCandidate for a macro refused in this process: nothing is
// committed and nothing else may follow.
inline constexpr int kCommitRefused = -3;
// The largest order value.
inline constexpr uint32_t kOrderCeiling = 0xFFFF;

// Selector: 0 the selected slot, 1..10 slot n, 11 the typed code, 12 the last
// filled slot. Returns the committed candidate's list index, 0 when the code
// itself (or nothing) was committed, kCommitEmptySlot for an empty slot,
// kCommitRefused for a refused macro.
int CommitCandidate(ImeContext* context, int selector);
void AdjustFrequency(ImeContext* context, int selector);
// Whether AdjustFrequency would write an order for this commit: a commit that
// changes nothing need not wait for the data folder's lock.
bool FrequencyWouldChange(const ImeContext* context, int selector);
void RaiseEntryToTop(ImeContext* context, int listIndex);
void RaiseEntryHalfway(ImeContext* context, int listIndex);
void CountEntryCommit(ImeContext* context, int listIndex);
