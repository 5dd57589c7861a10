// Text Services Framework declarations that mingw-w64's msctf.h lacks,
// written from the documented API: interfaces, constants and GUIDs. Every
// interface id the module uses is named here once; TsfDeclarationsTest checks
// each against its documented value, because a wrong id compiles and passes
// every Wine test but breaks on Windows.
#pragma once

#include <windows.h>
#include <msctf.h>
#include <ole2.h>

#include <cstdint>

namespace zn {

constexpr int HexDigit(char c) {
  return c >= '0' && c <= '9'   ? c - '0'
         : c >= 'a' && c <= 'f' ? c - 'a' + 10
         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                : -1;
}

constexpr uint32_t HexField(const char* text, int first, int digits) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) v = v * 16 + static_cast<uint32_t>(HexDigit(text[first + i]));
  return v;
}

// A GUID from its registry text without braces, "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
constexpr GUID GuidFromText(const char (&text)[37]) {
  GUID g{};
  g.Data1 = HexField(text, 0, 8);
  g.Data2 = static_cast<uint16_t>(HexField(text, 9, 4));
  g.Data3 = static_cast<uint16_t>(HexField(text, 14, 4));
  g.Data4[0] = static_cast<uint8_t>(HexField(text, 19, 2));
  g.Data4[1] = static_cast<uint8_t>(HexField(text, 21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(HexField(text, 24 + 2 * i, 2));
  return g;
}

constexpr bool SameGuid(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}

}  // namespace zn

// Gives an interface its id for __uuidof and ComPtr, from the documented text.
#define ZN_TSF_UUID(type, text)                                                            \
  extern "C++" {                                                                           \
  template <>                                                                              \
  struct __mingw_uuidof_s<type> {                                                          \
    static constexpr IID __uuid_inst = zn::GuidFromText(text);                             \
  };                                                                                       \
  template <>                                                                              \
  constexpr const GUID& __mingw_uuidof<type>() { return __mingw_uuidof_s<type>::__uuid_inst; } \
  template <>                                                                              \
  constexpr const GUID& __mingw_uuidof<type*>() {                                          \
    return __mingw_uuidof_s<type>::__uuid_inst;                                            \
  }                                                                                        \
  }

// The parser agrees with an id mingw-w64 does declare.
static_assert(zn::SameGuid(zn::GuidFromText("aa80e801-2021-11d2-93e0-0060b067b86e"),
                           __uuidof(ITfThreadMgr)));

// ---- Constants ----------------------------------------------------------

#ifndef TF_CLIENTID_NULL
#define TF_CLIENTID_NULL 0
#endif
#ifndef TF_INVALID_GUIDATOM
#define TF_INVALID_GUIDATOM 0
#endif
#ifndef TF_INVALID_EDIT_COOKIE
#define TF_INVALID_EDIT_COOKIE 0
#endif
// Edit-session results of ITfContext::RequestEditSession.
#ifndef TF_S_ASYNC
#define TF_S_ASYNC MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x0300)
#endif
#ifndef TF_E_SYNCHRONOUS
#define TF_E_SYNCHRONOUS MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0208)
#endif
#ifndef TF_E_NOSELECTION
#define TF_E_NOSELECTION MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0205)
#endif
#ifndef TF_E_LOCKED
#define TF_E_LOCKED MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0500)
#endif
// ITfUIElementMgr: an element id that names no element.
#ifndef TF_INVALID_UIELEMENTID
#define TF_INVALID_UIELEMENTID 0xFFFFFFFFu
#endif

// ITfTextInputProcessorEx::ActivateEx and ITfThreadMgrEx flags.
#ifndef TF_TMAE_NOACTIVATETIP
#define TF_TMAE_NOACTIVATETIP 0x00000001
#define TF_TMAE_SECUREMODE 0x00000002
#define TF_TMAE_UIELEMENTENABLEDONLY 0x00000004
#define TF_TMAE_COMLESS 0x00000008
#define TF_TMAE_WOW16 0x00000010
#define TF_TMAE_NOACTIVATEKEYBOARDLAYOUT 0x00000020
#define TF_TMAE_CONSOLE 0x00000040
#endif
#ifndef TF_TMF_IMMERSIVEMODE
#define TF_TMF_IMMERSIVEMODE 0x40000000
#endif

// Values of GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION.
#ifndef TF_CONVERSIONMODE_NATIVE
#define TF_CONVERSIONMODE_ALPHANUMERIC 0x0000
#define TF_CONVERSIONMODE_NATIVE 0x0001
#define TF_CONVERSIONMODE_KATAKANA 0x0002
#define TF_CONVERSIONMODE_FULLSHAPE 0x0008
#define TF_CONVERSIONMODE_ROMAN 0x0010
#define TF_CONVERSIONMODE_CHARCODE 0x0020
#define TF_CONVERSIONMODE_SOFTKEYBOARD 0x0080
#define TF_CONVERSIONMODE_NOCONVERSION 0x0100
#define TF_CONVERSIONMODE_EUDC 0x0200
#define TF_CONVERSIONMODE_SYMBOL 0x0400
#define TF_CONVERSIONMODE_FIXED 0x0800
#endif

// ITfCandidateListUIElement::GetUpdatedFlags.
#ifndef TF_CLUIE_DOCUMENTMGR
#define TF_CLUIE_DOCUMENTMGR 0x00000001
#define TF_CLUIE_COUNT 0x00000002
#define TF_CLUIE_SELECTION 0x00000004
#define TF_CLUIE_STRING 0x00000008
#define TF_CLUIE_PAGEINDEX 0x00000010
#define TF_CLUIE_CURRENTPAGE 0x00000020
#endif

// Language-bar item styles, status and menu item flags.
#ifndef TF_LBI_STYLE_HIDDENSTATUSCONTROL
#define TF_LBI_STYLE_HIDDENSTATUSCONTROL 0x00000001
#define TF_LBI_STYLE_SHOWNINTRAY 0x00000002
#define TF_LBI_STYLE_HIDEONNOOTHERITEMS 0x00000004
#define TF_LBI_STYLE_SHOWNINTRAYONLY 0x00000008
#define TF_LBI_STYLE_HIDDENBYDEFAULT 0x00000010
#define TF_LBI_STYLE_TEXTCOLORICON 0x00000020
#define TF_LBI_STYLE_BTN_BUTTON 0x00010000
#define TF_LBI_STYLE_BTN_MENU 0x00020000
#define TF_LBI_STYLE_BTN_TOGGLE 0x00040000
#define TF_LBI_STATUS_HIDDEN 0x00000001
#define TF_LBI_STATUS_DISABLED 0x00000002
#define TF_LBI_STATUS_BTN_TOGGLED 0x00010000
#define TF_LBI_ICON 0x00000001
#define TF_LBI_TEXT 0x00000002
#define TF_LBI_TOOLTIP 0x00000004
#define TF_LBI_STATUS 0x00010000
#endif
#ifndef TF_LBMENUF_CHECKED
#define TF_LBMENUF_CHECKED 0x1
#define TF_LBMENUF_SUBMENU 0x2
#define TF_LBMENUF_SEPARATOR 0x4
#define TF_LBMENUF_RADIOCHECKED 0x8
#define TF_LBMENUF_GRAYED 0x10
#endif

typedef enum { TF_LBI_CLK_RIGHT = 1, TF_LBI_CLK_LEFT = 2 } TfLBIClick;

// Layouts the framework and the registry hold byte for byte.
static_assert(sizeof(TF_DISPLAYATTRIBUTE) == 36);
static_assert(sizeof(TF_LANGBARITEMINFO) == 104);
typedef enum { TF_LC_CREATE = 0, TF_LC_CHANGE = 1, TF_LC_DESTROY = 2 } TfLayoutCode;

// Documented GUIDs that mingw-w64 lacks.
inline constexpr GUID GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION =
    zn::GuidFromText("ccf05dd8-4a87-11d7-a6e2-00065b84435c");
inline constexpr GUID GUID_COMPARTMENT_KEYBOARD_INPUTMODE_SENTENCE =
    zn::GuidFromText("ccf05dd9-4a87-11d7-a6e2-00065b84435c");
inline constexpr GUID GUID_TFCAT_TIPCAP_SECUREMODE =
    zn::GuidFromText("49d2f9ce-1f5e-11d7-a6d3-00065b84435c");
inline constexpr GUID GUID_TFCAT_TIPCAP_UIELEMENTENABLED =
    zn::GuidFromText("49d2f9cf-1f5e-11d7-a6d3-00065b84435c");
inline constexpr GUID GUID_TFCAT_TIPCAP_INPUTMODECOMPARTMENT =
    zn::GuidFromText("ccf05dd7-4a87-11d7-a6e2-00065b84435c");
inline constexpr GUID GUID_TFCAT_TIPCAP_COMLESS =
    zn::GuidFromText("364215d9-75bc-11d7-a6ef-00065b84435c");
inline constexpr GUID GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT =
    zn::GuidFromText("13a016df-560b-46cd-947a-4c3af1e0e35d");
inline constexpr GUID GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT =
    zn::GuidFromText("25504fb4-7bab-4bc1-9c69-cf81890f0ef5");
inline constexpr GUID GUID_LBI_INPUTMODE = zn::GuidFromText("2c77a81e-41cc-4178-a3a7-5f8a987568e6");

// ---- Interfaces ---------------------------------------------------------

struct ITfCandidateList;  // only passed through ITfFnReconversion, never used

struct ITfTextInputProcessorEx : public ITfTextInputProcessor {
  virtual HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* ptim, TfClientId tid, DWORD dwFlags) = 0;
};
ZN_TSF_UUID(ITfTextInputProcessorEx, "6e4e2102-f9cd-433d-b496-303ce03a6507")

struct ITfFunction : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* pbstrName) = 0;
};
ZN_TSF_UUID(ITfFunction, "db593490-098f-11d3-8df0-00105a2799b5")

struct ITfFnConfigure : public ITfFunction {
  virtual HRESULT STDMETHODCALLTYPE Show(HWND hwndParent, LANGID langid, REFGUID rguidProfile) = 0;
};
ZN_TSF_UUID(ITfFnConfigure, "88f567c6-1757-49f8-a1b2-89234c1eeff9")

struct ITfFnReconversion : public ITfFunction {
  virtual HRESULT STDMETHODCALLTYPE QueryRange(ITfRange* pRange, ITfRange** ppNewRange,
                                               BOOL* pfConvertable) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetReconversion(ITfRange* pRange, ITfCandidateList** ppCandList) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reconvert(ITfRange* pRange) = 0;
};
ZN_TSF_UUID(ITfFnReconversion, "4cea93c0-0a58-11d3-8df0-00105a2799b5")

struct ITfDisplayAttributeProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid,
                                                            ITfDisplayAttributeInfo** ppInfo) = 0;
};
ZN_TSF_UUID(ITfDisplayAttributeProvider, "fee47777-163c-4769-996a-6e9c50ad8f54")

struct ITfMenu : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddMenuItem(UINT uId, DWORD dwFlags, HBITMAP hbmp, HBITMAP hbmpMask,
                                                const WCHAR* pch, ULONG cch, ITfMenu** ppMenu) = 0;
};
ZN_TSF_UUID(ITfMenu, "6f8a98e4-aaa0-4f15-8c5b-07e0df0a3dd8")

struct ITfLangBarItemButton : public ITfLangBarItem {
  virtual HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick click, POINT pt, const RECT* prcArea) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* pMenu) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT wID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIcon(HICON* phIcon) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* pbstrText) = 0;
};
ZN_TSF_UUID(ITfLangBarItemButton, "28c7f1d0-de25-11d2-afdd-00105a2799b5")

struct ITfCandidateListUIElement : public ITfUIElement {
  virtual HRESULT STDMETHODCALLTYPE GetUpdatedFlags(DWORD* pdwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** ppdim) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* puCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelection(UINT* puIndex) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetString(UINT uIndex, BSTR* pstr) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPageIndex(UINT* pIndex, UINT uSize, UINT* puPageCnt) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPageIndex(UINT* pIndex, UINT uPageCnt) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPage(UINT* puPage) = 0;
};
ZN_TSF_UUID(ITfCandidateListUIElement, "ea1ea138-19df-11d7-a6d2-00065b84435c")

struct ITfCandidateListUIElementBehavior : public ITfCandidateListUIElement {
  virtual HRESULT STDMETHODCALLTYPE SetSelection(UINT nIndex) = 0;
  virtual HRESULT STDMETHODCALLTYPE Finalize() = 0;
  virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
};
ZN_TSF_UUID(ITfCandidateListUIElementBehavior, "85fad185-58ce-497a-9460-355366b64b9a")

struct ITfTextLayoutSink : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnLayoutChange(ITfContext* pic, TfLayoutCode lcode,
                                                   ITfContextView* pView) = 0;
};
ZN_TSF_UUID(ITfTextLayoutSink, "2af2d06a-dd5b-4927-a0b4-54f19c91fade")
