// Preserved keys: the combination keys of the settings plus Shift+Space
// (width) and Ctrl+. (punctuation). The service remembers the exact pairs it
// preserved and unpreserves those, so keys that config removed in the
// meantime do not stay preserved.
#include "frontend/tsf/TextService.h"

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/tsf/ProductGuids.h"

namespace {

constexpr wchar_t kDescription[] = L"---";

// TF_MOD_* of a combination key word (sided modifiers carry the generic bit).
UINT ModifiersOf(KeyCode code) {
  UINT mods = 0;
  if ((code & kKeyLeftCtrl) == kKeyLeftCtrl) {
    mods |= TF_MOD_LCONTROL;
  } else if ((code & kKeyRightCtrl) == kKeyRightCtrl) {
    mods |= TF_MOD_RCONTROL;
  } else if (code & kKeyCtrl) {
    mods |= TF_MOD_CONTROL;
  }
  if ((code & kKeyLeftShift) == kKeyLeftShift) {
    mods |= TF_MOD_LSHIFT;
  } else if ((code & kKeyRightShift) == kKeyRightShift) {
    mods |= TF_MOD_RSHIFT;
  } else if (code & kKeyShift) {
    mods |= TF_MOD_SHIFT;
  }
  if ((code & kKeyLeftAlt) == kKeyLeftAlt) {
    mods |= TF_MOD_LALT;
  } else if ((code & kKeyRightAlt) == kKeyRightAlt) {
    mods |= TF_MOD_RALT;
  } else if (code & kKeyAlt) {
    mods |= TF_MOD_ALT;
  }
  return mods;
}

}  // namespace

bool CTextService::RegisterPreservedKeys() {
  if (!context_ || !context_->dmeBlock || !threadMgr_) return true;
  UnregisterPreservedKeys();
  const uint32_t options = context_->imeBlock ? context_->imeBlock->optionFlags : 0;
  if ((options & ImeBits::kNoHotKeys) || IsKeyboardDisabled() || !GetKeyboardOpen()) return true;
  ComPtr<ITfKeystrokeMgr> keystrokes;
  if (FAILED(threadMgr_.As(&keystrokes))) return false;

  const auto preserve = [&](const GUID& guid, UINT vk, UINT mods) {
    if (preservedCount_ >= kPreservedKeyCapacity) return;
    PreservedKeyRecord& r = preserved_[preservedCount_];
    r.guid = guid;
    r.key.uVKey = vk;
    r.key.uModifiers = mods;
    // A key another service already holds is simply not ours.
    if (SUCCEEDED(keystrokes->PreserveKey(clientId_, r.guid, &r.key, kDescription, 3))) ++preservedCount_;
  };
  const DmeConfigBlock* dme = context_->dmeBlock;
  const int count = GetCombinationKeyCount(dme);
  for (int i = 0; i < count; ++i) {
    const KeyCode code = dme->combinations[i].keyCode;
    preserve(ProductGuids::CombinationKey(i), code & 0xFF, ModifiersOf(code));
  }
  preserve(ProductGuids::kWidthToggleKey, VK_SPACE, TF_MOD_SHIFT);
  preserve(ProductGuids::kPunctuationToggleKey, VK_OEM_PERIOD, TF_MOD_CONTROL);
  return true;
}

void CTextService::UnregisterPreservedKeys() {
  if (preservedCount_ == 0) return;
  ComPtr<ITfKeystrokeMgr> keystrokes;
  if (threadMgr_ && SUCCEEDED(threadMgr_.As(&keystrokes))) {
    for (int i = 0; i < preservedCount_; ++i)
      keystrokes->UnpreserveKey(preserved_[i].guid, &preserved_[i].key);
  }
  preservedCount_ = 0;
}
