// Preserved keys: the combination keys of the settings plus Shift+Space
// (width) and Ctrl+. (punctuation). The service remembers the exact pairs it
// preserved and unpreserves those, so keys that config removed in the
// meantime do not stay preserved.
#include "frontend/tsf/TextService.h"

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/tsf/ProductGuids.h"

namespace {

constexpr wchar_t kDescription[] = L"---";

// The key runner's combination modifiers are the TF_MOD_* bits.
static_assert(TF_MOD_ALT == 0x1 && TF_MOD_CONTROL == 0x2 && TF_MOD_SHIFT == 0x4 &&
              TF_MOD_RALT == 0x8 && TF_MOD_RCONTROL == 0x10 && TF_MOD_RSHIFT == 0x20 &&
              TF_MOD_LALT == 0x40 && TF_MOD_LCONTROL == 0x80 && TF_MOD_LSHIFT == 0x100);

}  // namespace

bool CTextService::RegisterPreservedKeys() {
  if (!context_ || !context_->dmeBlock || !threadMgr_) return true;
  UnregisterPreservedKeys();
  const uint32_t options = context_->imeBlock ? context_->imeBlock->optionFlags : 0;
  if ((options & ImeBits::kNoHotKeys) || IsKeyboardDisabled()) return true;
  // A closed keyboard keeps the keys that open it again, as hot keys do.
  const bool open = GetKeyboardOpen();
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
    if (!open && !CombinationKeyOpensInput(dme->combinations[i])) continue;
    const KeyCode code = dme->combinations[i].keyCode;
    // The combination modifiers are TF_MOD_* bits.
    preserve(ProductGuids::CombinationKey(i), code & 0xFF, CombinationModifiers(code));
  }
  if (!open) return true;
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
