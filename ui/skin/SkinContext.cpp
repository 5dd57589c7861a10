// Skin loading on an input context: the context's fields handed to the
// loader, and the context's SkinData allocated and freed.
#include "engine/ImeContext.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinLoader.h"

namespace {

SkinHost HostOf(ImeContext* context) {
  return {context->skin, context->installFolder, context->skinBlock, context->statusWindow.window,
          context->candidateWindow.window, context->files[kFileConfig]};
}

}  // namespace

int LoadSelectedSkin(ImeContext* context) {
  return context ? LoadSelectedSkinFor(HostOf(context)) : 0;
}

void ReloadSkin(ImeContext* context) {
  if (context) ReloadSkinFor(HostOf(context));
}

int LoadSkinList(ImeContext* context, SkinList* list) {
  return context ? LoadSkinListFor(HostOf(context), list) : 0;
}

void GetSkinFontSpecs(ImeContext* context, FontSpec* codeFont, FontSpec* candidateFont) {
  SkinHost host{};
  if (context) host = HostOf(context);
  GetSkinFontSpecsFor(host, codeFont, candidateFont);
}

int LoadContextSkin(ImeContext* context) {
  if (!context) return 0;
  if (!context->skin) context->skin = static_cast<SkinData*>(GlobalAlloc(GPTR, kSkinDataSize));
  if (!context->skin) return 0;
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
