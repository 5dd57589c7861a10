// Every thread's held messages, the timers that release them and the hooks
// that take those timers' messages.
#include "frontend/imm/DeferredMessages.h"

#include "engine/Os.h"
#include "frontend/imm/ImeMessages.h"
#include "frontend/imm/ImmGuard.h"

namespace {

constexpr int kHeldCapacity = 64;
// Threads holding messages at once; a thread beyond them delivers at once.
constexpr int kThreadSlots = 64;

struct HeldMessages {
  DWORD thread;
  HIMC himc;
  int count;
  UINT_PTR timer;
  HHOOK hook;
  TRANSMSG messages[kHeldCapacity];
};

// Process-wide, so that whoever lets the module go reaches every thread's.
SRWLOCK gHeldLock = SRWLOCK_INIT;
HeldMessages gHeld[kThreadSlots];

// The calling thread's slot; with take, a free one when it has none.
HeldMessages* ThreadSlot(bool take) {
  const DWORD thread = GetCurrentThreadId();
  HeldMessages* free = nullptr;
  for (HeldMessages& slot : gHeld) {
    if (slot.thread == thread) return &slot;
    if (!free && slot.thread == 0) free = &slot;
  }
  if (!take || !free) return nullptr;
  free->thread = thread;
  return free;
}

// Only the holding thread may kill its timer.
void StopRelease(HeldMessages& held) {
  if (held.timer && held.thread == GetCurrentThreadId()) {
    KillTimer(nullptr, held.timer);
    held.timer = 0;
  }
  if (held.hook) UnhookWindowsHookEx(held.hook);
  held.hook = nullptr;
}

bool OwnTimer(WPARAM id) {
  AcquireSRWLockShared(&gHeldLock);
  const HeldMessages* held = ThreadSlot(false);
  const bool own = held && held->timer == id;
  ReleaseSRWLockShared(&gHeldLock);
  return own;
}

LRESULT CALLBACK TakeRelease(int code, WPARAM removal, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && removal == PM_REMOVE && msg->message == WM_TIMER && !msg->hwnd &&
      Guarded<bool>(false, [&] { return OwnTimer(msg->wParam); })) {
    // The host's loop never sees the module's timer.
    msg->message = WM_NULL;
    Guarded<int>(0, [] {
      DeliverDeferredImeMessages();
      return 0;
    });
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

void DeliverDeferredImeMessages(HIMC himc) {
  // Delivery may reach the IME again (a host answering a message with a
  // call): take the messages off first.
  TRANSMSG messages[kHeldCapacity];
  int count = 0;
  HIMC target = nullptr;
  AcquireSRWLockExclusive(&gHeldLock);
  HeldMessages* held = ThreadSlot(false);
  if (held && (!himc || held->himc == himc)) {
    StopRelease(*held);
    count = held->count;
    target = held->himc;
    for (int i = 0; i < count; ++i) messages[i] = held->messages[i];
    held->count = 0;
  }
  ReleaseSRWLockExclusive(&gHeldLock);
  if (count > 0) GenerateImeMessages(target, messages, count);
}

void DeferImeMessages(HIMC himc, const TRANSMSG* messages, int count) {
  if (count <= 0) return;
  AcquireSRWLockShared(&gHeldLock);
  const HeldMessages* current = ThreadSlot(false);
  const bool full = current && current->count > 0 &&
                    (current->himc != himc || current->count + count > kHeldCapacity);
  ReleaseSRWLockShared(&gHeldLock);
  if (full) DeliverDeferredImeMessages();
  bool releases = false;
  AcquireSRWLockExclusive(&gHeldLock);
  HeldMessages* held = count <= kHeldCapacity ? ThreadSlot(true) : nullptr;
  if (held) {
    held->himc = himc;
    for (int i = 0; i < count; ++i) held->messages[held->count + i] = messages[i];
    held->count += count;
    if (!held->timer) held->timer = SetTimer(nullptr, 0, 0, nullptr);
    if (!held->hook) {
      held->hook = SetWindowsHookExW(WH_GETMESSAGE, TakeRelease, EngineModule(),
                                     GetCurrentThreadId());
    }
    releases = held->timer && held->hook;
  }
  ReleaseSRWLockExclusive(&gHeldLock);
  if (!held) {
    GenerateImeMessages(himc, messages, count);
    return;
  }
  // Without a timer and its hook nothing would release them: deliver now.
  if (!releases) DeliverDeferredImeMessages();
}

bool ImeMessagesDeferred() {
  AcquireSRWLockShared(&gHeldLock);
  const HeldMessages* held = ThreadSlot(false);
  const bool deferred = held && held->count > 0;
  ReleaseSRWLockShared(&gHeldLock);
  return deferred;
}

void DropDeferredImeMessages() {
  AcquireSRWLockExclusive(&gHeldLock);
  for (HeldMessages& held : gHeld) {
    if (!held.thread) continue;
    held.count = 0;
    StopRelease(held);
  }
  ReleaseSRWLockExclusive(&gHeldLock);
}

void ReleaseThreadDeferredMessages() {
  AcquireSRWLockExclusive(&gHeldLock);
  if (HeldMessages* held = ThreadSlot(false)) {
    StopRelease(*held);
    *held = HeldMessages{};
  }
  ReleaseSRWLockExclusive(&gHeldLock);
}
