// The combination keys of the key tables as system hot keys of the UI window:
// id 123 + entry, RegisterHotKey modifiers from the entry's key code, and the
// left/right side a sided entry asks for, checked when the hot key arrives.
#pragma once

#include <cstdint>

#include "engine/KeyTables.h"
#include "frontend/imm/ImeDeclarations.h"

struct ImeContext;

inline constexpr int kFirstHotKeyId = 123;

struct HotKeyBinding {
  UINT modifiers;  // MOD_CONTROL | MOD_SHIFT | MOD_ALT, with MOD_NOREPEAT
  UINT virtualKey;
};

// RegisterHotKey arguments for a combination key code. A sided modifier
// registers its generic modifier; the side is checked by HotKeySidesHeld.
HotKeyBinding HotKeyFor(KeyCode code);

// Whether the sided modifiers of code are the ones held; keyDown answers for
// a virtual key (VK_LCONTROL ...).
using KeyDownQuery = bool (*)(int virtualKey);
bool HotKeySidesHeld(KeyCode code, KeyDownQuery keyDown);

// Registers the context's combination keys on window, after unregistering
// every id this IME may have used. Nothing is registered when the option
// turns hot keys off; closed or disabled input registers only the keys that
// open it again. Returns the count registered.
int RegisterImeHotKeys(HWND window, const ImeContext* context);
void UnregisterImeHotKeys(HWND window);

// The combination entry that a key-down of virtualKey with the RegisterHotKey
// modifiers held (MOD_CONTROL | MOD_SHIFT | MOD_ALT) would fire as a hot key,
// or -1; the entry must be active and its sides held.
int MatchHotKey(const ImeContext* context, UINT virtualKey, UINT modifiers, KeyDownQuery keyDown);
// Whether the calling thread's UI window holds entry's hot key.
bool HotKeyRegisteredHere(int entry);

// The combination entry a WM_HOTKEY id names, or -1.
int HotKeyEntry(const ImeContext* context, WPARAM id);
