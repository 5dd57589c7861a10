// Keeping the ImeContext's state flags in step with what the host sets on the
// input context (conversion mode, open status).
#pragma once

#include "frontend/imm/ImcLock.h"

// The host changed the open status: closing sets closed input and drops an
// open composition, opening clears it. Unchanged status does nothing.
void ApplyHostOpenStatus(const ImcLock& lock);
// The conversion mode changed: the mode bits of the state follow it.
void ApplyHostConversionMode(const ImcLock& lock);
// The context became active: its state is set anew from the conversion mode.
void RederiveHostState(const ImcLock& lock);
