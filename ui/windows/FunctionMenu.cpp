// The function menu (130): settings, schemes, search, output options, soft
// keyboard, help and the skins of the skin folder.
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/WideString.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/MenuIds.h"
#include "ui/windows/MenuSupport.h"
#include "ui/windows/MenuTracker.h"
#include "ui/windows/Menus.h"
#include "ui/windows/WindowCommands.h"

namespace {

constexpr int kMainCategory = 0;
constexpr int kUserCategory = 2;
constexpr int kSecondaryCategory = 3;
constexpr int kAuxiliaryCategory = 4;

// Position of the top-level submenu that holds item id, or -1.
int SubmenuHolding(HMENU menu, UINT id) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    HMENU sub = GetSubMenu(menu, i);
    if (sub && GetMenuState(sub, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) return i;
  }
  return -1;
}

void RemoveSubmenuHolding(HMENU menu, UINT id) {
  const int at = SubmenuHolding(menu, id);
  if (at >= 0) DeleteMenu(menu, static_cast<UINT>(at), MF_BYPOSITION);
}

// Traditional and simplified output are offered only when their tables are
// open; the separator before them goes when neither is.
void AdjustOutputOptions(ImeContext* context, HMENU popup) {
  const uint32_t options = context->imeBlock ? context->imeBlock->optionFlags : 0;
  const bool traditional = context->files[kFileTraditional] != nullptr;
  const bool simplified = context->files[kFileSimplified] != nullptr;
  const int at = SubmenuHolding(popup, ZN_ID_TRADITIONAL);
  HMENU sub = at >= 0 ? GetSubMenu(popup, at) : nullptr;
  if (!sub) return;
  if (!traditional && !simplified) {
    const int count = GetMenuItemCount(sub);
    for (int i = 0; i < count; ++i) {
      if (GetMenuItemID(sub, i) == ZN_ID_TRADITIONAL) {
        if (i > 0) DeleteMenu(sub, static_cast<UINT>(i - 1), MF_BYPOSITION);
        break;
      }
    }
  }
  if (traditional) {
    CheckItem(sub, ZN_ID_TRADITIONAL, (options & kImeOptTraditional) != 0);
  } else {
    DeleteMenu(sub, ZN_ID_TRADITIONAL, MF_BYCOMMAND);
  }
  if (simplified) {
    CheckItem(sub, ZN_ID_SIMPLIFIED, (options & kImeOptSimplified) != 0);
  } else {
    DeleteMenu(sub, ZN_ID_SIMPLIFIED, MF_BYCOMMAND);
  }
}

void AdjustSchemes(ImeContext* context, HMENU popup) {
  const uint32_t options = context->imeBlock ? context->imeBlock->optionFlags : 0;
  wchar_t main[kCategoryNameUnits];
  wchar_t auxiliary[kCategoryNameUnits];
  wchar_t secondary[kCategoryNameUnits];
  CategoryName(context, kMainCategory, main);
  CategoryName(context, kAuxiliaryCategory, auxiliary);
  CategoryName(context, kSecondaryCategory, secondary);
  wchar_t text[64];
  if (auxiliary[0]) {
    FormatString(text, 64, L"%s+%s", main, auxiliary);
    SetMenuText(popup, ZN_ID_SCHEME_BOTH, text);
    SetMenuText(popup, ZN_ID_SCHEME_MAIN, main);
    SetMenuText(popup, ZN_ID_SCHEME_AUX, auxiliary);
    const bool mainOn = (options & kImeOptMainCode) != 0;
    const bool auxOn = (options & kImeOptAuxiliaryCode) != 0;
    CheckItem(popup, !mainOn ? ZN_ID_SCHEME_AUX : (auxOn ? ZN_ID_SCHEME_BOTH : ZN_ID_SCHEME_MAIN),
              true);
  } else {
    RemoveSubmenuHolding(popup, ZN_ID_SCHEME_BOTH);
  }
  if (secondary[0]) {
    FormatString(text, 64, L"检索 %s", secondary);
    SetMenuText(popup, ZN_ID_SEARCH_ON, text);
    FormatString(text, 64, L"不检索 %s", secondary);
    SetMenuText(popup, ZN_ID_SEARCH_OFF, text);
    FormatString(text, 64, L"候选为空时检索 %s", secondary);
    SetMenuText(popup, ZN_ID_SEARCH_EMPTY, text);
    const UINT checked = (options & kImeOptListSecondary)       ? ZN_ID_SEARCH_ON
                         : (options & kImeOptSecondaryWhenEmpty) ? ZN_ID_SEARCH_EMPTY
                                                                 : ZN_ID_SEARCH_OFF;
    CheckItem(popup, checked, true);
  } else {
    RemoveSubmenuHolding(popup, ZN_ID_SEARCH_ON);
  }
  wchar_t user[kCategoryNameUnits];
  CategoryName(context, kUserCategory, user);
  if (!user[0]) DeleteMenu(popup, ZN_ID_ADD_WORD, MF_BYCOMMAND);
}

void AddSkins(ImeContext* context, HMENU popup) {
  SkinList& list = context->skin->list;
  if (list.count <= 0) LoadSkinList(context, &list);
  if (list.count <= 0) return;
  HMENU skins = CreatePopupMenu();
  if (!skins) return;
  wchar_t configured[kSkinNameUnits] = {};
  if (context->skinBlock) ConfiguredSkinName(*context->skinBlock, configured);
  for (int i = 0; i < list.count && i < kMaxListedSkins; ++i) {
    const SkinValues& skin = list.values[i];
    const bool current = configured[0] && wcsstr(skin.loadedPath, configured) != nullptr;
    AppendMenuW(skins, MF_STRING | (current ? MF_CHECKED : 0), ZN_ID_SKIN_BASE + i, skin.info.name);
  }
  AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(skins), L"皮肤(&K)");
}

void ChooseSkin(ImeContext* context, int index) {
  SkinList& list = context->skin->list;
  SkinConfigBlock* block = context->skinBlock;
  if (!block || index < 0 || index >= list.count) return;
  const wchar_t* path = list.values[index].loadedPath;
  const wchar_t* slash = wcsrchr(path, L'\\');
  const wchar_t* name = slash ? slash + 1 : path;
  wchar_t configured[kSkinNameUnits];
  ConfiguredSkinName(*block, configured);
  if (CompareStringOrdinal(name, -1, configured, -1, TRUE) == CSTR_EQUAL) return;
  {
    DataWriteLock lock(context);
    if (!lock.Held()) return;
    CopyStringBounded(block->skinName, 40, name);
    block->statusX = block->statusY = 0;
  }
  ReloadSkin(context);
}

}  // namespace

void ShowFunctionMenu(ImeContext* context, HWND owner) {
  if (!context || !context->skin) return;
  LoadedMenu menu(ZN_MENU_FUNCTIONS);
  HMENU popup = menu.popup();
  if (!popup) return;
  const uint32_t state = context->stateFlags;
  CheckItem(popup, (state & kStateFullWidth) ? ZN_ID_FULL : ZN_ID_HALF, true);
  CheckItem(popup, (state & kStateEnglishPunct) ? ZN_ID_EN_PUNCT : ZN_ID_CN_PUNCT, true);
  AdjustOutputOptions(context, popup);
  AdjustSchemes(context, popup);
  AddSkins(context, popup);
  const bool tsf = IsTextServiceContext(context);
  if (tsf) {
    const bool inBar =
        context->imeBlock && (context->imeBlock->optionFlags & ImeBits::kStatusInLanguageBar);
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, ZN_ID_LANGUAGE_BAR, inBar ? L"还原状态栏(&R)" : L"嵌入状态栏(&R)");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  }
  if (owner && owner == context->statusWindow.window) {
    AppendMenuW(popup, MF_STRING, ZN_ID_CLOSE_STATUS, L"关闭状态栏(&X)");
  }
  AppendMenuW(popup, MF_STRING, ZN_ID_CANCEL, L"取消(&C)");
  const uint32_t layout = context->softKeyboardLayout;
  if (layout >= 1 && layout <= 13) CheckItem(popup, ZN_ID_LAYOUT_BASE + layout, true);

  const uint32_t chosen = CurrentMenuTracker().Track(popup, owner);
  if (chosen >= ZN_ID_SKIN_BASE && chosen < ZN_ID_SKIN_BASE + kMaxListedSkins) {
    ChooseSkin(context, static_cast<int>(chosen - ZN_ID_SKIN_BASE));
    return;
  }
  struct Mapping {
    uint32_t item;
    uint32_t code;
    uintptr_t wParam;
    intptr_t lParam;
  };
  static constexpr Mapping kMappings[] = {
      {ZN_ID_SETTINGS, kCommandOpenSettings, 0, 0},
      {ZN_ID_ADD_WORD, kCommandAddUserWord, 0, 0},
      {ZN_ID_KEYBOARD_MAP, kCommandKeyboardMap, 0, 0},
      {ZN_ID_ABOUT, kCommandAbout, 0, 0},
      {ZN_ID_HELP_HOME, kCommandHelpHome, 0, 0},
      {ZN_ID_SCHEME_BOTH, kCommandScheme, 0, 0},
      {ZN_ID_SCHEME_MAIN, kCommandScheme, 0, 1},
      {ZN_ID_SCHEME_AUX, kCommandScheme, 0, 2},
      {ZN_ID_SEARCH_ON, kCommandSecondarySearch, 0, 0},
      {ZN_ID_SEARCH_OFF, kCommandSecondarySearch, 0, 1},
      {ZN_ID_SEARCH_EMPTY, kCommandSecondarySearch, 0, 2},
      {ZN_ID_FULL, kCommandFullWidth, 0, 0},
      {ZN_ID_HALF, kCommandHalfWidth, 0, 0},
      {ZN_ID_EN_PUNCT, kCommandEnglishPunctuation, 0, 0},
      {ZN_ID_CN_PUNCT, kCommandChinesePunctuation, 0, 0},
      {ZN_ID_TRADITIONAL, kCommandTraditional, 0, 0},
      {ZN_ID_SIMPLIFIED, kCommandSimplified, 0, 0},
      // Closing must close: "toggle" would open a closed soft keyboard.
      {ZN_ID_LAYOUT_CLOSE, kCommandSoftKeyboard, kSoftKeyboardFromMenu, 0},
      {ZN_ID_LANGUAGE_BAR, kCommandLanguageBarStatus, 0, 0},
  };
  if (chosen == ZN_ID_CLOSE_STATUS) {
    if (owner) ShowWindow(owner, SW_HIDE);
    return;
  }
  if (chosen > ZN_ID_LAYOUT_BASE && chosen <= ZN_ID_LAYOUT_BASE + 13) {
    ExecuteMenuCommand(context, kCommandSoftKeyboard, 0,
                       static_cast<intptr_t>(chosen - ZN_ID_LAYOUT_BASE));
    return;
  }
  for (const Mapping& m : kMappings) {
    if (chosen == m.item) {
      ExecuteMenuCommand(context, m.code, m.wParam, m.lParam);
      return;
    }
  }
}
