// Combination keys as hot keys. The stored modifier bits are key codes, not
// RegisterHotKey modifiers (8 would be MOD_WIN), so they are mapped here.
#include "frontend/imm/HotKeys.h"

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "frontend/common/KeyRunner.h"

namespace {

struct Side {
  KeyCode bit;
  int virtualKey;
};
constexpr Side kSides[] = {
    {kKeyLeftShift & ~kKeyShift, VK_LSHIFT},   {kKeyRightShift & ~kKeyShift, VK_RSHIFT},
    {kKeyLeftCtrl & ~kKeyCtrl, VK_LCONTROL},   {kKeyRightCtrl & ~kKeyCtrl, VK_RCONTROL},
    {kKeyLeftAlt & ~kKeyAlt, VK_LMENU},        {kKeyRightAlt & ~kKeyAlt, VK_RMENU},
};

// Entries whose hot keys this thread's UI window registered.
thread_local uint32_t tRegistered = 0;
static_assert(kCombinationCapacity <= 32);

}  // namespace

HotKeyBinding HotKeyFor(KeyCode code) {
  UINT modifiers = MOD_NOREPEAT;
  if (code & kKeyCtrl) modifiers |= MOD_CONTROL;
  if (code & kKeyShift) modifiers |= MOD_SHIFT;
  if (code & kKeyAlt) modifiers |= MOD_ALT;
  return HotKeyBinding{modifiers, code & 0xFF};
}

bool HotKeySidesHeld(KeyCode code, KeyDownQuery keyDown) {
  for (const Side& side : kSides)
    if ((code & side.bit) && !keyDown(side.virtualKey)) return false;
  return true;
}

void UnregisterImeHotKeys(HWND window) {
  // The count may have changed since the keys were registered: release
  // every id an entry can have.
  for (int i = 0; i < kCombinationCapacity; ++i) UnregisterHotKey(window, kFirstHotKeyId + i);
  tRegistered = 0;
}

int RegisterImeHotKeys(HWND window, const ImeContext* context) {
  UnregisterImeHotKeys(window);
  if (!context || !context->dmeBlock || !context->imeBlock) return 0;
  const int count = GetCombinationKeyCount(context->dmeBlock);
  int registered = 0;
  for (int i = 0; i < count; ++i) {
    if (!CombinationKeyActive(context, i)) continue;
    const HotKeyBinding binding = HotKeyFor(context->dmeBlock->combinations[i].keyCode);
    // A key taken by another program stays with it.
    if (RegisterHotKey(window, kFirstHotKeyId + i, binding.modifiers, binding.virtualKey)) {
      ++registered;
      tRegistered |= 1u << i;
    }
  }
  return registered;
}

int MatchHotKey(const ImeContext* context, UINT virtualKey, UINT modifiers, KeyDownQuery keyDown) {
  if (!context || !context->dmeBlock) return -1;
  const int count = GetCombinationKeyCount(context->dmeBlock);
  for (int i = 0; i < count; ++i) {
    const KeyCode code = context->dmeBlock->combinations[i].keyCode;
    const HotKeyBinding binding = HotKeyFor(code);
    // As the system matches hot keys: the same key, exactly these modifiers.
    if (binding.virtualKey != (virtualKey & 0xFF) || (binding.modifiers & ~MOD_NOREPEAT) != modifiers) continue;
    if (CombinationKeyActive(context, i) && HotKeySidesHeld(code, keyDown)) return i;
  }
  return -1;
}

bool HotKeyRegisteredHere(int entry) {
  return entry >= 0 && entry < kCombinationCapacity && (tRegistered & (1u << entry)) != 0;
}

int HotKeyEntry(const ImeContext* context, WPARAM id) {
  if (!context || !context->dmeBlock) return -1;
  const int entry = static_cast<int>(id) - kFirstHotKeyId;
  if (entry < 0 || entry >= GetCombinationKeyCount(context->dmeBlock)) return -1;
  return entry;
}
