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
// sentence modes, and the open status that goes with them. False when the
// option is off.
bool ApplyCustomInitialMode(INPUTCONTEXT* imc, const ImeConfigBlock* ime);
// The mode of a context no one set a mode for: native, half width, and the
// punctuation the settings keep in the saved conversion mode.
DWORD InitialConversionMode(const ImeConfigBlock* ime);
// At selection: the custom initial mode when it is on; otherwise a context
// whose mode no one set (fdwInit without INIT_CONVERSION) gets the initial
// mode, and a mode the host or an earlier selection set is kept. The context
// is marked as set either way.
void InitConversionMode(INPUTCONTEXT* imc, const ImeConfigBlock* ime);
// At deselection: no conversion is never saved or left behind; with the
// custom initial mode and its saving on, the modes go into config.dsc.
void SaveConversionMode(INPUTCONTEXT* imc, ImeConfigBlock* ime);

// What the host's open status asks of the state, compared with what was last
// seen in the private block: kOpen / kClose on a change, kNone otherwise.
enum class HostOpenChange { kNone, kOpen, kClose };
HostOpenChange NoticeHostOpenStatus(const INPUTCONTEXT* imc, ImePrivateBlock* block);
// Whether the host set a conversion mode since the last look: it changed and
// it is not the one the state already stands for (the module writes that one
// itself). Records what it saw.
bool NoticeHostConversion(const INPUTCONTEXT* imc, ImePrivateBlock* block, uint32_t state);
