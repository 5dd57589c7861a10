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

// A decoded text and its one owner, which frees it with the decoder's own
// allocator: the buffer comes from the process heap, and free() on it would
// corrupt the heap.
class DecodedText {
 public:
  DecodedText() = default;
  ~DecodedText() { FreeDecodedText(text_); }
  DecodedText(DecodedText&& other) noexcept : text_(other.text_), lenUnits_(other.lenUnits_) {
    other.text_ = nullptr;
    other.lenUnits_ = 0;
  }
  DecodedText& operator=(DecodedText&& other) noexcept {
    if (this != &other) {
      FreeDecodedText(text_);
      text_ = other.text_;
      lenUnits_ = other.lenUnits_;
      other.text_ = nullptr;
      other.lenUnits_ = 0;
    }
    return *this;
  }
  DecodedText(const DecodedText&) = delete;
  DecodedText& operator=(const DecodedText&) = delete;

  // Decodes as DecodeTextBuffer does, replacing what was held; false (and
  // empty) when no memory could be had.
  bool Decode(const uint8_t* bytes, uint32_t count) {
    *this = DecodedText();
    const int units = DecodeTextBuffer(bytes, count, &text_);
    lenUnits_ = units > 0 ? static_cast<uint32_t>(units) : 0;
    return text_ != nullptr;
  }
  // The text, ended by a zero unit; null when nothing is held. Callers may
  // edit it in place.
  wchar_t* Text() const { return text_; }
  uint32_t LenUnits() const { return lenUnits_; }
  explicit operator bool() const { return text_ != nullptr; }

 private:
  wchar_t* text_ = nullptr;
  uint32_t lenUnits_ = 0;
};
