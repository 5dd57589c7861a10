// The console host's keyboard: key strokes become key events with a
// keyboard state, run through the key runner; injected keys come back.
#include "tools/common/TypingHost.h"

#include <windows.h>

#include "engine/KeyTables.h"

namespace {

struct PhysicalKey {
  uint8_t vk;     // what the key event carries
  uint8_t sided;  // the left or right key of a modifier, else 0
  uint32_t scan;  // with 0x100 for an extended key
};

// Modifiers and the keys the key scripts name by side; scans holds the scan
// code of every other key.
PhysicalKey Physical(uint32_t virtualKey, const uint16_t* scans) {
  switch (virtualKey) {
    case VK_SHIFT:
    case VK_LSHIFT: return {VK_SHIFT, VK_LSHIFT, 0x2A};
    case VK_RSHIFT: return {VK_SHIFT, VK_RSHIFT, 0x36};
    case VK_CONTROL:
    case VK_LCONTROL: return {VK_CONTROL, VK_LCONTROL, 0x1D};
    case VK_RCONTROL: return {VK_CONTROL, VK_RCONTROL, 0x11D};
    case VK_MENU:
    case VK_LMENU: return {VK_MENU, VK_LMENU, 0x38};
    case VK_RMENU: return {VK_MENU, VK_RMENU, 0x138};
    default: break;
  }
  const uint8_t vk = static_cast<uint8_t>(virtualKey);
  return {vk, 0, scans[vk]};
}

Effects& Inner(Effects* inner) { return inner ? *inner : DefaultEffects(); }

bool IsModifier(uint32_t vk) {
  return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || (vk >= VK_LSHIFT && vk <= VK_RMENU);
}

}  // namespace

TypingHost::TypingHost(ImeContext* context, const OsServices& clock)
    : context_(context),
      innerEffects_(context ? context->effects : nullptr),
      effects_(*this),
      runner_(clock) {
  if (context_) context_->effects = &effects_;
  // The layout's scan codes, looked up once: the first look-up loads the
  // keyboard layout, which must not count as typing time.
  for (int vk = 0; vk < 256; ++vk) {
    scans_[vk] = static_cast<uint16_t>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) & 0xFF);
    const bool extended = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    if (extended) scans_[vk] |= 0x100;
  }
}

TypingHost::~TypingHost() {
  if (context_) context_->effects = innerEffects_;
}

void TypingHost::Type(const wchar_t* text, int units) {
  for (int i = 0; text && i < units && outputUnits_ < kOutputUnits; ++i) {
    output_[outputUnits_++] = text[i];
  }
  output_[outputUnits_] = 0;
}

bool TypingHost::Event(uint8_t vk, uint32_t scan, bool up, wchar_t typed) {
  const PhysicalKey key = Physical(vk, scans_);
  if (up) {
    keys_[key.vk] &= ~0x80;
    if (key.sided) keys_[key.sided] &= ~0x80;
  } else {
    if (key.vk == VK_CAPITAL) keys_[VK_CAPITAL] ^= 1;
    keys_[key.vk] |= 0x80;
    if (key.sided) keys_[key.sided] |= 0x80;
  }
  const KeyEvent event{key.vk, MakeKeyData(scan ? scan : key.scan, up)};
  const KeyDecision decision = runner_.TestKey(context_, event, KeyState(keys_));
  if (decision == KeyDecision::kTake) {
    runner_.RunPendingKey(context_, *this);
    return true;
  }
  if (decision == KeyDecision::kPassAfterCancel) runner_.Cancel(context_, *this);
  if (!up && typed) Type(&typed, 1);
  return false;
}

void TypingHost::ReplayInjected() {
  // Injected keys may inject more; a bound keeps a loop from spinning.
  for (int guard = 0; queued_ > 0 && guard < 4 * kQueueCapacity; ++guard) {
    const QueuedKey key = queue_[0];
    --queued_;
    for (int i = 0; i < queued_; ++i) queue_[i] = queue_[i + 1];
    Event(key.virtualKey, key.scanCode, key.up, 0);
  }
  queued_ = 0;
}

bool TypingHost::Press(const KeyStroke& key) {
  if (!context_) return false;
  if (key.keyFunction) return RunKeyFunction(key.keyFunction);
  if (key.virtualKey == 0) {
    // A character no key of the layout types reaches the host directly.
    if (key.ch) Type(&key.ch, 1);
    return false;
  }
  bool taken = false;
  if (IsModifier(key.virtualKey)) {
    // Event takes the modifier's own scan code when given none.
    const uint8_t vk = static_cast<uint8_t>(key.virtualKey);
    taken = Event(vk, 0, false, 0);
    taken = Event(vk, 0, true, 0) || taken;
    ReplayInjected();
    return taken;
  }
  uint8_t held[3];
  int heldCount = 0;
  if (key.ctrl) held[heldCount++] = VK_CONTROL;
  if (key.alt) held[heldCount++] = VK_MENU;
  if (key.shift) held[heldCount++] = VK_SHIFT;
  for (int i = 0; i < heldCount; ++i) Event(held[i], 0, false, 0);
  const uint8_t vk = static_cast<uint8_t>(key.virtualKey);
  KeyCode code = vk;
  if (key.shift) code |= kKeyShift;
  if (key.ctrl) code |= kKeyCtrl;
  if (key.alt) code |= kKeyAlt;
  // A combination key of the settings is a hot key: the module gets it
  // instead of the key events.
  int slot = heldCount > 0 && context_ ? FindCombinationSlot(context_->dmeBlock, code) : -1;
  if (!CombinationKeyActive(context_, slot)) slot = -1;
  if (slot >= 0) {
    runner_.RunCombinationKey(context_, slot, *this);
    taken = true;
  } else {
    const wchar_t typed = key.ctrl || key.alt ? 0 : key.ch;
    taken = Event(vk, 0, false, typed);
    taken = Event(vk, 0, true, 0) || taken;
  }
  for (int i = heldCount - 1; i >= 0; --i) taken = Event(held[i], 0, true, 0) || taken;
  ReplayInjected();
  return taken;
}

bool TypingHost::RunKeyFunction(uint64_t flags) {
  if (!context_) return false;
  const bool done = runner_.RunKeyFunction(context_, flags, *this) != 0;
  ReplayInjected();
  return done;
}

bool TypingHost::ReplayEffects::ReadClipboardText(wchar_t* out, int capacity) {
  return Inner(host_.innerEffects_).ReadClipboardText(out, capacity);
}

int TypingHost::ReplayEffects::ShowMessage(const wchar_t* text, const wchar_t* caption,
                                           uint32_t style) {
  return Inner(host_.innerEffects_).ShowMessage(text, caption, style);
}

bool TypingHost::ReplayEffects::OpenProgram(const wchar_t* file, const wchar_t* parameters,
                                            int showCommand) {
  return Inner(host_.innerEffects_).OpenProgram(file, parameters, showCommand);
}

void TypingHost::ReplayEffects::SendKeyEvent(uint8_t virtualKey, uint8_t scanCode,
                                             uint32_t flags) {
  Inner(host_.innerEffects_).SendKeyEvent(virtualKey, scanCode, flags);
  if (host_.queued_ < kQueueCapacity) {
    host_.queue_[host_.queued_++] = {virtualKey, scanCode, (flags & KEYEVENTF_KEYUP) != 0};
  }
}

int TypingHost::ReplayEffects::ShowOwnedMessage(void* owner, const wchar_t* text,
                                                const wchar_t* caption, uint32_t style) {
  return Inner(host_.innerEffects_).ShowOwnedMessage(owner, text, caption, style);
}

void TypingHost::ReplayEffects::ReadLocalTime(LocalTimeParts* out) {
  Inner(host_.innerEffects_).ReadLocalTime(out);
}

bool TypingHost::ReplayEffects::ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) {
  return Inner(host_.innerEffects_).ShowHelpFileTopic(helpFile, topic);
}

ProcessToken TypingHost::ReplayEffects::QueryProcessToken() {
  return Inner(host_.innerEffects_).QueryProcessToken();
}
