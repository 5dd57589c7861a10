// Conversion-mode mapping and the custom initial mode.
#include "frontend/imm/ConversionMode.h"

#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "frontend/imm/ContextBlocks.h"

static_assert(IME_CMODE_NATIVE == kModeNative && IME_CMODE_FULLSHAPE == kModeFullShape &&
              IME_CMODE_NOCONVERSION == kModeNoConversion && IME_CMODE_SYMBOL == kModeSymbol);

DWORD ConversionFromState(DWORD conversion, uint32_t state) {
  conversion &= ~(IME_CMODE_NOCONVERSION | IME_CMODE_FULLSHAPE | IME_CMODE_SYMBOL);
  if (state & (kStateEnglish | kStateInputClosed)) conversion |= IME_CMODE_NOCONVERSION;
  if (state & kStateFullWidth) conversion |= IME_CMODE_FULLSHAPE;
  if (!(state & kStateEnglishPunct)) conversion |= IME_CMODE_SYMBOL;
  return conversion;
}

uint32_t StateWithConversion(uint32_t state, DWORD conversion) {
  constexpr uint32_t kModeBits = kStateEnglish | kStateFullWidth | kStateEnglishPunct;
  return (state & ~kModeBits) | StateFromConversion(conversion);
}

uint32_t RederiveState(uint32_t state, DWORD conversion) {
  // Closed input is not a conversion mode: re-deriving must not turn a
  // closed IME into English input.
  return (state & (kStateInputClosed | kStateInputDisabled)) | StateFromConversion(conversion);
}

bool ApplyCustomInitialMode(INPUTCONTEXT* imc, const ImeConfigBlock* ime) {
  if (!imc || !ime || !(ime->spaceWord & ImeBits::kCustomConversion)) return false;
  const DWORD saved = ime->conversionMode;
  imc->fdwSentence = ime->sentenceMode;
  if (saved & IME_CMODE_NOCONVERSION) {
    imc->fOpen = FALSE;
    imc->fdwConversion = (saved & ~IME_CMODE_NATIVE) | IME_CMODE_NOCONVERSION;
  } else {
    imc->fOpen = TRUE;
    imc->fdwConversion = (saved & ~IME_CMODE_NOCONVERSION) | IME_CMODE_NATIVE;
  }
  return true;
}

DWORD InitialConversionMode(const ImeConfigBlock* ime) {
  return IME_CMODE_NATIVE | (ime ? ime->conversionMode & IME_CMODE_SYMBOL : IME_CMODE_SYMBOL);
}

void InitConversionMode(INPUTCONTEXT* imc, const ImeConfigBlock* ime) {
  if (!imc) return;
  // Wine never marks a context: it hands over the capabilities of the IME
  // that was active when the context was made (0x5A9, or 0x9 of its own IME),
  // which would type full width with ASCII punctuation.
  if (!ApplyCustomInitialMode(imc, ime) && !(imc->fdwInit & INIT_CONVERSION))
    imc->fdwConversion = InitialConversionMode(ime);
  imc->fdwInit |= INIT_CONVERSION;
}

void SaveConversionMode(INPUTCONTEXT* imc, ImeConfigBlock* ime) {
  if (!imc) return;
  imc->fdwConversion &= ~IME_CMODE_NOCONVERSION;
  constexpr uint32_t kSaveBits = ImeBits::kCustomConversion | ImeBits::kSaveConversion;
  if (!ime || (ime->spaceWord & kSaveBits) != kSaveBits) return;
  // These words lie in the shared view of config.dsc: every process sees the
  // saved mode at once.
  ime->conversionMode = imc->fdwConversion;
  ime->sentenceMode = imc->fdwSentence;
}

HostOpenChange NoticeHostOpenStatus(const INPUTCONTEXT* imc, ImePrivateBlock* block) {
  if (!imc || !block) return HostOpenChange::kNone;
  const int32_t open = imc->fOpen ? 1 : 0;
  const int32_t seen = block->hostOpenSeen;
  block->hostOpenSeen = open;
  if (seen == open) return HostOpenChange::kNone;
  // The first look only records: a context starts with whatever the host
  // gave it, and selection already set the state from the conversion mode.
  if (seen < 0) return open ? HostOpenChange::kNone : HostOpenChange::kClose;
  return open ? HostOpenChange::kOpen : HostOpenChange::kClose;
}

bool NoticeHostConversion(const INPUTCONTEXT* imc, ImePrivateBlock* block, uint32_t state) {
  if (!imc || !block) return false;
  const DWORD conversion = imc->fdwConversion;
  if (conversion == block->hostConversionSeen) return false;
  block->hostConversionSeen = conversion;
  return ConversionFromState(conversion, state) != conversion;
}
