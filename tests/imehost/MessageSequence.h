// The IME messages a host must see, key by key.
#pragma once

#include <string>
#include <vector>

#include "tests/imehost/HostSession.h"

// The composition messages of every key keep the order hosts rely on (one
// start, one end, the result inside and nothing after it but the end).
// Returns false with the first key that broke it in *report.
bool CheckWellFormed(const std::vector<KeyStroke>& keys, const HostSession& session,
                     std::wstring* report);

// For keys made of lowercase codes each ended by a Space that commits the
// first candidate (no association list after the commit): the first key of a
// code starts a composition, every key of a code updates it and opens the
// candidate list, and Space closes the list, commits and ends. Returns false
// with the first difference in *report.
bool CheckCodeSequence(const std::vector<KeyStroke>& keys, const HostSession& session,
                       std::wstring* report);
