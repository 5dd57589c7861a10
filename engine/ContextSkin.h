// The context's SkinData: allocated when a context is created, freed when it
// is destroyed. Loading the chosen skin into it is the skin library's work.
#pragma once

#include <cstdint>

struct ImeContext;

constexpr uint32_t kSkinDataSize = 206248;

// Allocates the zero-filled SkinData of the context (when it has none) and
// loads the chosen skin; 1 when the context has a SkinData afterwards. A
// context without one still works.
int LoadContextSkin(ImeContext* context);
// Frees the skin's buffers and the SkinData; the pointer is cleared.
void FreeContextSkin(ImeContext* context);
