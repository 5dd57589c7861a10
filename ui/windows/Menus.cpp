// The input-state, candidate-entry and soft-keyboard menus.
#include "ui/windows/Menus.h"

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/Search.h"
#include "engine/WideString.h"
#include "ui/windows/MenuIds.h"
#include "ui/windows/MenuSupport.h"
#include "ui/windows/MenuTracker.h"
#include "ui/windows/WindowCommands.h"

namespace {

constexpr uint32_t kPinnedBit = 0x40000000;
constexpr int kSecondaryCategory = 3;

// Menu items of the entry menu, by entry command 1..7.
constexpr UINT kEntryItems[] = {ZN_ID_ENTRY_UP,   ZN_ID_ENTRY_DOWN,      ZN_ID_ENTRY_FIRST,
                                ZN_ID_ENTRY_LAST, ZN_ID_ENTRY_PIN,       ZN_ID_ENTRY_SECONDARY,
                                ZN_ID_ENTRY_DELETE};

const CandidateItem* SlotCandidate(const ImeContext* context, int slot) {
  if (slot < 0 || slot >= kPageSlots || slot >= context->slotsFilled) return nullptr;
  const int index = context->slotListIndex[slot];
  if (index < 0 || index >= context->candidateCount || index >= kMaxCandidates) return nullptr;
  return &context->candidates[index];
}

}  // namespace

void ShowCandidateWordMenu(ImeContext* context, int slot, HWND owner) {
  if (!context) return;
  LoadedMenu menu(ZN_MENU_CANDIDATE_ENTRY);
  HMENU popup = menu.popup();
  if (!popup) return;
  wchar_t secondary[kCategoryNameUnits];
  CategoryName(context, kSecondaryCategory, secondary);
  wchar_t text[64];
  FormatString(text, 64, L"归入%s(&S)", secondary);
  SetMenuText(popup, ZN_ID_ENTRY_SECONDARY, text);

  const CandidateItem* candidate = SlotCandidate(context, slot);
  if (candidate && candidate->kind == kKindMain && candidate->entry) {
    const uint32_t attribute = EntryAttribute(candidate->entry);
    CheckItem(popup, ZN_ID_ENTRY_PIN, (attribute & kPinnedBit) != 0);
    CheckItem(popup, ZN_ID_ENTRY_SECONDARY, ((attribute >> 24) & 0x3F) == kSecondaryCategory);
  } else {
    // Only code-table records can be moved, pinned or deleted.
    for (UINT id : kEntryItems) EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
  }
  const uint32_t chosen = CurrentMenuTracker().Track(popup, owner);
  for (int command = 1; command <= 7; ++command) {
    if (chosen == kEntryItems[command - 1]) {
      ExecuteMenuCommand(context, kCommandCandidateEntry, static_cast<uintptr_t>(slot), command);
      return;
    }
  }
}

void ShowSoftKeyboardMenu(ImeContext* context, HWND owner) {
  if (!context) return;
  LoadedMenu menu(ZN_MENU_SOFT_KEYBOARD);
  HMENU popup = menu.popup();
  if (!popup) return;
  const uint32_t layout = context->softKeyboardLayout;
  if (layout >= 1 && layout <= 13) CheckItem(popup, ZN_ID_LAYOUT_BASE + layout, true);
  const uint32_t chosen = CurrentMenuTracker().Track(popup, owner);
  if (chosen > ZN_ID_LAYOUT_BASE && chosen <= ZN_ID_LAYOUT_BASE + 13) {
    ExecuteMenuCommand(context, kCommandSoftKeyboard, kSoftKeyboardFromMenu,
                       static_cast<intptr_t>(chosen - ZN_ID_LAYOUT_BASE));
  } else if (chosen == ZN_ID_LAYOUT_CLOSE) {
    ExecuteMenuCommand(context, kCommandSoftKeyboard, kSoftKeyboardFromMenu, 0);
  }
}

void ShowInputStateMenu(ImeContext* context, HWND owner) {
  if (!context) return;
  LoadedMenu menu(ZN_MENU_INPUT_STATE);
  HMENU popup = menu.popup();
  if (!popup) return;
  const uint32_t state = context->stateFlags;
  SetMenuText(popup, ZN_ID_STATE_KEYBOARD,
              (state & kStateInputClosed) ? L"键盘输入关闭" : L"键盘输入开启");
  CheckItem(popup, (state & kStateEnglish) ? ZN_ID_STATE_ENGLISH : ZN_ID_STATE_CHINESE, true);
  CheckItem(popup, (state & kStateFullWidth) ? ZN_ID_STATE_FULL : ZN_ID_STATE_HALF, true);
  CheckItem(popup, (state & kStateEnglishPunct) ? ZN_ID_STATE_EN_PUNCT : ZN_ID_STATE_CN_PUNCT,
            true);
  switch (CurrentMenuTracker().Track(popup, owner)) {
    case ZN_ID_STATE_CHINESE:
      ExecuteMenuCommand(context, kCommandChineseInput, 0, 0);
      break;
    case ZN_ID_STATE_ENGLISH:
      ExecuteMenuCommand(context, kCommandEnglishInput, 0, 0);
      break;
    case ZN_ID_STATE_FULL:
      // Full-width symbols and traditional output exclude each other. The
      // option word is shared: changed under the data folder's write lock.
      if (context->imeBlock) {
        DataWriteLock lock(context);
        if (lock.Held()) context->imeBlock->optionFlags &= ~kImeOptTraditional;
      }
      ExecuteMenuCommand(context, kCommandFullWidth, 0, 0);
      break;
    case ZN_ID_STATE_HALF:
      ExecuteMenuCommand(context, kCommandHalfWidth, 0, 0);
      break;
    case ZN_ID_STATE_CN_PUNCT:
      ExecuteMenuCommand(context, kCommandChinesePunctuation, 0, 0);
      break;
    case ZN_ID_STATE_EN_PUNCT:
      ExecuteMenuCommand(context, kCommandEnglishPunctuation, 0, 0);
      break;
    default:
      break;
  }
}
