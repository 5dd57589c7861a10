// Turns the bytes of a text file into one UTF-16 string by its byte-order
// mark, telling UTF-8 from the ANSI code page when there is none.
#pragma once

#include <cstdint>

// Decodes count bytes (need not be terminated) into a new zero-filled heap
// buffer that always ends in a zero unit; *out receives it (free it with
// FreeDecodedText). Returns the units of text, or -1 with *out null when no
// memory could be had.
int DecodeTextBuffer(const uint8_t* bytes, uint32_t count, wchar_t** out);
void FreeDecodedText(wchar_t* text);
