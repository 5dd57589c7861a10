// Shaping of committed text: Chinese punctuation through the symbol-escape
// table, full-width forms, and the clipboard text used by placeholders.
#pragma once

#include <cstdint>

#include "engine/ConfigBlocks.h"

class Effects;

// Units a converted text may hold, the terminator excluded (buffers hold 129).
inline constexpr int kConvertedTextUnits = 128;

// Which paired escapes of one input context give their closing mark next:
// bit c of word c / 32 for ASCII character c. A quote typed in one program
// does not change what the next one gives in another.
using PairStates = uint32_t[4];

// Rewrites the ASCII characters of text through the 128-entry escape table
// into out (kConvertedTextUnits + 1 units); pairs alternate through the
// context's pair states, the table's own pair-state fields are not used.
// Output that would not fit ends the conversion there, so the text is cut at
// a character boundary and the pair states of characters not written stay
// unchanged. Returns the units written.
int MapChinesePunctuation(const SymbolEscapeEntry* table, PairStates& pairs, const wchar_t* text,
                          wchar_t* out);

// ASCII to full-width forms, in place. Control characters stay: 0x0A and
// 0x0D are also the line breaks of macro texts, which must survive.
void ToFullWidth(wchar_t* text);

// out (128 units) becomes the clipboard's text cut to 127 units, "" when it
// holds none. 1 when the clipboard could be opened, else 0.
int GetClipboardText(Effects& effects, wchar_t* out);

// Nesting of the book-title marks, shared by every context of the process.
int QuoteNestingLevel();
void ResetQuoteNesting();
// Puts every paired escape back to its opening form and the nesting to 0.
void ResetPairedPunctuation(PairStates& pairs);
