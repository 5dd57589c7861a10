// Ranges over the fake document (anchors with gravity, moved on every
// edit), compositions, the attribute property as spans, and the view.
#include "tests/tsf/host/FakeHost.h"

#include <algorithm>

namespace fakehost {

LONG MoveAnchor(LONG p, LONG at, LONG removed, LONG inserted, bool forward) {
  if (p < at) return p;
  if (removed > 0) {
    if (p == at) return at;
    if (p >= at + removed) return p - removed + inserted;
    return forward ? at + inserted : at;
  }
  if (p > at) return p + inserted;
  // Text inserted right at the anchor: gravity decides which side it takes.
  return forward ? at + inserted : at;
}

FakeRange::FakeRange(FakeContext* context, LONG start, LONG end)
    : context_(context), contextRef_(context), start_(start), end_(end) {
  context_->Register(this);
}

FakeRange::~FakeRange() {
  context_->Unregister(this);
}

FakeRange* FakeRange::From(ITfRange* range) {
  return static_cast<FakeRange*>(range);
}

void FakeRange::Adjust(LONG at, LONG removed, LONG inserted) {
  start_ = MoveAnchor(start_, at, removed, inserted, startGravity_ == TF_GRAVITY_FORWARD);
  end_ = MoveAnchor(end_, at, removed, inserted, endGravity_ == TF_GRAVITY_FORWARD);
  if (end_ < start_) end_ = start_;
}

HRESULT FakeRange::GetText(TfEditCookie ec, DWORD, WCHAR* text, ULONG max, ULONG* got) {
  if (!got) return E_INVALIDARG;
  *got = 0;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const std::wstring& doc = context_->text();
  const ULONG n = std::min(max, static_cast<ULONG>(end_ - start_));
  for (ULONG i = 0; i < n; ++i) text[i] = doc[static_cast<size_t>(start_) + i];
  *got = n;
  return S_OK;
}

HRESULT FakeRange::SetText(TfEditCookie ec, DWORD, const WCHAR* text, LONG len) {
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  if (len < 0 || (!text && len > 0)) return E_INVALIDARG;
  const LONG start = start_;
  context_->Replace(start_, end_, std::wstring(text ? text : L"", static_cast<size_t>(len)));
  // The range covers exactly the new text, whatever its gravity.
  start_ = start;
  end_ = start + len;
  return S_OK;
}

HRESULT FakeRange::ShiftStart(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) {
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const LONG target = std::clamp(start_ + req, 0L, static_cast<LONG>(context_->text().size()));
  if (moved) *moved = target - start_;
  start_ = target;
  if (end_ < start_) end_ = start_;
  return S_OK;
}

HRESULT FakeRange::ShiftEnd(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) {
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const LONG target = std::clamp(end_ + req, 0L, static_cast<LONG>(context_->text().size()));
  if (moved) *moved = target - end_;
  end_ = target;
  if (start_ > end_) start_ = end_;
  return S_OK;
}

HRESULT FakeRange::ShiftStartToRange(TfEditCookie ec, ITfRange* range, TfAnchor pos) {
  if (!range) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const FakeRange* r = From(range);
  start_ = pos == TF_ANCHOR_START ? r->start_ : r->end_;
  if (end_ < start_) end_ = start_;
  return S_OK;
}

HRESULT FakeRange::ShiftEndToRange(TfEditCookie ec, ITfRange* range, TfAnchor pos) {
  if (!range) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const FakeRange* r = From(range);
  end_ = pos == TF_ANCHOR_START ? r->start_ : r->end_;
  if (start_ > end_) start_ = end_;
  return S_OK;
}

HRESULT FakeRange::IsEmpty(TfEditCookie ec, BOOL* empty) {
  if (!empty) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  *empty = start_ == end_;
  return S_OK;
}

HRESULT FakeRange::Collapse(TfEditCookie ec, TfAnchor anchor) {
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  if (anchor == TF_ANCHOR_START) {
    end_ = start_;
  } else {
    start_ = end_;
  }
  return S_OK;
}

HRESULT FakeRange::IsEqualStart(TfEditCookie ec, ITfRange* with, TfAnchor a, BOOL* eq) {
  LONG order = 0;
  const HRESULT hr = CompareStart(ec, with, a, &order);
  if (SUCCEEDED(hr) && eq) *eq = order == 0;
  return hr;
}

HRESULT FakeRange::IsEqualEnd(TfEditCookie ec, ITfRange* with, TfAnchor a, BOOL* eq) {
  LONG order = 0;
  const HRESULT hr = CompareEnd(ec, with, a, &order);
  if (SUCCEEDED(hr) && eq) *eq = order == 0;
  return hr;
}

HRESULT FakeRange::CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor a, LONG* result) {
  if (!with || !result) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const LONG other = a == TF_ANCHOR_START ? From(with)->start_ : From(with)->end_;
  *result = start_ < other ? -1 : start_ > other ? 1 : 0;
  return S_OK;
}

HRESULT FakeRange::CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor a, LONG* result) {
  if (!with || !result) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const LONG other = a == TF_ANCHOR_START ? From(with)->start_ : From(with)->end_;
  *result = end_ < other ? -1 : end_ > other ? 1 : 0;
  return S_OK;
}

HRESULT FakeRange::GetGravity(TfGravity* start, TfGravity* end) {
  if (!start || !end) return E_INVALIDARG;
  *start = startGravity_;
  *end = endGravity_;
  return S_OK;
}

HRESULT FakeRange::SetGravity(TfEditCookie ec, TfGravity start, TfGravity end) {
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  startGravity_ = start;
  endGravity_ = end;
  return S_OK;
}

HRESULT FakeRange::Clone(ITfRange** clone) {
  if (!clone) return E_INVALIDARG;
  ComPtr<FakeRange> copy = Make<FakeRange>(context_, start_, end_);
  copy->startGravity_ = startGravity_;
  copy->endGravity_ = endGravity_;
  *clone = copy.Detach();
  return S_OK;
}

HRESULT FakeRange::GetContext(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  *context = context_;
  context_->AddRef();
  return S_OK;
}

// ---- Compositions ----

FakeComposition::FakeComposition(FakeContext* context, FakeRange* range, ITfCompositionSink* sink)
    : context_(context), range_(range), sink_(sink) {}

HRESULT FakeComposition::GetRange(ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (ended_) return E_UNEXPECTED;
  return range_->Clone(range);
}

HRESULT FakeComposition::ShiftStart(TfEditCookie ec, ITfRange* newStart) {
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  if (ended_ || !newStart) return E_UNEXPECTED;
  return range_->ShiftStartToRange(ec, newStart, TF_ANCHOR_START);
}

HRESULT FakeComposition::ShiftEnd(TfEditCookie ec, ITfRange* newEnd) {
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  if (ended_ || !newEnd) return E_UNEXPECTED;
  return range_->ShiftEndToRange(ec, newEnd, TF_ANCHOR_END);
}

HRESULT FakeComposition::EndComposition(TfEditCookie ec) {
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  if (ended_) return E_UNEXPECTED;
  MarkEnded();
  return S_OK;
}

void FakeComposition::MarkEnded() {
  if (ended_) return;
  ended_ = true;
  ComPtr<FakeComposition> self(this);
  sink_.Reset();
  context_->Forget(this);
}

HRESULT FakeComposition::GetOwnerClsid(CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  return S_OK;
}

// ---- The attribute property ----

void* FakeProperty::Extra(REFIID riid) {
  if (riid == IID_ITfReadOnlyProperty) return static_cast<ITfReadOnlyProperty*>(this);
  return nullptr;
}

HRESULT FakeProperty::GetType(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  *guid = GUID_PROP_ATTRIBUTE;
  return S_OK;
}

HRESULT FakeProperty::GetContext(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  *context = context_;
  context_->AddRef();
  return S_OK;
}

HRESULT FakeProperty::GetValue(TfEditCookie ec, ITfRange* range, VARIANT* value) {
  if (!range || !value) return E_INVALIDARG;
  VariantInit(value);
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  const FakeRange* r = static_cast<FakeRange*>(range);
  for (const AttributeSpan& s : context_->attributes()) {
    if (s.start <= r->start() && r->start() < s.end) {
      value->vt = VT_I4;
      value->lVal = s.atom;
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT FakeProperty::SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) {
  if (!range || !value || value->vt != VT_I4) return E_INVALIDARG;
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  Clear(ec, range);
  const FakeRange* r = static_cast<FakeRange*>(range);
  if (r->end() > r->start()) context_->attributes().push_back({r->start(), r->end(), value->lVal});
  return S_OK;
}

HRESULT FakeProperty::Clear(TfEditCookie ec, ITfRange* range) {
  if (!context_->CheckWrite(ec)) return TF_E_NOLOCK;
  std::vector<AttributeSpan>& spans = context_->attributes();
  if (!range) {
    spans.clear();
    return S_OK;
  }
  const FakeRange* r = static_cast<FakeRange*>(range);
  std::vector<AttributeSpan> kept;
  for (const AttributeSpan& s : spans) {
    if (s.end <= r->start() || s.start >= r->end()) {
      kept.push_back(s);
      continue;
    }
    if (s.start < r->start()) kept.push_back({s.start, r->start(), s.atom});
    if (s.end > r->end()) kept.push_back({r->end(), s.end, s.atom});
  }
  spans = kept;
  return S_OK;
}

// ---- The view ----

HRESULT FakeContextView::GetTextExt(TfEditCookie ec, ITfRange* range, RECT* rect, BOOL* clipped) {
  if (!range || !rect) return E_INVALIDARG;
  if (!context_->CheckRead(ec)) return TF_E_NOLOCK;
  *rect = context_->textExtent;
  if (clipped) *clipped = FALSE;
  return S_OK;
}

HRESULT FakeContextView::GetScreenExt(RECT* rect) {
  if (!rect) return E_INVALIDARG;
  *rect = RECT{0, 0, 800, 600};
  return S_OK;
}

HRESULT FakeContextView::GetWnd(HWND* window) {
  if (!window) return E_INVALIDARG;
  *window = context_->window;
  return S_OK;
}

}  // namespace fakehost
