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

// TF_MOD_* of a combination key word: per modifier, the left or right one
// when the word names a side, else the generic one (sided modifiers carry
// the generic bit too).
UINT ModifiersOf(KeyCode code) {
  static constexpr struct {
    KeyCode left, right, generic;
    UINT leftMod, rightMod, genericMod;
  } kGroups[] = {
      {kKeyLeftCtrl, kKeyRightCtrl, kKeyCtrl, TF_MOD_LCONTROL, TF_MOD_RCONTROL, TF_MOD_CONTROL},
      {kKeyLeftShift, kKeyRightShift, kKeyShift, TF_MOD_LSHIFT, TF_MOD_RSHIFT, TF_MOD_SHIFT},
      {kKeyLeftAlt, kKeyRightAlt, kKeyAlt, TF_MOD_LALT, TF_MOD_RALT, TF_MOD_ALT},
  };
  UINT mods = 0;
  for (const auto& g : kGroups) {
    if ((code & g.left) == g.left) {
      mods |= g.leftMod;
    } else if ((code & g.right) == g.right) {
      mods |= g.rightMod;
    } else if (code & g.generic) {
      mods |= g.genericMod;
    }
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
