// The fake context: a plain text document with a selection, the lock model
// of edit sessions, compositions, and what the application itself does.
#include "tests/tsf/host/FakeHost.h"

#include <algorithm>

namespace fakehost {

HostCounters& Counters() {
  static HostCounters counters;
  return counters;
}

FakeContext::FakeContext(FakeThreadMgr* threadMgr, FakeDocumentMgr* documentMgr)
    : threadMgr_(threadMgr), documentMgr_(documentMgr) {
  compartments_ = Make<FakeCompartmentMgr>(&threadMgr->compartmentSinks);
  threadMgr->contexts.push_back(this);
}

FakeContext::~FakeContext() {
  if (threadMgr_) {
    auto& all = threadMgr_->contexts;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
  }
}

void FakeContext::Disconnect() {
  documentMgr_ = nullptr;
  // A popped context's compositions are gone with it.
  const auto open = compositions_;
  for (const auto& c : open) c->MarkEnded();
}

void* FakeContext::Extra(REFIID riid) {
  if (riid == IID_ITfCompartmentMgr) return static_cast<ITfCompartmentMgr*>(compartments_.Get());
  return nullptr;
}

bool FakeContext::CheckRead(TfEditCookie ec) {
  if (lockDepth_ > 0 && ec != 0 && ec == liveCookie_) return true;
  ++Counters().noLockFaults;
  return false;
}

bool FakeContext::CheckWrite(TfEditCookie ec) {
  if (lockDepth_ > 0 && ec != 0 && ec == liveCookie_ && liveWrite_) return true;
  ++Counters().noLockFaults;
  return false;
}

HRESULT FakeContext::RequestEditSession(TfClientId, ITfEditSession* session, DWORD flags,
                                        HRESULT* sessionResult) {
  if (!session || !sessionResult) return E_INVALIDARG;
  if ((flags & TF_ES_READ) == 0) return E_INVALIDARG;
  if (refuseSessions) return E_FAIL;
  if (lockDepth_ > 0) {
    if (flags & TF_ES_SYNC) {
      // Windows cannot grant a synchronous lock while one is held.
      ++Counters().syncRequestsInsideLock;
      *sessionResult = TF_E_SYNCHRONOUS;
      return S_OK;
    }
    queue_.push_back({session, flags});
    *sessionResult = TF_S_ASYNC;
    return S_OK;
  }
  *sessionResult = RunOuter(session, flags);
  return S_OK;
}

HRESULT FakeContext::RunOuter(ITfEditSession* session, DWORD flags) {
  ComPtr<FakeContext> self(this);
  const HRESULT hr = RunLocked(session, (flags & TF_ES_READWRITE) == TF_ES_READWRITE);
  EndEdit();
  DrainQueue();
  return hr;
}

HRESULT FakeContext::RunLocked(ITfEditSession* session, bool write) {
  ++lockDepth_;
  const TfEditCookie saved = liveCookie_;
  const bool savedWrite = liveWrite_;
  liveCookie_ = ++nextCookie_;
  liveWrite_ = write;
  ++Counters().sessionsRun;
  const HRESULT hr = session->DoEditSession(liveCookie_);
  liveCookie_ = saved;
  liveWrite_ = savedWrite;
  --lockDepth_;
  return hr;
}

void FakeContext::EndEdit() {
  const bool changed = selectionChanged_;
  selectionChanged_ = false;
  if (editSinks_.empty()) return;
  // OnEndEdit runs under a read-only lock: requests made there are queued.
  ++lockDepth_;
  const TfEditCookie saved = liveCookie_;
  liveCookie_ = ++nextCookie_;
  liveWrite_ = false;
  ComPtr<FakeEditRecord> record = Make<FakeEditRecord>(changed);
  const auto sinks = editSinks_;
  for (const auto& [cookie, sink] : sinks) sink->OnEndEdit(this, liveCookie_, record.Get());
  liveCookie_ = saved;
  --lockDepth_;
}

void FakeContext::DrainQueue() {
  while (!queue_.empty() && lockDepth_ == 0) {
    Request next = queue_.front();
    queue_.pop_front();
    RunLocked(next.session.Get(), (next.flags & TF_ES_READWRITE) == TF_ES_READWRITE);
    EndEdit();
  }
}

template <class Fn>
void FakeContext::AppEdit(Fn fn) {
  ComPtr<FakeContext> self(this);
  ++lockDepth_;
  liveCookie_ = ++nextCookie_;
  liveWrite_ = true;
  fn(liveCookie_);
  liveCookie_ = 0;
  --lockDepth_;
  EndEdit();
  DrainQueue();
}

HRESULT FakeContext::InWriteSession(TfClientId, BOOL* writing) {
  if (!writing) return E_INVALIDARG;
  *writing = lockDepth_ > 0 && liveWrite_;
  return S_OK;
}

HRESULT FakeContext::GetSelection(TfEditCookie ec, ULONG index, ULONG count, TF_SELECTION* out,
                                  ULONG* fetched) {
  if (!out || !fetched) return E_INVALIDARG;
  *fetched = 0;
  if (!CheckRead(ec)) return TF_E_NOLOCK;
  if (count == 0) return S_OK;
  if (index != 0 && index != static_cast<ULONG>(TF_DEFAULT_SELECTION)) return TF_E_NOSELECTION;
  out[0].range = Make<FakeRange>(this, selStart_, selEnd_).Detach();
  out[0].style.ase = TF_AE_NONE;
  out[0].style.fInterimChar = FALSE;
  *fetched = 1;
  return S_OK;
}

HRESULT FakeContext::SetSelection(TfEditCookie ec, ULONG count, const TF_SELECTION* in) {
  if (!in || count == 0 || !in[0].range) return E_INVALIDARG;
  if (!CheckWrite(ec)) return TF_E_NOLOCK;
  const FakeRange* r = static_cast<FakeRange*>(in[0].range);
  selStart_ = r->start();
  selEnd_ = r->end();
  selectionChanged_ = true;
  return S_OK;
}

HRESULT FakeContext::GetStart(TfEditCookie ec, ITfRange** start) {
  if (!start) return E_INVALIDARG;
  *start = nullptr;
  if (!CheckRead(ec)) return TF_E_NOLOCK;
  *start = Make<FakeRange>(this, 0, 0).Detach();
  return S_OK;
}

HRESULT FakeContext::GetEnd(TfEditCookie ec, ITfRange** end) {
  if (!end) return E_INVALIDARG;
  *end = nullptr;
  if (!CheckRead(ec)) return TF_E_NOLOCK;
  const LONG n = static_cast<LONG>(text_.size());
  *end = Make<FakeRange>(this, n, n).Detach();
  return S_OK;
}

HRESULT FakeContext::GetActiveView(ITfContextView** view) {
  if (!view) return E_INVALIDARG;
  *view = Make<FakeContextView>(this).Detach();
  return S_OK;
}

HRESULT FakeContext::GetStatus(TF_STATUS* status) {
  if (!status) return E_INVALIDARG;
  *status = TF_STATUS{};
  return S_OK;
}

HRESULT FakeContext::GetProperty(REFGUID guid, ITfProperty** property) {
  if (!property) return E_INVALIDARG;
  *property = nullptr;
  if (guid != GUID_PROP_ATTRIBUTE) return E_INVALIDARG;
  *property = Make<FakeProperty>(this).Detach();
  return S_OK;
}

HRESULT FakeContext::GetDocumentMgr(ITfDocumentMgr** out) {
  if (!out) return E_INVALIDARG;
  *out = documentMgr_;
  if (!documentMgr_) return S_FALSE;
  documentMgr_->AddRef();
  return S_OK;
}

HRESULT FakeContext::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (riid == IID_ITfTextEditSink) {
    ComPtr<ITfTextEditSink> s;
    if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&s)))) return E_INVALIDARG;
    *cookie = nextSinkCookie_++;
    editSinks_[*cookie] = s;
    return S_OK;
  }
  if (riid == __uuidof(ITfTextLayoutSink)) {
    ComPtr<ITfTextLayoutSink> s;
    if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&s)))) return E_INVALIDARG;
    *cookie = nextSinkCookie_++;
    layoutSinks_[*cookie] = s;
    return S_OK;
  }
  return CONNECT_E_CANNOTCONNECT;
}

HRESULT FakeContext::UnadviseSink(DWORD cookie) {
  if (editSinks_.erase(cookie) || layoutSinks_.erase(cookie)) return S_OK;
  return CONNECT_E_NOCONNECTION;
}

HRESULT FakeContext::InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG len,
                                           ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (flags & TF_IAS_QUERYONLY) {
    if (!CheckRead(ec)) return TF_E_NOLOCK;
    *range = Make<FakeRange>(this, selStart_, selEnd_).Detach();
    return S_OK;
  }
  if (!CheckWrite(ec)) return TF_E_NOLOCK;
  if (len < 0 || (!text && len > 0)) return E_INVALIDARG;
  const LONG at = selStart_;
  Replace(selStart_, selEnd_, std::wstring(text ? text : L"", static_cast<size_t>(len)));
  *range = Make<FakeRange>(this, at, at + len).Detach();
  return S_OK;
}

HRESULT FakeContext::StartComposition(TfEditCookie ec, ITfRange* range, ITfCompositionSink* sink,
                                      ITfComposition** composition) {
  if (!range || !composition) return E_INVALIDARG;
  *composition = nullptr;
  if (!CheckWrite(ec)) return TF_E_NOLOCK;
  const FakeRange* r = static_cast<FakeRange*>(range);
  ComPtr<FakeRange> own = Make<FakeRange>(this, r->start(), r->end());
  ComPtr<FakeComposition> made = Make<FakeComposition>(this, own.Get(), sink);
  compositions_.push_back(made);
  *composition = made.Detach();
  return S_OK;
}

void FakeContext::Forget(FakeComposition* composition) {
  auto it = std::find_if(compositions_.begin(), compositions_.end(),
                         [&](const ComPtr<FakeComposition>& c) { return c.Get() == composition; });
  if (it != compositions_.end()) compositions_.erase(it);
}

void FakeContext::Replace(LONG start, LONG end, const std::wstring& with) {
  const LONG n = static_cast<LONG>(text_.size());
  start = std::clamp(start, 0L, n);
  end = std::clamp(end, start, n);
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), with);
  const LONG removed = end - start;
  const LONG inserted = static_cast<LONG>(with.size());
  for (FakeRange* r : ranges_) r->Adjust(start, removed, inserted);
  selStart_ = MoveAnchor(selStart_, start, removed, inserted, false);
  selEnd_ = MoveAnchor(selEnd_, start, removed, inserted, true);
  for (AttributeSpan& s : attributes_) {
    s.start = MoveAnchor(s.start, start, removed, inserted, false);
    s.end = MoveAnchor(s.end, start, removed, inserted, false);
  }
  attributes_.erase(std::remove_if(attributes_.begin(), attributes_.end(),
                                   [](const AttributeSpan& s) { return s.end <= s.start; }),
                    attributes_.end());
}

void FakeContext::AppSetText(const std::wstring& text, LONG caret) {
  AppEdit([&](TfEditCookie) {
    Replace(0, static_cast<LONG>(text_.size()), text);
    selStart_ = selEnd_ = std::clamp(caret, 0L, static_cast<LONG>(text_.size()));
    selectionChanged_ = true;
  });
}

void FakeContext::AppLayoutChanged(bool destroyed) {
  ComPtr<FakeContext> self(this);
  ComPtr<ITfContextView> view = Make<FakeContextView>(this);
  // A copy: a sink may unadvise while it is told.
  const auto sinks = layoutSinks_;
  for (const auto& entry : sinks) entry.second->OnLayoutChange(this, destroyed ? TF_LC_DESTROY : TF_LC_CHANGE, view.Get());
  DrainQueue();
}

void FakeContext::AppSetSelection(LONG start, LONG end) {
  AppEdit([&](TfEditCookie) {
    const LONG n = static_cast<LONG>(text_.size());
    selStart_ = std::clamp(start, 0L, n);
    selEnd_ = std::clamp(end, selStart_, n);
    selectionChanged_ = true;
  });
}

void FakeContext::AppTypeCharacter(wchar_t c) {
  AppEdit([&](TfEditCookie) {
    Replace(selStart_, selEnd_, std::wstring(1, c));
    selStart_ = selEnd_;
    selectionChanged_ = true;
  });
}

void FakeContext::AppTerminateComposition() {
  if (compositions_.empty()) return;
  ComPtr<FakeComposition> victim = compositions_.front();
  AppEdit([&](TfEditCookie ec) {
    if (victim->sink()) victim->sink()->OnCompositionTerminated(ec, victim.Get());
    victim->MarkEnded();
  });
}

std::wstring FakeContext::Marked() const {
  std::wstring out;
  LONG compStart = -1;
  LONG compEnd = -1;
  if (!compositions_.empty()) {
    compStart = compositions_.front()->range()->start();
    compEnd = compositions_.front()->range()->end();
  }
  for (LONG i = 0; i <= static_cast<LONG>(text_.size()); ++i) {
    if (i == compStart) out += L'[';
    if (i == selStart_) out += L'|';
    if (i == compEnd) out += L']';
    if (i < static_cast<LONG>(text_.size())) out += text_[static_cast<size_t>(i)];
  }
  return out;
}

}  // namespace fakehost
