// Seeded key scripts that type like a user: Wubi codes of the shipped table
// committed by Space, by a digit or by the next code's first letter, paging,
// Backspace and Esc inside and outside a code, punctuation, digits, Enter,
// and Shift taps into English and back. The same seed gives the same script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The codes of a table's system words that only use the letters a-y, sorted
// and without repeats; empty when the table cannot be read.
std::vector<std::string> LoadWubiCodes(const std::wstring& tablePath);

// A script in zntype's notation of at least minKeys key strokes. It ends with
// no composition open and in Chinese input, as it started.
std::wstring MakeTypingScript(uint64_t seed, const std::vector<std::string>& codes, int minKeys);
