// The input context's conversion mode and open status against the state
// flags of the ImeContext, and the custom initial mode kept in config.dsc.
#pragma once

#include <cstdint>

#include "frontend/common/ConversionModes.h"
#include "frontend/imm/ImeDeclarations.h"

struct ImeConfigBlock;
struct ImePrivateBlock;

// The conversion mode with those three bits set from the state. Closed input
// (0x4) also reads as no conversion: the IME converts nothing then.
DWORD ConversionFromState(DWORD conversion, uint32_t state);
// The state with its three mode bits taken from the conversion mode.
uint32_t StateWithConversion(uint32_t state, DWORD conversion);
// The state set anew from the conversion mode (on activation): the three
// bits, closed and disabled input kept, every other bit cleared.
uint32_t RederiveState(uint32_t state, DWORD conversion);

// At selection with the custom initial mode on: the saved conversion and
// sentence modes, and the open status that goes with them.
void ApplyCustomInitialMode(INPUTCONTEXT* imc, const ImeConfigBlock* ime);
// At deselection: no conversion is never saved or left behind; with the
// custom initial mode and its saving on, the modes go into config.dsc.
void SaveConversionMode(INPUTCONTEXT* imc, ImeConfigBlock* ime);

// What the host's open status asks of the state, compared with what was last
// seen in the private block: kOpen / kClose on a change, kNone otherwise.
enum class HostOpenChange { kNone, kOpen, kClose };
HostOpenChange NoticeHostOpenStatus(const INPUTCONTEXT* imc, ImePrivateBlock* block);
