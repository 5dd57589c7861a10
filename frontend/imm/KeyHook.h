// A keyboard hook on each GUI thread that uses the IME. Some systems (Wine)
// call ImeProcessKey for key-downs only and make no UI window to register the
// combination hot keys: the hook brings modifier releases to the key runner
// (a lone Shift tap) and runs combination keys no hot key took. Where
// ImeProcessKey does see releases, whichever sees one first runs it.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

// Called by ImeProcessKey: installs the calling thread's hook once and
// remembers the input context and layout that key went through, and whether
// it took a release (then ImeToAsciiEx runs it, not the hook).
void NoteImeKey(HIMC himc, bool releaseTaken);
// Removes every thread's hook (before the module can unload).
void RemoveKeyHooks();
// Removes the calling thread's hook (the thread ends).
void RemoveThreadKeyHook();
