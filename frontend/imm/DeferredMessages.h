// Messages held back until the host has taken a result. Many hosts (Wine's
// EDIT, programs that leave results to DefWindowProc) receive a result as
// posted WM_IME_CHAR / WM_CHAR messages: a composition started in the same
// call would be shown first and then overwritten by those characters. What
// follows a result therefore waits for a thread timer, which the system
// delivers only once no posted message is left in the queue.
//
// The timer has no callback: a message hook of the holding thread takes its
// WM_TIMER. Another thread cannot kill a thread's timer, but it can remove
// the hook, so a timer left behind when the module goes calls nothing in it.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

// Holds messages for himc until the calling thread's queue has no posted
// messages left; messages held earlier go first.
void DeferImeMessages(HIMC himc, const TRANSMSG* messages, int count);
// Delivers what the calling thread holds now (before anything newer goes
// out); with himc, only what is held for that input context.
void DeliverDeferredImeMessages(HIMC himc = nullptr);
// Whether messages are held on the calling thread.
bool ImeMessagesDeferred();
// Drops what every thread holds and removes their hooks (the module may go
// next). A thread's timer left behind is killed by its own next delivery.
void DropDeferredImeMessages();
// The calling thread ends: its slot is free again.
void ReleaseThreadDeferredMessages();
