#include "frontend/common/ConversionModes.h"

#include "engine/ImeContext.h"

uint32_t StateFromConversion(uint32_t mode) {
  uint32_t state = 0;
  if (mode & kModeNoConversion) state |= kStateEnglish;
  if (mode & kModeFullShape) state |= kStateFullWidth;
  if (!(mode & kModeSymbol)) state |= kStateEnglishPunct;
  return state;
}
