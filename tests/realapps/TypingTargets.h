// The four places a script is typed into: the console host's key runner, the
// text service on the fake TSF host, and a real EDIT and a real RichEdit
// control fed through the system's input path with the module installed as
// an IME. Each reports the text after a key and whether a composition is open.
#pragma once

#include <memory>
#include <string>

#include "tools/zntype/KeyScript.h"

class TypingTarget {
 public:
  virtual ~TypingTarget() = default;
  // Empties the document; no composition is open.
  virtual void Clear() = 0;
  virtual void Press(const KeyStroke& key) = 0;
  virtual bool Composing() const = 0;
  // The document's text with every line break as "\n".
  virtual std::wstring Text() const = 0;
};

// name: console, tsf, edit or richedit. module: the built zinIME.ime (edit and
// richedit). Null with *error set when the target cannot be made.
std::unique_ptr<TypingTarget> MakeTypingTarget(const std::wstring& name, const std::wstring& data,
                                               const std::wstring& module, std::wstring* error);
