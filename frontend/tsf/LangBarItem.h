// CLangBarItem: one button of the text service on the Windows language bar
// (input mode, width, punctuation, soft keyboard, function menu). The
// button holds an uncounted pointer to its service, cleared when the
// service removes its buttons, so a button the language bar still holds
// does nothing. What each button shows and does is decided by the service.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "engine/Os.h"
#include "frontend/tsf/ComObject.h"
#include "frontend/tsf/TsfDeclarations.h"

class CTextService;
struct ImeContext;

enum class LangBarButton { kOpenClose, kWidth, kPunctuation, kSoftKeyboard, kOptions };
inline constexpr int kLangBarButtons = 5;

// Icon resources of the module.
namespace LangBarIcons {
inline constexpr int kHalfWidth = 102;
inline constexpr int kEnglish = 103;
inline constexpr int kChinesePunctuation = 104;
inline constexpr int kEnglishPunctuation = 105;
inline constexpr int kChinese = 106;
inline constexpr int kOptions = 107;
inline constexpr int kFullWidth = 108;
inline constexpr int kSoftKeyboard = 109;
inline constexpr int kCapsLock = 122;
inline constexpr int kClosed = 123;
inline constexpr int kDisabled = 124;
}  // namespace LangBarIcons

// What the buttons show.
struct LangBarState {
  bool disabled;
  bool open;
  bool capsLock;
  bool english;
  bool fullWidth;
  bool englishPunctuation;
};
int LangBarIconFor(LangBarButton button, const LangBarState& state);


// The item information of a button: the product's CLSID from the settings,
// the item GUID and style for the Windows version and options, sort 1, the
// description.
TF_LANGBARITEMINFO LangBarItemInfo(LangBarButton button, const ImeContext* context);
// The advise cookie a button hands out for its one sink.
DWORD LangBarSinkCookie(LangBarButton button);

class CLangBarItem final : public ComObject<ITfLangBarItemButton, ITfSource> {
 public:
  CLangBarItem(CTextService* owner, LangBarButton button, const TF_LANGBARITEMINFO& info)
      : owner_(owner), button_(button), info_(info) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  // ITfLangBarItem
  HRESULT STDMETHODCALLTYPE GetInfo(TF_LANGBARITEMINFO* info) override;
  HRESULT STDMETHODCALLTYPE GetStatus(DWORD* status) override;
  HRESULT STDMETHODCALLTYPE Show(BOOL show) override;
  HRESULT STDMETHODCALLTYPE GetTooltipString(BSTR* tooltip) override;

  // ITfLangBarItemButton
  HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick click, POINT point, const RECT* area) override;
  HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* menu) override;
  HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT id) override;
  HRESULT STDMETHODCALLTYPE GetIcon(HICON* icon) override;
  HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override;

  // ITfSource
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override;

  // Tells the language bar to read the button again (TF_LBI_* flags).
  void NotifyUpdate(DWORD flags);
  void Detach() { owner_ = nullptr; }
  LangBarButton button() const { return button_; }
  bool hidden() const { return hidden_; }
  void SetHidden(bool hidden) { hidden_ = hidden; }

 private:
  ~CLangBarItem() override = default;

  Microsoft::WRL::ComPtr<ITfLangBarItemSink> sink_;
  bool hidden_ = false;  // hidden with the state display
  CTextService* owner_;  // uncounted; null once removed
  LangBarButton button_;
  TF_LANGBARITEMINFO info_;
};
