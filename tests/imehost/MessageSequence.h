// The IME messages a host must see while codes are typed and committed with
// Space, key by key.
#pragma once

#include <string>
#include <vector>

#include "tests/imehost/HostSession.h"

// For keys made of lowercase codes each ended by a Space that commits the
// first candidate (no association list after the commit): the first key of a
// code ends any earlier composition and starts one, every key of a code
// updates the composition and opens the candidate list, and Space commits and
// ends. Returns false with the first difference in *report.
bool CheckCodeSequence(const std::vector<KeyStroke>& keys, const HostSession& session,
                       std::wstring* report);
