// What a typed character means in the current state, whether the engine
// takes a key, and putting a character into the code.
#pragma once

#include <cstdint>

#include "engine/ImeContext.h"

// ClassifyTypedChar and ProcessInputChar actions.
enum TypedAction : int {
  kActionNone = 0,
  kActionInsert = 1,     // put the character into the code and search
  kActionEndCode = 4,    // run the pending key function, or commit and go on
  kActionNotTaken = 5,   // commit the current candidate, then send the character
  kActionCommitNow = 7,  // commit the current candidate, or the typed code
};

struct PendingKey {
  uint32_t index;
  uint64_t flags;
  const wchar_t* text;
};

int ClassifyTypedChar(ImeContext* context, wchar_t c);
int ProcessInputChar(ImeContext* context);
int IsKeyHandled(const ImeContext* context, const PendingKey& key);
void InsertCodeChar(ImeContext* context);
