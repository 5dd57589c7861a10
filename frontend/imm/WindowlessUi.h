// The UI window's work where the system made no UI window for an input
// context (Wine in Notepad, WordPad and most programs): the status bar while
// the context is active, the candidate window at the caret.
#pragma once

#include "frontend/imm/ImcLock.h"

// Whether the module itself must do the UI window's work for the context.
// Looked up once per context; a UI window of the module's class counts only
// when its slot holds an input context (Wine fills it with something else).
bool UiWindowMissing(const ImcLock& lock);
// A UI window handled a message for the context: it does the work from now.
void NoteUiWindowServes(const ImcLock& lock);

// ImeSetActiveContext without a UI window: activation shows the status bar;
// deactivation hides it and ends an open composition, as the UI window does.
void ActivateWithoutUiWindow(const ImcLock& lock, bool active);
// The first key of such a context shows its status bar (some hosts never
// activate the context before typing into it).
void ShowFirstStatusWithoutUiWindow(const ImcLock& lock);
// After a key: the status bar draws the modes the key changed, and the shown
// candidate window moves to the host's caret or composition form as they are
// now that the host has taken the messages.
void AfterKeyWithoutUiWindow(const ImcLock& lock);
