// Whether the module takes a key event: lone modifiers on key-up, the row of
// the key tables by Shift and Caps Lock, and the taken-rules by input state.
#include <windows.h>

#include "engine/Classify.h"
#include "engine/ImeOptionBits.h"
#include "frontend/common/KeyRunner.h"
#include "ui/popups/SoftKeyboard.h"

namespace {

// A modifier released within this many milliseconds of its first key-down,
// with nothing pressed in between, runs its own key function.
constexpr uint64_t kLoneModifierMs = 499;
// Injected Caps Lock events older than this are no longer waited for: a
// lost one must not swallow the user's next Caps Lock.
constexpr uint64_t kInjectionMs = 1000;
// Key functions taken in any state: switches, scheme and range toggles,
// launches, view toggles, the soft-keyboard switch.
constexpr uint64_t kAlwaysTaken = 0x47BF03C00003ull;
// Keys that act on an association list.
constexpr uint64_t kAssociationKeys = 0xC0064;
constexpr uint32_t kRightShiftUpScan = 0x01360000;  // some keyboards flag it extended on release

struct LoneModifier {
  uint32_t index;
  uint32_t scan;  // 0: any scan of the generic key
  uint8_t vk;
  uint8_t others[2];  // must be up
};

constexpr LoneModifier kLoneModifiers[] = {
    {160, 0x002A0000, VK_SHIFT, {VK_CONTROL, VK_MENU}},
    {161, 0x00360000, VK_SHIFT, {VK_CONTROL, VK_MENU}},
    {16, 0, VK_SHIFT, {VK_CONTROL, VK_MENU}},
    {162, 0x001D0000, VK_CONTROL, {VK_SHIFT, VK_MENU}},
    {163, 0x011D0000, VK_CONTROL, {VK_SHIFT, VK_MENU}},
    {17, 0, VK_CONTROL, {VK_SHIFT, VK_MENU}},
    {164, 0x00380000, VK_MENU, {VK_SHIFT, VK_CONTROL}},
    {165, 0x01380000, VK_MENU, {VK_SHIFT, VK_CONTROL}},
    {18, 0, VK_MENU, {VK_SHIFT, VK_CONTROL}},
};

bool IsNonCharacter(const wchar_t* text) {
  return !text || !text[0] || text[0] == kNonCharacterKeyMark;
}

bool IsLetterKey(uint8_t vk) { return vk >= 'A' && vk <= 'Z'; }

void ClearPendingKey(ImeContext* c) {
  c->pendingKeyIndex = 0;
  c->pendingKeyFlags = 0;
  c->pendingKeyText = nullptr;
  c->pendingKeyExtra = 0;
}

void SetPendingKey(ImeContext* c, uint32_t index) {
  c->pendingKeyIndex = index;
  c->pendingKeyFlags = GetKeyFunctionFlags(c->dmeBlock, static_cast<int>(index));
  c->pendingKeyText = GetKeyNameByIndex(static_cast<int>(index));
}

// A character key not taken still counts as the last output, so undo input
// removes what the host typed for it.
KeyDecision PassRemembering(ImeContext* c, wchar_t ch) {
  c->lastOutput[0] = ch;
  c->lastOutput[1] = 0;
  c->lastOutputLength = 1;
  return KeyDecision::kPass;
}

// A character that starts a code or is one of the leads the settings enable.
bool StartsInput(const ImeContext* c, wchar_t ch) {
  const DmeConfigBlock* dme = c->dmeBlock;
  if (dme->keyCharFlags[ch & 0xFF] & (kKeyCharCommitLead | kKeyCharStartsCode)) return true;
  const uint8_t b = CharToKeyCode(ch);
  if (b == 0) return false;
  const uint32_t ime = c->imeBlock ? c->imeBlock->optionFlags : 0;
  return b == dme->wildcardChar || b == dme->tempEnglishLead ||
         (b == dme->auxiliaryLead && !(ime & kImeOptAuxiliaryCode)) ||
         (b == dme->secondaryLead && !(ime & kImeOptListSecondary) &&
          !(c->stateFlags & kStateSecondaryOnly)) ||
         (b == dme->fourthLead && !(c->stateFlags & kStateFullWidth));
}

// Chinese punctuation changes the character: the module must type it.
bool HasPunctuationEscape(const ImeContext* c, const wchar_t* text) {
  const wchar_t ch = text[0];
  if ((c->stateFlags & kStateEnglishPunct) || !c->imeBlock || ch >= 0x80) return false;
  const SymbolEscapeEntry& e = c->imeBlock->symbolEscapes[ch];
  return (e.kind == 1 || e.kind == 2) && !(e.first[0] == ch && e.first[1] == 0);
}

KeyDecision Decide(ImeContext* c, bool capsLock) {
  const uint64_t flags = c->pendingKeyFlags;
  const wchar_t* text = c->pendingKeyText;
  const uint32_t state = c->stateFlags;
  if (flags & kAlwaysTaken) return KeyDecision::kTake;
  if (state & kStateSoftKeyboard) {
    if (flags & KeyFunction::kClearInput) return KeyDecision::kTake;
    const uint8_t vk = static_cast<uint8_t>(c->pendingKeyIndex & 0xFF);
    if (c->softKeyboardLayout > 1 && SoftKeyPosition(vk) != kNoSoftKey) {
      const wchar_t ch = SoftKeyCharacter(c, vk, (c->pendingKeyExtra & 1) != 0);
      return ch != 0 && ch != L' ' ? KeyDecision::kTake : KeyDecision::kPass;
    }
  }
  if (state & (kStateInputClosed | kStateInputDisabled)) return KeyDecision::kPass;
  if (state & (kStateEnglish | kStateTempEnglish)) {
    return IsKeyHandled(c, PendingKey{c->pendingKeyIndex, flags, text}) ? KeyDecision::kTake
                                                                         : KeyDecision::kPass;
  }
  const uint32_t ime = c->imeBlock ? c->imeBlock->optionFlags : 0;
  if ((ime & kImeOptUppercaseEnglish) && text && text[0] >= L'A' && text[0] <= L'Z' && !capsLock) {
    return KeyDecision::kTake;
  }
  if (c->codeLength > 0 || (state & kStateAssociations)) {
    if (c->codeLength == 0) {
      if ((flags & kAssociationKeys) ||
          ((flags & KeyFunction::kCommit) && SelectorOf(flags) != kSelectorTypedCode)) {
        return KeyDecision::kTake;
      }
      return IsNonCharacter(text) ? KeyDecision::kPassAfterCancel : KeyDecision::kTake;
    }
    if (flags & KeyFunction::kCodeEditing) return KeyDecision::kTake;
    return IsNonCharacter(text) ? KeyDecision::kPass : KeyDecision::kTake;
  }
  if (flags & (KeyFunction::kRepeatInput | KeyFunction::kUndoInput | KeyFunction::kDeleteWord)) {
    if (c->lastOutputLength > 0) return KeyDecision::kTake;
    return IsNonCharacter(text) ? KeyDecision::kPass : PassRemembering(c, text[0]);
  }
  if (IsNonCharacter(text)) return KeyDecision::kPass;
  if (StartsInput(c, text[0])) return KeyDecision::kTake;
  // Full width turns every character into its full-width form.
  if (state & kStateFullWidth) return KeyDecision::kTake;
  if (HasPunctuationEscape(c, text)) return KeyDecision::kTake;
  return PassRemembering(c, text[0]);
}

}  // namespace

bool KeyRunner::IsOwnCapsLock(const KeyEvent& key) {
  if (key.Vk() != VK_CAPITAL || capsInjections_ <= 0) return false;
  if (Now() - capsInjectionTick_ > kInjectionMs) {
    capsInjections_ = 0;
    return false;
  }
  // The injected release passes as it is; the injected press is the last of
  // the pair.
  if (!key.IsUp()) --capsInjections_;
  return true;
}

void KeyRunner::UndoCapsLockToggle(ImeContext* context) {
  // The host toggled Caps Lock before the key reached us; a release and a
  // press put the light back. They come back to TestKey, which lets them pass.
  Effects& effects = ContextEffects(context);
  capsInjections_ = 1;
  capsInjectionTick_ = Now();
  constexpr uint8_t kCapsLockScan = 0x3A;
  effects.SendKeyEvent(VK_CAPITAL, kCapsLockScan, KEYEVENTF_KEYUP);
  effects.SendKeyEvent(VK_CAPITAL, kCapsLockScan, 0);
}

bool KeyRunner::TakeLoneModifier(ImeContext* c, const KeyEvent& key, const KeyState& state) {
  const uint32_t scan = key.ScanBits();
  const uint32_t d = scan == kRightShiftUpScan ? 0x00360000 : scan;
  // The context keeps the key-down it saw last, so a second look at the same
  // release (TSF tests a key, then runs it) decides the same way; the runner
  // forgets its own copy, so the next press starts a new window.
  const bool match = scan != 0 && d == c->pendingKeyScanBits;
  if (!match) c->pendingKeyScanBits = kNoScan;
  lastDownScan_ = kNoScan;
  if (!match || key.Vk() < VK_SHIFT || key.Vk() > VK_MENU ||
      Now() - lastDownTick_ > kLoneModifierMs) {
    return false;
  }
  for (const LoneModifier& m : kLoneModifiers) {
    if (key.Vk() != m.vk || (m.scan != 0 && d != m.scan)) continue;
    if (state.IsDown(m.others[0]) || state.IsDown(m.others[1])) continue;
    if (GetKeyFunctionFlags(c->dmeBlock, static_cast<int>(m.index)) == 0) continue;
    SetPendingKey(c, m.index);
    return true;
  }
  return false;
}

KeyDecision KeyRunner::TestKey(ImeContext* c, const KeyEvent& key, const KeyState& state) {
  if (!c || !c->dmeBlock) return KeyDecision::kPass;
  if (IsOwnCapsLock(key)) return KeyDecision::kPass;
  ClearPendingKey(c);
  const uint8_t vk = key.Vk();
  if (key.IsUp()) {
    if (!TakeLoneModifier(c, key, state)) return KeyDecision::kPass;
  } else {
    const uint32_t scan = key.ScanBits();
    c->pendingKeyScanBits = scan;
    // Auto-repeat keeps the time of the first press.
    if (scan != lastDownScan_) {
      lastDownScan_ = scan;
      lastDownTick_ = Now();
    }
    if (state.Ctrl() || state.Alt()) return KeyDecision::kPass;
    if (vk >= VK_SHIFT && vk <= VK_MENU) return KeyDecision::kPass;
    const bool shifted = state.CapsLock() ? (state.Shift() != IsLetterKey(vk)) : state.Shift();
    SetPendingKey(c, vk + (shifted ? 256u : 0u));
    c->pendingKeyExtra = state.Shift() ? 1 : 0;
  }
  if (c->pendingKeyIndex == 0) return KeyDecision::kPass;
  const KeyDecision decision = Decide(c, state.CapsLock());
  if (decision != KeyDecision::kTake) {
    c->pendingKeyFlags = 0;
    c->pendingKeyIndex = 0;
  }
  return decision;
}

bool CombinationKeyOpensInput(const CombinationKey& key) {
  return (key.flags & (KeyFunction::kOpenClose | KeyFunction::kEnglishToggle)) != 0;
}

bool CombinationKeyActive(const ImeContext* c, int slot) {
  if (!c || !c->dmeBlock || slot < 0 || slot >= GetCombinationKeyCount(c->dmeBlock)) return false;
  if (c->imeBlock && (c->imeBlock->optionFlags & ImeBits::kNoHotKeys)) return false;
  if (!(c->stateFlags & (kStateInputClosed | kStateInputDisabled))) return true;
  return CombinationKeyOpensInput(c->dmeBlock->combinations[slot]);
}

int FindCombinationSlot(const DmeConfigBlock* dme, KeyCode code) {
  const int count = GetCombinationKeyCount(dme);
  for (int i = 0; i < count; ++i) {
    if (dme->combinations[i].keyCode == code) return i;
  }
  return -1;
}

uint32_t CombinationModifiers(KeyCode code) {
  struct Group {
    KeyCode left, right, either;
    uint32_t leftBit, rightBit, eitherBit;
  };
  static constexpr Group kGroups[] = {
      {kKeyLeftCtrl, kKeyRightCtrl, kKeyCtrl, 0x80, 0x10, 0x2},
      {kKeyLeftShift, kKeyRightShift, kKeyShift, 0x100, 0x20, 0x4},
      {kKeyLeftAlt, kKeyRightAlt, kKeyAlt, 0x40, 0x8, 0x1},
  };
  uint32_t modifiers = 0;
  for (const Group& g : kGroups) {
    if ((code & g.left) == g.left) {
      modifiers |= g.leftBit;
    } else if ((code & g.right) == g.right) {
      modifiers |= g.rightBit;
    } else if (code & g.either) {
      modifiers |= g.eitherBit;
    }
  }
  return modifiers;
}
