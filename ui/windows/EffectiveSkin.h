// The skin the windows draw with: the context's loaded skin, or plain
// built-in colours when no skin could be loaded, so the candidate window is
// never missing while the user types.
#pragma once

#include "ui/skin/SkinTypes.h"

struct ImeContext;

struct EffectiveSkin {
  const SkinValues* values;
  const SkinImageSet* images;
  bool builtIn;  // the plain fallback, not a loaded skin
};

// True when the skin data holds a loaded skin's window pictures.
bool SkinHasWindowPictures(const SkinData* skin);

EffectiveSkin EffectiveSkinOf(const ImeContext* context);

// The plain fallback: white panels with a grey frame, system fonts. Built
// once per process and never changed.
const SkinValues& BuiltInSkinValues();
const SkinImageSet& BuiltInSkinImages();
