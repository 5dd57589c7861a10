// CCandidateList: the candidate list of the open composition as a TSF UI
// element, for hosts that draw candidate lists themselves, and the layout
// sink that follows the composition when the service draws its own window.
// The text service owns one for its activation; the element keeps an
// uncounted pointer back to the service, cleared by Detach, so an element
// still held by the framework or an application answers from nothing.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "frontend/tsf/ComObject.h"
#include "frontend/tsf/TsfDeclarations.h"

class CTextService;
struct ImeContext;

class CCandidateList final : public ComObject<ITfTextLayoutSink, ITfCandidateListUIElementBehavior> {
 public:
  explicit CCandidateList(CTextService* owner) : owner_(owner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  // ITfTextLayoutSink
  HRESULT STDMETHODCALLTYPE OnLayoutChange(ITfContext* context, TfLayoutCode code, ITfContextView* view) override;

  // ITfUIElement
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override;
  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE Show(BOOL show) override;
  HRESULT STDMETHODCALLTYPE IsShown(BOOL* shown) override;

  // ITfCandidateListUIElement
  HRESULT STDMETHODCALLTYPE GetUpdatedFlags(DWORD* flags) override;
  HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** documentMgr) override;
  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetSelection(UINT* index) override;
  HRESULT STDMETHODCALLTYPE GetString(UINT index, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetPageIndex(UINT* pages, UINT size, UINT* pageCount) override;
  HRESULT STDMETHODCALLTYPE SetPageIndex(UINT* pages, UINT pageCount) override;
  HRESULT STDMETHODCALLTYPE GetCurrentPage(UINT* page) override;

  // ITfCandidateListUIElementBehavior
  HRESULT STDMETHODCALLTYPE SetSelection(UINT index) override;
  HRESULT STDMETHODCALLTYPE Finalize() override;
  HRESULT STDMETHODCALLTYPE Abort() override;

  // Starts the element for the composition range of context: asks the
  // framework who draws the list and, when the service does, follows the
  // range's layout. E_FAIL when the layout sink cannot be advised (the
  // element is then torn down again).
  HRESULT Begin(ITfThreadMgr* threadMgr, ITfContext* context, ITfRange* range);
  // Tells the framework that the list changed (hosts drawing it re-read).
  void Update(ITfThreadMgr* threadMgr, ITfContext* context);
  // Ends the element and forgets the composition; it may begin again.
  void TearDown(ITfThreadMgr* threadMgr);
  // The service goes away: tear down and never reach it again.
  void Detach(ITfThreadMgr* threadMgr);

  bool begun() const { return context_ != nullptr; }
  // True when the service shows its own candidate window.
  bool ownWindow() const { return ownWindow_; }
  ITfContext* context() const { return context_.Get(); }
  ITfRange* range() const { return range_.Get(); }

 private:
  ~CCandidateList() override = default;
  const ImeContext* Data() const;

  DWORD elementId_ = TF_INVALID_UIELEMENTID;
  CTextService* owner_;  // uncounted; null once detached
  Microsoft::WRL::ComPtr<ITfRange> range_;
  Microsoft::WRL::ComPtr<ITfContext> context_;
  DWORD layoutCookie_ = TF_INVALID_COOKIE;
  bool ownWindow_ = true;
};
