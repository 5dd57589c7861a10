// The calling thread's held messages and the timer that releases them.
#include "frontend/imm/DeferredMessages.h"

#include "frontend/imm/ImeMessages.h"

namespace {

constexpr int kHeldCapacity = 64;

struct HeldMessages {
  HIMC himc = nullptr;
  TRANSMSG messages[kHeldCapacity];
  int count = 0;
  UINT_PTR timer = 0;
};

thread_local HeldMessages tHeld;

void CALLBACK Release(HWND, UINT, UINT_PTR, DWORD) { DeliverDeferredImeMessages(); }

}  // namespace

void DeliverDeferredImeMessages() {
  HeldMessages& held = tHeld;
  if (held.timer) {
    KillTimer(nullptr, held.timer);
    held.timer = 0;
  }
  if (held.count == 0) return;
  // Delivery may reach the IME again (a host answering a message with a
  // call): take the messages off first.
  TRANSMSG messages[kHeldCapacity];
  const int count = held.count;
  for (int i = 0; i < count; ++i) messages[i] = held.messages[i];
  held.count = 0;
  GenerateImeMessages(held.himc, messages, count);
}

void DeferImeMessages(HIMC himc, const TRANSMSG* messages, int count) {
  if (count <= 0) return;
  HeldMessages& held = tHeld;
  if (held.count > 0 && (held.himc != himc || held.count + count > kHeldCapacity)) {
    DeliverDeferredImeMessages();
  }
  if (count > kHeldCapacity) {
    GenerateImeMessages(himc, messages, count);
    return;
  }
  held.himc = himc;
  for (int i = 0; i < count; ++i) held.messages[held.count + i] = messages[i];
  held.count += count;
  if (!held.timer) held.timer = SetTimer(nullptr, 0, 0, Release);
  // Without a timer nothing would release them: deliver as before.
  if (!held.timer) DeliverDeferredImeMessages();
}

bool ImeMessagesDeferred() { return tHeld.count > 0; }
