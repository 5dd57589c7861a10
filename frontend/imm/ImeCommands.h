// Commands of the skinned windows' buttons and menus for an IMM32 input
// context (the command codes of the window commands).
#pragma once

#include <cstdint>

#include "frontend/imm/ImeDeclarations.h"
#include "ui/windows/WindowCommands.h"

// Carries out one command on the input context's ImeContext. 1, or 0 when
// the context does not lock.
int HandleImeCommand(HIMC himc, uint32_t command, uintptr_t a, intptr_t b);

// The IMM32 front end as the skinned windows' command target: a command for
// a context goes to HandleImeCommand on its input context.
WindowCommandTarget& ImmCommandTarget();
