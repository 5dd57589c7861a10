// Chinese punctuation, full width and clipboard text for committed output.
#include "engine/OutputConversion.h"

#include <atomic>

#include "engine/Effects.h"

namespace {

// Module-wide by design: the book-title nesting runs across contexts.
std::atomic<int> quoteNesting{0};

// A kind-1 text may run on from the first field into the second.
constexpr int kEscapeTextUnits = 10;

// Reads the text of an escape entry; kind-1 texts span both fields.
int EscapeText(const SymbolEscapeEntry& e, bool second, wchar_t* out) {
  int n = 0;
  if (second) {
    for (; n < 5 && e.second[n]; ++n) out[n] = e.second[n];
    return n;
  }
  const int limit = e.kind == 1 ? kEscapeTextUnits : 5;
  for (; n < limit; ++n) {
    const wchar_t c = n < 5 ? e.first[n] : e.second[n - 5];
    if (!c) break;
    out[n] = c;
  }
  return n;
}

}  // namespace

int QuoteNestingLevel() { return quoteNesting.load(std::memory_order_relaxed); }

void ResetQuoteNesting() { quoteNesting.store(0, std::memory_order_relaxed); }

void ResetPairedPunctuation(PairStates& pairs) {
  ResetQuoteNesting();
  for (uint32_t& word : pairs) word = 0;
}

int MapChinesePunctuation(const SymbolEscapeEntry* table, PairStates& pairs, const wchar_t* text,
                          wchar_t* out) {
  if (!out) return 0;
  out[0] = 0;
  if (!text) return 0;
  int n = 0;
  for (int i = 0; text[i]; ++i) {
    const wchar_t c = text[i];
    wchar_t piece[kEscapeTextUnits];
    int pieceUnits = 0;
    const SymbolEscapeEntry* e = (table && c < 0x80) ? &table[c] : nullptr;
    int nestingChange = 0;
    bool flipPair = false;
    if (!e || e->kind == 0) {
      piece[0] = (c < 0x20) ? static_cast<wchar_t>(c + 0x20) : c;
      pieceUnits = 1;
    } else if (e->kind == 1 && e->first[0] == 0x300A && e->first[1] == 0x3008) {
      piece[0] = QuoteNestingLevel() < 1 ? 0x300A : 0x3008;
      pieceUnits = 1;
      nestingChange = 1;
    } else if (e->kind == 1 && e->first[0] == 0x3009 && e->first[1] == 0x300B) {
      piece[0] = QuoteNestingLevel() <= 1 ? 0x300B : 0x3009;
      pieceUnits = 1;
      nestingChange = -1;
    } else if (e->kind == 1) {
      pieceUnits = EscapeText(*e, false, piece);
    } else if (e->kind == 2) {
      pieceUnits = EscapeText(*e, (pairs[c / 32] >> (c % 32)) & 1u, piece);
      flipPair = true;
    } else {
      piece[0] = c;
      pieceUnits = 1;
    }
    if (n + pieceUnits > kConvertedTextUnits) break;
    for (int k = 0; k < pieceUnits; ++k) out[n++] = piece[k];
    if (nestingChange > 0) quoteNesting.fetch_add(1, std::memory_order_relaxed);
    if (nestingChange < 0 && QuoteNestingLevel() > 0) {
      quoteNesting.fetch_sub(1, std::memory_order_relaxed);
    }
    if (flipPair) pairs[c / 32] ^= 1u << (c % 32);
  }
  out[n] = 0;
  return n;
}

void ToFullWidth(wchar_t* text) {
  if (!text) return;
  for (int i = 0; text[i]; ++i) {
    const wchar_t c = text[i];
    if (c == 0x20) {
      text[i] = 0x3000;
    } else if (c >= 0x21 && c <= 0x7F) {
      text[i] = static_cast<wchar_t>(c + 0xFEE0);
    }
  }
}

int GetClipboardText(Effects& effects, wchar_t* out) {
  if (!out) return 0;
  out[0] = 0;
  return effects.ReadClipboardText(out, 128) ? 1 : 0;
}
