// The per-thread keyboard hook: modifier releases and unregistered
// combination keys for the input context ImeProcessKey saw last.
#include "frontend/imm/KeyHook.h"

#include <atomic>

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"

namespace {

constexpr int kHookSlots = 256;

// Every hook installed, so all can go before the module unloads.
struct InstalledHook {
  HHOOK hook;
  DWORD thread;
};
SRWLOCK gHooksLock = SRWLOCK_INIT;
InstalledHook gHooks[kHookSlots] = {};
std::atomic<int> gGeneration{1};

struct ThreadKeys {
  HHOOK hook = nullptr;
  int generation = 0;
  // What the IME's key entry saw last: only that context, under that layout,
  // is known to be this module's.
  HIMC himc = nullptr;
  HKL layout = nullptr;
  bool releaseTaken = false;
};
thread_local ThreadKeys tKeys;

bool IsModifier(uint8_t vk) {
  return (vk >= VK_SHIFT && vk <= VK_MENU) || (vk >= VK_LSHIFT && vk <= VK_RMENU);
}

// Releases reach the key runner as the generic key, as the IME's entry gets them.
uint8_t GenericModifier(uint8_t vk) {
  if (vk >= VK_LSHIFT && vk <= VK_RMENU) return static_cast<uint8_t>(VK_SHIFT + (vk - VK_LSHIFT) / 2);
  return vk;
}

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

UINT HeldModifiers() {
  UINT modifiers = 0;
  if (KeyDown(VK_CONTROL)) modifiers |= MOD_CONTROL;
  if (KeyDown(VK_SHIFT)) modifiers |= MOD_SHIFT;
  if (KeyDown(VK_MENU)) modifiers |= MOD_ALT;
  return modifiers;
}

// The input context of the focus when it is the one the IME's key entry saw.
HIMC OwnContext() {
  const ThreadKeys& keys = tKeys;
  if (!keys.himc || GetKeyboardLayout(0) != keys.layout) return nullptr;
  HWND focus = GetFocus();
  HIMC himc = focus ? ImmGetContext(focus) : nullptr;
  if (himc) ImmReleaseContext(focus, himc);
  return himc == keys.himc ? himc : nullptr;
}

void RunRelease(HIMC himc, uint8_t vk, LPARAM keyData) {
  ImcLock lock(himc);
  if (!lock.ok() || !lock.context()->dmeBlock || !lock.context()->imeBlock) return;
  BYTE state[256];
  if (!GetKeyboardState(state)) return;
  const KeyEvent event{vk, static_cast<uint32_t>(keyData)};
  if (ThreadKeyRunner().TestKey(lock.context(), event, KeyState(state)) == KeyDecision::kTake) {
    RunPendingImeKey(lock);
  }
}

// True when the key was a combination key and is used up.
bool RunCombination(HIMC himc, uint8_t vk, UINT modifiers) {
  ImcLock lock(himc);
  if (!lock.ok() || !lock.context()->dmeBlock) return false;
  ImeContext* context = lock.context();
  const int entry = MatchHotKey(context, vk, modifiers, [](int key) { return KeyDown(key); });
  // A registered hot key comes as WM_HOTKEY to the UI window instead.
  if (entry < 0 || HotKeyRegisteredHere(entry) || !context->dmeBlock->combinations[entry].flags) {
    return false;
  }
  ImmOutput output(lock, ImmWindows());
  ThreadKeyRunner().RunCombinationKey(context, entry, output);
  return true;
}

bool HandleKey(WPARAM wParam, LPARAM keyData) {
  const uint8_t vk = static_cast<uint8_t>(wParam & 0xFF);
  const bool up = (keyData & KeyData::kUp) != 0;
  // Key-downs of modifiers and of plain keys reach ImeProcessKey.
  if (up != IsModifier(vk)) return false;
  const UINT modifiers = up ? 0 : HeldModifiers();
  if (!up && modifiers == 0) return false;
  HIMC himc = OwnContext();
  if (!himc) return false;
  if (!up) return RunCombination(himc, vk, modifiers);
  // The host still gets the release.
  if (!tKeys.releaseTaken) RunRelease(himc, GenericModifier(vk), keyData);
  return false;
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  // HC_NOREMOVE: only a look at the key; the same key comes again when taken.
  if (code == HC_ACTION && Guarded<bool>(false, [&] { return HandleKey(wParam, lParam); })) {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Install(ThreadKeys& keys) {
  const int generation = gGeneration.load();
  keys.generation = generation;
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD, KeyboardProc, EngineModule(), GetCurrentThreadId());
  if (!hook) return;
  AcquireSRWLockExclusive(&gHooksLock);
  for (InstalledHook& slot : gHooks) {
    if (slot.hook) continue;
    slot = InstalledHook{hook, GetCurrentThreadId()};
    keys.hook = hook;
    break;
  }
  ReleaseSRWLockExclusive(&gHooksLock);
  // No slot left: a hook that could outlive the module is not kept.
  if (!keys.hook) UnhookWindowsHookEx(hook);
}

}  // namespace

void NoteImeKey(HIMC himc, bool releaseTaken) {
  ThreadKeys& keys = tKeys;
  keys.himc = himc;
  keys.layout = GetKeyboardLayout(0);
  keys.releaseTaken = releaseTaken;
  if (keys.generation != gGeneration.load()) {
    keys.hook = nullptr;
    Install(keys);
  }
}

void RemoveKeyHooks() {
  AcquireSRWLockExclusive(&gHooksLock);
  for (InstalledHook& slot : gHooks) {
    if (slot.hook) UnhookWindowsHookEx(slot.hook);
    slot = InstalledHook{};
  }
  // Threads install again when the module serves them once more.
  gGeneration.fetch_add(1);
  ReleaseSRWLockExclusive(&gHooksLock);
}

void RemoveThreadKeyHook() {
  // Found by thread id: the thread's own storage may be gone already.
  const DWORD thread = GetCurrentThreadId();
  AcquireSRWLockExclusive(&gHooksLock);
  for (InstalledHook& slot : gHooks) {
    if (!slot.hook || slot.thread != thread) continue;
    UnhookWindowsHookEx(slot.hook);
    slot = InstalledHook{};
  }
  ReleaseSRWLockExclusive(&gHooksLock);
}
