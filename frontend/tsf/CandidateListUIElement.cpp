// CCandidateList: identity, the UI-element interfaces answered from the
// service's input context, and the element's begin, update and end.
#include "frontend/tsf/CandidateListUIElement.h"

#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "frontend/tsf/SinkAdvice.h"
#include "frontend/tsf/TextService.h"

namespace {

// Everything a host can read from the element changes with every update.
constexpr DWORD kAllUpdated = TF_CLUIE_DOCUMENTMGR | TF_CLUIE_COUNT | TF_CLUIE_SELECTION | TF_CLUIE_STRING |
                              TF_CLUIE_PAGEINDEX | TF_CLUIE_CURRENTPAGE;
// What GetString answers for a candidate that is not on the current page.
constexpr wchar_t kNotOnPage[] = L"end";

int PageSize(const ImeContext* c) {
  return c && c->pageSize > 0 ? c->pageSize : 0;
}

int SlotsFilled(const ImeContext* c) {
  if (!c || c->candidateCount <= 0) return 0;
  return c->slotsFilled < 0 ? 0 : (c->slotsFilled > kPageSlots ? kPageSlots : c->slotsFilled);
}

}  // namespace

HRESULT CCandidateList::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == __uuidof(ITfTextLayoutSink)) {
    *ppv = static_cast<ITfTextLayoutSink*>(this);
  } else if (riid == IID_ITfUIElement || riid == __uuidof(ITfCandidateListUIElement) ||
             riid == __uuidof(ITfCandidateListUIElementBehavior)) {
    *ppv = static_cast<ITfCandidateListUIElementBehavior*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

const ImeContext* CCandidateList::Data() const {
  return owner_ ? owner_->imeContext() : nullptr;
}

HRESULT CCandidateList::OnLayoutChange(ITfContext* context, TfLayoutCode code, ITfContextView* view) {
  if (!owner_ || !context || context != context_.Get()) return S_OK;
  if (code == TF_LC_CHANGE) {
    owner_->RemeasureTextExtent(context, view);
  } else if (code == TF_LC_DESTROY) {
    owner_->EndCandidateList();
  }
  return S_OK;
}

HRESULT CCandidateList::GetDescription(BSTR* description) {
  if (!description) return E_INVALIDARG;
  *description = nullptr;
  if (!owner_) return E_FAIL;
  return ProductDisplayName(Data(), description);
}

HRESULT CCandidateList::GetGUID(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  const ImeContext* c = Data();
  *guid = GUID_NULL;
  if (!c || !c->softBlock) return E_FAIL;
  static_assert(sizeof(c->softBlock->productGuid) == sizeof(GUID));
  CopyMemory(guid, c->softBlock->productGuid, sizeof(GUID));
  return S_OK;
}

HRESULT CCandidateList::Show(BOOL) {
  return S_OK;
}

HRESULT CCandidateList::IsShown(BOOL* shown) {
  if (!shown) return E_INVALIDARG;
  *shown = ownWindow_ && owner_ ? TRUE : FALSE;
  return S_OK;
}

HRESULT CCandidateList::GetUpdatedFlags(DWORD* flags) {
  if (!flags) return E_INVALIDARG;
  *flags = kAllUpdated;
  return S_OK;
}

HRESULT CCandidateList::GetDocumentMgr(ITfDocumentMgr** documentMgr) {
  if (!documentMgr) return E_INVALIDARG;
  *documentMgr = nullptr;
  // Only a list that is showing belongs to a document.
  if (!owner_ || !context_) return E_FAIL;
  const HRESULT hr = context_->GetDocumentMgr(documentMgr);
  if (SUCCEEDED(hr) && *documentMgr) return S_OK;
  if (*documentMgr) (*documentMgr)->Release();
  *documentMgr = nullptr;
  return FAILED(hr) ? hr : E_FAIL;
}

HRESULT CCandidateList::GetCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  const ImeContext* c = Data();
  *count = c && c->candidateCount > 0 ? static_cast<UINT>(c->candidateCount) : 0;
  return S_OK;
}

HRESULT CCandidateList::GetSelection(UINT* index) {
  if (!index) return E_INVALIDARG;
  const ImeContext* c = Data();
  *index = 0;
  const int filled = SlotsFilled(c);
  if (filled > 0) {
    const int slot = c->selection < 0 ? 0 : (c->selection >= filled ? filled - 1 : c->selection);
    // A candidate may take several slots: the list index of the slot, not
    // page start plus slot.
    if (c->slotListIndex[slot] >= 0) *index = static_cast<UINT>(c->slotListIndex[slot]);
  }
  return S_OK;
}

HRESULT CCandidateList::GetString(UINT index, BSTR* text) {
  if (!text) return E_INVALIDARG;
  *text = nullptr;
  const ImeContext* c = Data();
  if (!c) return E_FAIL;
  const int filled = SlotsFilled(c);
  for (int slot = 0; slot < filled; ++slot) {
    if (c->slotListIndex[slot] < 0 || static_cast<UINT>(c->slotListIndex[slot]) != index) continue;
    const PageSlot& s = c->pageSlots[slot];
    // The slot is shared memory: never read past its own text.
    constexpr int kUnits = static_cast<int>(sizeof(s.text) / sizeof(s.text[0]));
    const int limit = s.length < 0 ? 0 : (s.length > kUnits ? kUnits : s.length);
    *text = SysAllocStringLen(s.text, BoundedLength(s.text, static_cast<uint32_t>(limit)));
    return *text ? S_OK : E_OUTOFMEMORY;
  }
  *text = SysAllocString(kNotOnPage);
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CCandidateList::GetPageIndex(UINT* pages, UINT size, UINT* pageCount) {
  if (!pageCount) return E_INVALIDARG;
  const ImeContext* c = Data();
  const int pageSize = PageSize(c);
  const int count = c && c->candidateCount > 0 ? c->candidateCount : 0;
  const UINT total = pageSize > 0 && count > 0 ? static_cast<UINT>((count - 1) / pageSize + 1) : 0;
  *pageCount = total;
  // A null array only asks how many pages there are.
  if (!pages) return S_OK;
  for (UINT i = 0; i < size; ++i) pages[i] = i < total ? i * static_cast<UINT>(pageSize) : 0;
  return S_OK;
}

HRESULT CCandidateList::SetPageIndex(UINT*, UINT) {
  return E_NOTIMPL;
}

HRESULT CCandidateList::GetCurrentPage(UINT* page) {
  if (!page) return E_INVALIDARG;
  const ImeContext* c = Data();
  const int pageSize = PageSize(c);
  *page = pageSize > 0 && c->pageLast > 0 ? static_cast<UINT>(c->pageLast / pageSize) : 0;
  return S_OK;
}

HRESULT CCandidateList::SetSelection(UINT) {
  return S_OK;
}

HRESULT CCandidateList::Finalize() {
  return S_OK;
}

HRESULT CCandidateList::Abort() {
  return S_OK;
}

HRESULT CCandidateList::Begin(ITfThreadMgr* threadMgr, ITfContext* context, ITfRange* range) {
  TearDown(threadMgr);
  if (!owner_ || !context) return E_FAIL;
  ownWindow_ = true;
  Microsoft::WRL::ComPtr<ITfUIElementMgr> elements;
  if (threadMgr && SUCCEEDED(threadMgr->QueryInterface(IID_PPV_ARGS(&elements)))) {
    BOOL show = TRUE;
    DWORD id = TF_INVALID_UIELEMENTID;
    if (SUCCEEDED(elements->BeginUIElement(static_cast<ITfCandidateListUIElementBehavior*>(this), &show, &id))) {
      elementId_ = id;
      ownWindow_ = show != FALSE;
      if (ownWindow_) {
        // The framework now knows the element; the service draws it.
        elements->EndUIElement(elementId_);
        elementId_ = TF_INVALID_UIELEMENTID;
      } else {
        elements->UpdateUIElement(elementId_);
      }
    }
  }
  context_ = context;
  if (!ownWindow_) return S_OK;
  range_ = range;
  if (FAILED(AdviseSourceSink(context, __uuidof(ITfTextLayoutSink), static_cast<ITfTextLayoutSink*>(this),
                              &layoutCookie_))) {
    TearDown(threadMgr);
    return E_FAIL;
  }
  return S_OK;
}

void CCandidateList::Update(ITfThreadMgr* threadMgr, ITfContext* context) {
  if (context) context_ = context;
  if (ownWindow_ || elementId_ == TF_INVALID_UIELEMENTID || !threadMgr) return;
  Microsoft::WRL::ComPtr<ITfUIElementMgr> elements;
  if (SUCCEEDED(threadMgr->QueryInterface(IID_PPV_ARGS(&elements)))) elements->UpdateUIElement(elementId_);
}

void CCandidateList::TearDown(ITfThreadMgr* threadMgr) {
  if (elementId_ != TF_INVALID_UIELEMENTID) {
    Microsoft::WRL::ComPtr<ITfUIElementMgr> elements;
    if (threadMgr && SUCCEEDED(threadMgr->QueryInterface(IID_PPV_ARGS(&elements)))) elements->EndUIElement(elementId_);
    elementId_ = TF_INVALID_UIELEMENTID;
  }
  range_.Reset();
  UnadviseSourceSink(context_.Get(), &layoutCookie_);
  context_.Reset();
  ownWindow_ = true;
}

void CCandidateList::Detach(ITfThreadMgr* threadMgr) {
  TearDown(threadMgr);
  owner_ = nullptr;
}
