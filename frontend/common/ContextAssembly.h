// Input contexts as the module and the tools use them: the engine's context
// with its skin loaded, and destroyed with it. config, which draws no skinned
// window, uses the engine's CreateImeContext alone.
#pragma once

#include "engine/ImeContext.h"
#include "engine/Os.h"

// CreateImeContext (os null: the real services) plus the chosen skin. A skin
// that cannot be loaded leaves an empty SkinData: the context still types.
// Null when the engine could not make the context.
ImeContext* CreateContextWithSkin(const OsServices* os = nullptr);
// Frees the skin, then the context. Accepts null.
void DestroyContextWithSkin(ImeContext* context);
// Loads the skin again when the settings name another one, and lets the
// skinned windows relayout (after a set( command changed the settings).
void ReloadContextSkin(ImeContext* context);
