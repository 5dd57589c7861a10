// Input modes: open/close, Chinese/English, width, punctuation, output
// conversion, input scheme and search range, the status and candidate window
// options and the soft keyboard. State flags live in the context; the option
// word 136 is shared by every process through the mapped config.dsc.
#include <cstring>

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/ImeOptionBits.h"
#include "engine/OutputConversion.h"
#include "frontend/common/KeyPass.h"

namespace {

constexpr uint32_t kSchemeBits = kImeOptMainCode | kImeOptAuxiliaryCode;

// The option word is changed under the data folder's write lock, so that a
// bit another process changed at the same moment is not lost. False (nothing
// changed) when the lock could not be had.
bool ChangeSharedOptions(ImeContext* c, uint32_t clear, uint32_t set, uint32_t flip = 0) {
  DataWriteLock lock(c);
  if (!lock.Held() || !c->imeBlock) return false;
  uint32_t& options = c->imeBlock->optionFlags;
  options = ((options & ~clear) | set) ^ flip;
  return true;
}

}  // namespace

void KeyPass::EndForSwitch() {
  if (InAssociations()) Cancel();
  if (!HasCode()) return;
  // The code typed so far goes out as typed, when the settings ask for it.
  if (ImeOptions() & ImeBits::kCommitOnSwitch) CommitBySelector(kSelectorTypedCode, false);
  Cancel();
}

void KeyPass::TakeSavedPunctuation() {
  const bool chinese = c_->imeBlock && (c_->imeBlock->conversionMode & ImeBits::kModeSymbol);
  if (chinese) {
    c_->stateFlags &= ~kStateEnglishPunct;
  } else {
    c_->stateFlags |= kStateEnglishPunct;
  }
}

void KeyPass::SetNonChineseBit(uint32_t bit, bool set) {
  if (set) {
    c_->stateFlags |= bit | kStateEnglishPunct;
    ResetPairedPunctuation(c_->quotePairStates);
  } else {
    c_->stateFlags &= ~bit;
    TakeSavedPunctuation();
  }
}

void KeyPass::SwitchChineseEnglish(bool open) {
  EndForSwitch();
  c_->stateFlags &= ~kStateEnglish;
  SetNonChineseBit(kStateInputClosed, !open);
  out_.UpdateStatus(StatusChange::kOpenClose | StatusChange::kConversion);
}

void KeyPass::SwitchEnglish(bool chinese) {
  EndForSwitch();
  const bool wasClosed = (c_->stateFlags & kStateInputClosed) != 0;
  c_->stateFlags &= ~kStateInputClosed;
  SetNonChineseBit(kStateEnglish, !chinese);
  out_.UpdateStatus(StatusChange::kConversion | (wasClosed ? StatusChange::kOpenClose : 0));
}

void KeyPass::SetFullWidth(bool on) {
  if (on) {
    c_->stateFlags |= kStateFullWidth;
    ChangeSharedOptions(c_, kImeOptTraditional, 0);
  } else {
    c_->stateFlags &= ~kStateFullWidth;
  }
  Tip(on ? L"全" : L"半");
  out_.UpdateStatus(StatusChange::kConversion);
}

void KeyPass::SetEnglishPunctuation(bool on) {
  if (on) {
    c_->stateFlags |= kStateEnglishPunct;
  } else {
    c_->stateFlags &= ~kStateEnglishPunct;
  }
  Tip(on ? L".," : L"。，");
  out_.UpdateStatus(StatusChange::kConversion);
}

void KeyPass::ToggleTraditional() {
  if (!c_->imeBlock) return;
  const bool on = !(c_->imeBlock->optionFlags & kImeOptTraditional);
  SetTraditionalOutput(c_, on ? 1 : 0);
  Tip(on ? L"繁" : L"简");
  out_.UpdateStatus(StatusChange::kOutput);
  // The page shows converted words: show them in the new form.
  SearchAgain();
}

void KeyPass::ToggleSimplified() {
  if (!c_->imeBlock) return;
  ChangeSharedOptions(c_, 0, 0, kImeOptSimplified);
  Tip((c_->imeBlock->optionFlags & kImeOptSimplified) ? L"简" : L"繁");
  out_.UpdateStatus(StatusChange::kOutput);
  SearchAgain();
}

// which: 0 main and auxiliary, 1 main, anything else auxiliary. The caller
// searches again.
void KeyPass::SetScheme(int which) {
  if (!c_->imeBlock) return;
  ChangeSharedOptions(c_, kSchemeBits,
                      which == 0 ? kSchemeBits : (which == 1 ? kImeOptMainCode : kImeOptAuxiliaryCode));
}

// which: 0 main and secondary mixed, 1 main only, anything else secondary
// when the main table lists nothing.
void KeyPass::SetRange(int which) {
  if (!c_->imeBlock) return;
  uint32_t set = 0;
  if (which == 0) set = kImeOptListSecondary;
  if (which != 0 && which != 1) set = kImeOptSecondaryWhenEmpty;
  ChangeSharedOptions(c_, kImeOptListSecondary | kImeOptSecondaryWhenEmpty, set);
}

int KeyPass::ExecuteModeSwitch(uint64_t flags) {
  const uint32_t state = c_->stateFlags;
  const bool closedOrEnglish = (state & (kStateInputClosed | kStateEnglish)) != 0;
  if (flags & KeyFunction::kOpenClose) {
    SwitchChineseEnglish(closedOrEnglish);
    return 1;
  }
  if (flags & KeyFunction::kEnglishToggle) {
    SwitchEnglish(closedOrEnglish);
    return 1;
  }
  if (flags & KeyFunction::kSoftKeyboard) {
    const int layout = (state & kStateSoftKeyboard) ? static_cast<int>(c_->softKeyboardLayout) : 0;
    return SetSoftKeyboard(1, layout + 1);
  }
  if (!c_->imeBlock) return 0;
  uint32_t& options = c_->imeBlock->optionFlags;
  if (flags & KeyFunction::kRangeMainSecondary) {
    c_->stateFlags ^= kStateSecondaryOnly;
    Tip((c_->stateFlags & kStateSecondaryOnly) ? L"次" : L"常");
  } else if (flags & KeyFunction::kRangeMainMixed) {
    ChangeSharedOptions(c_, 0, 0, kImeOptListSecondary);
    Tip((options & kImeOptListSecondary) ? L"+次" : L"主");
  } else if (flags & KeyFunction::kSchemeMainAuxiliary) {
    const bool main = (options & kImeOptMainCode) != 0;
    SetScheme(main ? 2 : 1);
    Tip(main ? L"辅" : L"主");
  } else if (flags & KeyFunction::kSchemeMainMixed) {
    const bool mixed = (options & kSchemeBits) == kSchemeBits;
    SetScheme(mixed ? 1 : 0);
    Tip(mixed ? L"主" : L"混");
  } else {
    return 0;
  }
  out_.UpdateStatus(StatusChange::kConversion);
  SearchAgain();
  return 1;
}

int KeyPass::ExecuteOutputToggle(uint64_t flags) {
  if (!c_->imeBlock) return 0;
  if (flags & KeyFunction::kToggleSimplified) {
    ToggleSimplified();
  } else if (flags & KeyFunction::kToggleTraditional) {
    ToggleTraditional();
  } else if (flags & KeyFunction::kToggleStatusBar) {
    ChangeSharedOptions(c_, 0, 0, ImeBits::kHideStatus);
    out_.UpdateStatus(StatusChange::kStatusWindow);
  } else if (flags & KeyFunction::kToggleCandidateWindow) {
    ChangeSharedOptions(c_, 0, 0, ImeBits::kHideCandidates);
    out_.UpdateStatus(StatusChange::kCandidateWindow);
  } else {
    return 0;
  }
  return 1;
}

int KeyPass::SetSoftKeyboard(int on, int layout) {
  if (HasComposition()) Cancel();
  std::memset(c_->softKeyboardMap, 0, sizeof c_->softKeyboardMap);
  const bool isOn = (c_->stateFlags & kStateSoftKeyboard) != 0;
  if (layout < 0 || (on == 0 && layout == 0)) layout = isOn ? 0 : runner_.lastSoftLayout_;
  if (layout < 1 || layout > kSoftKeyboardLayouts) {
    c_->stateFlags &= ~kStateSoftKeyboard;
    c_->softKeyboardLayout = 0;
  } else {
    c_->stateFlags |= kStateSoftKeyboard;
    c_->softKeyboardLayout = static_cast<uint32_t>(layout);
    if (runner_.softRows_) {
      std::memcpy(c_->softKeyboardMap, runner_.softRows_[layout - 1].units, kSoftKeyboardRowBytes);
    }
    runner_.lastSoftLayout_ = layout;
  }
  out_.SoftKeyboardChanged();
  return 1;
}

int KeyRunner::SetSoftKeyboard(ImeContext* context, int on, int layout, KeyRunnerOutput& output) {
  if (!context) return 0;
  return KeyPass(*this, context, output).SetSoftKeyboard(on, layout);
}
