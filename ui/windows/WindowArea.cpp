// The window area of a context's SkinData.
#include "ui/windows/WindowArea.h"

#include "engine/ImeContext.h"

SkinWindowArea* WindowAreaOf(ImeContext* context) {
  if (!context) return nullptr;
  if (!context->skin) {
    // A context made without a skin still gets its windows; the SkinData
    // holds no skin until one is loaded.
    context->skin = static_cast<SkinData*>(GlobalAlloc(GPTR, sizeof(SkinData)));
    if (!context->skin) return nullptr;
  }
  return reinterpret_cast<SkinWindowArea*>(context->skin->windowArea);
}
