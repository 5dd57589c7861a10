// The context's SkinData: allocated and loaded with the chosen skin when a
// context is created, freed with everything it holds when it is destroyed.
#include "engine/ContextSkin.h"

#include "engine/ImeContext.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinLoader.h"

static_assert(sizeof(SkinData) == kSkinDataSize);

int LoadContextSkin(ImeContext* context) {
  if (!context) return 0;
  if (!context->skin) context->skin = static_cast<SkinData*>(GlobalAlloc(GPTR, kSkinDataSize));
  if (!context->skin) return 0;
  // A context without a loadable skin still works; its windows draw nothing
  // from the skin.
  LoadSelectedSkin(context);
  return 1;
}

void FreeContextSkin(ImeContext* context) {
  if (!context || !context->skin) return;
  FreeSkin(&context->skin->images);
  // The function menu's list holds pictures of its own.
  ClearSkinList(&context->skin->list);
  GlobalFree(context->skin);
  context->skin = nullptr;
}
