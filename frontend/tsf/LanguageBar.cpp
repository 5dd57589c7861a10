// The language-bar buttons of the text service: adding and removing them,
// what they show, and what their clicks and menus do. Every mode switch
// runs through the key runner in an edit session (RunCommand), so a typed
// code is committed or cancelled in the document, never dropped.
#include <new>

#include "engine/ImeOptionBits.h"
#include "frontend/common/ContextLifetime.h"
#include "frontend/tsf/ComAdopt.h"
#include "frontend/tsf/TextService.h"

namespace {

// Word 140 of the input options: the buttons wanted beside the input mode
// (below Windows 8, with the state in the language bar).
constexpr struct {
  uint32_t bit;
  LangBarButton button;
} kChosenButtons[] = {
    {0x40, LangBarButton::kWidth},
    {0x80, LangBarButton::kPunctuation},
    {0x100, LangBarButton::kSoftKeyboard},
    {0x200, LangBarButton::kOptions},
};

// The soft-keyboard button's menu: layouts 1-13, then "close".
constexpr struct {
  UINT id;
  const wchar_t* text;
} kLayoutItems[] = {
    {21, L"&1  PC 键盘"},      {22, L"&2   希腊字母"},   {23, L"&3   俄文字母"},
    {24, L"&4   注音符号"},    {25, L"&5   拼音符号"},   {26, L"&6   日文平假名"},
    {27, L"&7   日文片假名"},  {28, L"&8   标点符号"},   {29, L"&9   数字序号"},
    {210, L"&10  数学符号"},   {211, L"&11  制表符号"},  {212, L"&12  单位符号"},
    {213, L"&13  特殊符号"},
};
constexpr UINT kCloseSoftKeyboardItem = 214;
constexpr wchar_t kCloseSoftKeyboardText[] = L"&C 关闭软键盘    ";
// wParam of the soft-keyboard command that makes layout 0 mean "off".
constexpr int kSoftKeyboardClose = 22;

// Where the function menu's invisible owner goes when it must not be seen.
constexpr POINT kOffScreen{-1000000, -1000000};
constexpr POINT kBesideScreen{-1000, -1000};
// A tips window that never closes by itself (it is destroyed after the menu).
constexpr int kStayingTip = -1;

int LayoutOfItem(UINT id) {
  for (int i = 0; i < static_cast<int>(sizeof kLayoutItems / sizeof kLayoutItems[0]); ++i) {
    if (kLayoutItems[i].id == id) return i + 1;
  }
  return 0;
}

}  // namespace

bool CTextService::AddLangBarItem(ITfLangBarItemMgr* manager, LangBarButton button) {
  ComPtr<CLangBarItem> item =
      Adopt(new (std::nothrow) CLangBarItem(this, button, LangBarItemInfo(button, context_)));
  // A button that cannot be made or added is left out; typing goes on.
  if (!item) return false;
  if (FAILED(manager->AddItem(item.Get()))) {
    item->Detach();
    return false;
  }
  langBar_[static_cast<int>(button)] = item;
  return true;
}

bool CTextService::InitLanguageBar() {
  RemoveLanguageBar();
  if (!context_) return false;
  // Wine and some hosts have no language-bar item manager: the buttons are
  // then absent and the service works on.
  ComPtr<ITfLangBarItemMgr> manager;
  if (threadMgr_ && SUCCEEDED(threadMgr_.As(&manager)) && manager) {
    AddLangBarItem(manager.Get(), LangBarButton::kOpenClose);
    if (LanguageBarMode() && !IsWindows8OrLater(context_->osVersion)) {
      const uint32_t chosen = context_->imeBlock->interfaceFlags;
      for (const auto& c : kChosenButtons) {
        if (chosen & c.bit) AddLangBarItem(manager.Get(), c.button);
      }
    }
  }
  if (StatusBarWanted()) {
    context_->focusWindow = GetFocusWindow();
    ShowStatusDisplay();
  }
  return true;
}

void CTextService::RemoveLanguageBar() {
  ComPtr<ITfLangBarItemMgr> manager;
  if (threadMgr_ && FAILED(threadMgr_.As(&manager))) manager.Reset();
  for (auto& item : langBar_) {
    if (!item) continue;
    if (manager) manager->RemoveItem(item.Get());
    item->Detach();
    item.Reset();
  }
  if (context_ && environment_.windows) environment_.windows->HideStatusWindow(context_);
}

int CTextService::LangBarIcon(LangBarButton button) const {
  LangBarState s{};
  const uint32_t state = context_ ? context_->stateFlags : 0;
  s.disabled = IsKeyboardDisabled();
  s.open = GetKeyboardOpen() != 0;
  s.capsLock = CapsLockOn();
  s.english = (state & kStateEnglish) != 0;
  s.fullWidth = (state & kStateFullWidth) != 0;
  s.englishPunctuation = (state & kStateEnglishPunct) != 0;
  return LangBarIconFor(button, s);
}

void CTextService::ShowFunctionMenu(POINT hidden) {
  ImeWindows* windows = environment_.windows;
  if (!context_ || !windows) return;
  // The menu runs the host's message loop and carries out the command chosen
  // (a launch whose failure shows a box): the service may be deactivated and
  // dropped before it returns.
  ComPtr<CTextService> self(this);
  ImeContext* running = context_;
  ContextHold hold(running, environment_.destroyContext);
  if (HWND owner = GetFocusWindow()) {
    windows->TrackMenu(running, ImeMenu::kFunctions, owner, 0);
    return;
  }
  // A menu needs an owner window: an empty tip out of sight serves.
  windows->DestroyTipsWindow(running);
  HWND tip = windows->RequestTipsWindow(running, hidden.x, hidden.y, kStayingTip, L"");
  windows->TrackMenu(running, ImeMenu::kFunctions, tip, 0);
  // Deactivated meanwhile: its windows, the tip among them, went with it.
  if (context_ == running) windows->DestroyTipsWindow(running);
}

HRESULT CTextService::LangBarClick(LangBarButton button, TfLBIClick click) {
  if (!context_ || IsKeyboardDisabled()) return S_OK;
  const uint32_t state = context_->stateFlags;
  switch (button) {
    case LangBarButton::kOpenClose:
      if (click == TF_LBI_CLK_RIGHT) {
        // Windows 8's input indicator has no menu style: the right click is the menu.
        if (IsWindows8OrLater(context_->osVersion)) ShowFunctionMenu(kBesideScreen);
      } else if (click == TF_LBI_CLK_LEFT && !CapsLockOn()) {
        RunCommand(nullptr, ServiceCommand::KeyFunction(KeyFunction::kOpenClose));
      }
      break;
    case LangBarButton::kWidth:
      RunCommand(nullptr, ServiceCommand::Menu((state & kStateFullWidth) ? MenuCommand::kFullWidthOff
                                                                         : MenuCommand::kFullWidthOn));
      break;
    case LangBarButton::kPunctuation:
      if (click == TF_LBI_CLK_LEFT) {
        RunCommand(nullptr, ServiceCommand::Menu((state & kStateEnglishPunct) ? MenuCommand::kChinesePunctuation
                                                                               : MenuCommand::kEnglishPunctuation));
      }
      break;
    case LangBarButton::kSoftKeyboard:
    case LangBarButton::kOptions:
      break;
  }
  return S_OK;
}

HRESULT CTextService::LangBarInitMenu(LangBarButton button, ITfMenu* menu) {
  if (!context_) return S_OK;
  if (button == LangBarButton::kOpenClose || button == LangBarButton::kOptions) {
    ShowFunctionMenu(kOffScreen);
    // Our own menu was shown: the language bar adds none of its own.
    return E_FAIL;
  }
  if (button != LangBarButton::kSoftKeyboard || !menu || IsKeyboardDisabled()) return S_OK;
  const int current = (context_->stateFlags & kStateSoftKeyboard) ? static_cast<int>(context_->softKeyboardLayout) : 0;
  for (int i = 0; i < static_cast<int>(sizeof kLayoutItems / sizeof kLayoutItems[0]); ++i) {
    const auto& item = kLayoutItems[i];
    menu->AddMenuItem(item.id, i + 1 == current ? TF_LBMENUF_CHECKED : 0, nullptr, nullptr, item.text,
                      static_cast<ULONG>(lstrlenW(item.text)), nullptr);
  }
  menu->AddMenuItem(0, TF_LBMENUF_SEPARATOR, nullptr, nullptr, L"-", 1, nullptr);
  menu->AddMenuItem(kCloseSoftKeyboardItem, 0, nullptr, nullptr, kCloseSoftKeyboardText,
                    static_cast<ULONG>(lstrlenW(kCloseSoftKeyboardText)), nullptr);
  return S_OK;
}

HRESULT CTextService::LangBarMenuSelect(LangBarButton button, UINT id) {
  if (button != LangBarButton::kSoftKeyboard || !context_) return S_OK;
  // "Close" closes; it never turns on a keyboard that is off.
  if (id == kCloseSoftKeyboardItem) {
    SetTsfSoftKeyboard(kSoftKeyboardClose, 0);
  } else if (const int layout = LayoutOfItem(id)) {
    SetTsfSoftKeyboard(0, layout);
  }
  return S_OK;
}
