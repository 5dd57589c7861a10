// Messages held back until the host has taken a result. Many hosts (Wine's
// EDIT, programs that leave results to DefWindowProc) receive a result as
// posted WM_IME_CHAR / WM_CHAR messages: a composition started in the same
// call would be shown first and then overwritten by those characters. What
// follows a result therefore waits for a thread timer, which the system
// delivers only once no posted message is left in the queue.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

// Holds messages for himc until the calling thread's queue has no posted
// messages left; messages held earlier go first.
void DeferImeMessages(HIMC himc, const TRANSMSG* messages, int count);
// Delivers what is held now (before anything newer goes out).
void DeliverDeferredImeMessages();
// Whether messages are held on the calling thread.
bool ImeMessagesDeferred();
