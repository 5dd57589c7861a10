// The language-bar buttons: identity, item information, the one advised
// sink, icons and texts; clicks and menus are handed to the service.
#include "frontend/tsf/LangBarItem.h"

#include <olectl.h>

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/Os.h"
#include "frontend/tsf/ProductGuids.h"
#include "frontend/tsf/TextService.h"

namespace {

struct ButtonData {
  GUID guid;
  DWORD style;
  const wchar_t* description;
  DWORD cookie;
};

constexpr DWORD kPlainButton = TF_LBI_STYLE_BTN_BUTTON | TF_LBI_STYLE_SHOWNINTRAY;
constexpr DWORD kMenuButton = TF_LBI_STYLE_BTN_MENU | TF_LBI_STYLE_SHOWNINTRAY;
constexpr DWORD kButtonWithMenu = kPlainButton | TF_LBI_STYLE_BTN_MENU;

constexpr ButtonData kButtons[kLangBarButtons] = {
    {ProductGuids::kLangBarOpenClose, kButtonWithMenu, L"中文/英文", 0xFAB0FA2},
    {ProductGuids::kLangBarWidth, kPlainButton, L"全/半角(Shift+Space)", 0xFAB0FA4},
    {ProductGuids::kLangBarChineseEnglish, kPlainButton, L"中/英文符号(Ctrl+.)", 0xFAB0FA1},
    {ProductGuids::kLangBarSoftKeyboard, kMenuButton, L"软键盘", 0xFAB0FA5},
    {ProductGuids::kLangBarOptions, kMenuButton, L"功能菜单", 0xFAB0FA3},
};

// Word 140 of the input options: the input-mode button without its menu
// (with the state in the language bar).
constexpr uint32_t kPlainInputModeButton = 0x200;

const ButtonData& DataOf(LangBarButton button) {
  return kButtons[static_cast<int>(button)];
}

}  // namespace

int LangBarIconFor(LangBarButton button, const LangBarState& s) {
  namespace I = LangBarIcons;
  switch (button) {
    case LangBarButton::kOpenClose:
      if (s.disabled) return I::kDisabled;
      if (!s.open) return I::kClosed;
      if (s.capsLock) return I::kCapsLock;
      return s.english ? I::kEnglish : I::kChinese;
    case LangBarButton::kWidth:
      return s.fullWidth ? I::kFullWidth : I::kHalfWidth;
    case LangBarButton::kPunctuation:
      return s.englishPunctuation ? I::kEnglishPunctuation : I::kChinesePunctuation;
    case LangBarButton::kSoftKeyboard:
      return I::kSoftKeyboard;
    case LangBarButton::kOptions:
      return I::kOptions;
  }
  return I::kOptions;
}

TF_LANGBARITEMINFO LangBarItemInfo(LangBarButton button, const ImeContext* context) {
  const ButtonData& data = DataOf(button);
  TF_LANGBARITEMINFO info{};
  if (context && context->softBlock) CopyMemory(&info.clsidService, context->softBlock->productGuid, sizeof(GUID));
  info.guidItem = data.guid;
  info.dwStyle = data.style;
  info.ulSort = 1;
  lstrcpynW(info.szDescription, data.description, TF_LBI_DESC_MAXLEN);
  if (button == LangBarButton::kOpenClose && context) {
    if (IsWindows8OrLater(context->osVersion)) {
      // The taskbar's input indicator: one button, clicked, no menu style.
      info.guidItem = GUID_LBI_INPUTMODE;
      info.dwStyle = kPlainButton;
    } else if (context->imeBlock && (context->imeBlock->interfaceFlags & kPlainInputModeButton) &&
               (context->imeBlock->optionFlags & ImeBits::kStatusInLanguageBar)) {
      info.dwStyle = kPlainButton;
    }
  }
  return info;
}

DWORD LangBarSinkCookie(LangBarButton button) {
  return DataOf(button).cookie;
}

HRESULT CLangBarItem::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_ITfLangBarItem || riid == __uuidof(ITfLangBarItemButton)) {
    *ppv = static_cast<ITfLangBarItemButton*>(this);
  } else if (riid == IID_ITfSource) {
    *ppv = static_cast<ITfSource*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT CLangBarItem::GetInfo(TF_LANGBARITEMINFO* info) {
  if (!info) return E_INVALIDARG;
  *info = info_;
  return S_OK;
}

HRESULT CLangBarItem::GetStatus(DWORD* status) {
  if (!status) return E_INVALIDARG;
  *status = 0;
  return S_OK;
}

HRESULT CLangBarItem::Show(BOOL) {
  return E_NOTIMPL;
}

HRESULT CLangBarItem::GetTooltipString(BSTR* tooltip) {
  if (!tooltip) return E_INVALIDARG;
  *tooltip = SysAllocString(info_.szDescription);
  return *tooltip ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLangBarItem::GetText(BSTR* text) {
  return GetTooltipString(text);
}

HRESULT CLangBarItem::OnClick(TfLBIClick click, POINT, const RECT*) {
  return owner_ ? owner_->LangBarClick(button_, click) : S_OK;
}

HRESULT CLangBarItem::InitMenu(ITfMenu* menu) {
  return owner_ ? owner_->LangBarInitMenu(button_, menu) : S_OK;
}

HRESULT CLangBarItem::OnMenuSelect(UINT id) {
  return owner_ ? owner_->LangBarMenuSelect(button_, id) : S_OK;
}

HRESULT CLangBarItem::GetIcon(HICON* icon) {
  if (!icon) return E_INVALIDARG;
  *icon = nullptr;
  if (!owner_) return E_FAIL;
  const int id = owner_->LangBarIcon(button_);
  // The bar draws small icons; the resource holds that size and a larger one.
  *icon = static_cast<HICON>(LoadImageW(EngineModule(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  return *icon ? S_OK : E_FAIL;
}

HRESULT CLangBarItem::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  if (riid != IID_ITfLangBarItemSink) return CONNECT_E_CANNOTCONNECT;
  if (sink_) return CONNECT_E_ADVISELIMIT;
  if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&sink_)))) {
    sink_.Reset();
    return E_NOINTERFACE;
  }
  *cookie = DataOf(button_).cookie;
  return S_OK;
}

HRESULT CLangBarItem::UnadviseSink(DWORD cookie) {
  if (cookie != DataOf(button_).cookie || !sink_) return CONNECT_E_NOCONNECTION;
  sink_.Reset();
  return S_OK;
}

void CLangBarItem::NotifyUpdate(DWORD flags) {
  // A copy: the sink may unadvise from inside OnUpdate.
  Microsoft::WRL::ComPtr<ITfLangBarItemSink> sink = sink_;
  if (sink) sink->OnUpdate(flags);
}
