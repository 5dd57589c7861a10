// Bounded UTF-16 string routines shared by every deliverable. Capacities are
// in UTF-16 units and include the terminator; results follow the HRESULT
// convention of the platform's safe-string routines.
#pragma once

#include <windows.h>
#include <cstdint>
#include <string>

static_assert(sizeof(wchar_t) == 2, "UTF-16 text is held in wchar_t");

// 0x8007007A: the text did not fit and was cut (still terminated).
constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);
// Capacities from 2^31 units up are treated as a caller's mistake.
constexpr uint32_t kMaxStringCapacity = 0x7FFFFFFFu;
// Bit 31 of a count: the text holds a high surrogate without its low half.
constexpr uint32_t kBrokenPairBit = 0x80000000u;

// Compares n units as unsigned numbers: -1, 0 or 1.
int CompareWideChars(const wchar_t* a, const wchar_t* b, uint32_t n);
// Characters up to the NUL, a surrogate pair counting one. A high surrogate
// not followed by a low one ends the count and sets kBrokenPairBit.
uint32_t CountCodePoints(const wchar_t* text);
// Units occupied by the first n characters (a pair is one character of two
// units); stops at the NUL. A broken pair ends the count with kBrokenPairBit.
uint32_t CountUnitsForCodePoints(const wchar_t* text, uint32_t n);
// Length of a terminated text, at most maxUnits.
uint32_t BoundedLength(const wchar_t* text, uint32_t maxUnits);
// The text of a fixed field of a shared block, which another process may
// have left without a terminator.
template <size_t N>
std::wstring FieldText(const wchar_t (&field)[N]) {
  return std::wstring(field, BoundedLength(field, N));
}

HRESULT CopyStringBounded(wchar_t* dst, uint32_t capacity, const wchar_t* src);
HRESULT AppendStringBounded(wchar_t* dst, uint32_t capacity, const wchar_t* src);
HRESULT AppendStringBoundedN(wchar_t* dst, uint32_t capacity, const wchar_t* src, uint32_t n);
// printf-style formatting with the platform's wide rules (%s takes a wide
// string); the output is cut to capacity - 1 units and terminated.
HRESULT FormatString(wchar_t* dst, uint32_t capacity, const wchar_t* format, ...);
