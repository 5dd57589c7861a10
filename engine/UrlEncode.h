// Percent-encoding of text for URLs handed to the browser.
#pragma once

// How much of the text is kept as it is.
enum class UrlEncodeForm {
  // One query value (a word looked up in a dictionary): only the unreserved
  // ASCII characters stay; everything else, "&", "#", "%" and blanks
  // included, becomes %XX bytes of its UTF-8 form.
  kQueryValue,
  // A whole URL typed by the user: printable ASCII stays (so "?", "&" and
  // existing %XX escapes keep their meaning); blanks, control characters and
  // everything beyond ASCII become %XX bytes of their UTF-8 form.
  kWholeUrl,
};

// Units an encoded URL may hold, the terminator excluded.
inline constexpr int kEncodedUrlUnits = 511;

// Encodes text into out (capacity in units, the terminator included). A
// surrogate pair is one 4-byte UTF-8 sequence; a lone surrogate is encoded as
// U+FFFD. A character whose encoding does not fit ends the output, so it is
// never cut inside a %XX. Returns the units written (out is always
// terminated when capacity > 0).
int UrlPercentEncode(const wchar_t* text, wchar_t* out, int capacity, UrlEncodeForm form);
