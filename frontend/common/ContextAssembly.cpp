// Context assembly: the engine knows no skin, so the skin is loaded and freed
// around the engine's context here.
#include "frontend/common/ContextAssembly.h"

#include "ui/skin/SkinLoader.h"

ImeContext* CreateContextWithSkin(const OsServices* os) {
  ImeContext* context = CreateImeContext(os);
  if (context) LoadContextSkin(context);
  return context;
}

void DestroyContextWithSkin(ImeContext* context) {
  if (!context) return;
  FreeContextSkin(context);
  DestroyImeContext(context);
}

void ReloadContextSkin(ImeContext* context) { ReloadSkin(context); }
