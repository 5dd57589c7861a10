// Keeping the ImeContext's state flags in step with what the host sets on the
// input context (conversion mode, open status).
#pragma once

#include "frontend/imm/ImcLock.h"

// The host changed the open status: closing sets closed input and drops an
// open composition, opening clears it. Unchanged status does nothing. False
// when the host let the input context go on the messages of the drop.
bool ApplyHostOpenStatus(const ImcLock& lock);
// The conversion mode changed: the mode bits of the state follow it.
void ApplyHostConversionMode(const ImcLock& lock);
// The context became active: its state is set anew from the conversion mode.
void RederiveHostState(const ImcLock& lock);
// The open status and conversion mode the host set since the last look take
// effect. False as ApplyHostOpenStatus.
bool FollowHostModes(const ImcLock& lock);
// Before a key: the host's modes (under Wine no notification of them reaches
// the module), and a context no UI window serves gets its status bar once.
// False as ApplyHostOpenStatus: the key then does nothing.
bool SyncBeforeKey(const ImcLock& lock);
// After a key's (or a command's) messages reached the host: without a UI
// window, the status bar shows what changed and the candidate window moves
// to where the host now has its caret.
void SyncAfterKey(const ImcLock& lock);
