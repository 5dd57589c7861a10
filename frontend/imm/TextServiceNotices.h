// IMM32 notices of the text service's candidate list, for applications that
// read IMM32 messages while the text service types for them.
#pragma once

#include <windows.h>

// Sends WM_IME_NOTIFY (notification, lists) through the message buffer of
// window's input context, only when that context belongs to window.
void NotifyTextServiceCandidates(HWND window, WPARAM notification, LPARAM lists);
