// The composition slot table and the document edits made inside a session:
// start, show, commit, end and cancel. Every call uses the running session's
// cookie; nothing here requests a second session for the same key.
#include "frontend/tsf/TextService.h"

#include "engine/Candidates.h"
#include "engine/ImeOptionBits.h"
#include "frontend/tsf/EditSessions.h"

namespace {

constexpr wchar_t kPlaceholder[] = L" ";

ComPtr<ITfRange> CompositionRange(ITfComposition* composition) {
  ComPtr<ITfRange> range;
  if (composition && FAILED(composition->GetRange(&range))) range.Reset();
  return range;
}

// Makes a collapsed caret at the end of range, moved back by `back` units.
void PlaceCaret(TfEditCookie ec, ITfContext* context, ITfRange* range, LONG back) {
  ComPtr<ITfRange> caret;
  if (FAILED(range->Clone(&caret))) return;
  caret->Collapse(ec, TF_ANCHOR_END);
  if (back > 0) {
    LONG moved = 0;
    caret->ShiftStart(ec, -back, &moved, nullptr);
    caret->Collapse(ec, TF_ANCHOR_START);
  }
  TF_SELECTION selection{};
  selection.range = caret.Get();
  selection.style.ase = TF_AE_NONE;
  selection.style.fInterimChar = FALSE;
  context->SetSelection(ec, 1, &selection);
}

}  // namespace

int CTextService::FindSlot(ITfContext* context) const {
  if (!context) return -1;
  for (int i = 0; i < kCompositionSlots; ++i) {
    if (slots_[i].context.Get() == context) return i;
  }
  return -1;
}

int CTextService::FreeSlot() const {
  for (int i = 0; i < kCompositionSlots; ++i) {
    if (!slots_[i].context) return i;
  }
  return -1;
}

bool CTextService::HasComposition(ITfContext* context) const {
  const int slot = FindSlot(context);
  return slot >= 0 && slots_[slot].composition;
}

void CTextService::ReleaseComposition(int slot) {
  slots_[slot].composition.Reset();
  slots_[slot].context.Reset();
  slots_[slot].content = Content::kNothing;
}

bool CTextService::InlineMode() const {
  const uint32_t options = context_ && context_->imeBlock ? context_->imeBlock->optionFlags : 0;
  // Hosts that draw their own candidate lists, and immersive ones, get the code inline.
  return (options & (ImeBits::kTsfEmbedCode | ImeBits::kTsfEmbedFirst)) || activationFlags_ != 0;
}

bool CTextService::EnsureComposition(TfEditCookie ec, ITfContext* context) {
  if (HasComposition(context)) return true;
  ComPtr<ITfInsertAtSelection> insert;
  ComPtr<ITfContextComposition> compose;
  if (FAILED(context->QueryInterface(IID_PPV_ARGS(&insert))) ||
      FAILED(context->QueryInterface(IID_PPV_ARGS(&compose)))) {
    return false;
  }
  ComPtr<ITfRange> range;
  if (FAILED(insert->InsertTextAtSelection(ec, TF_IAS_QUERYONLY, nullptr, 0, &range)) || !range)
    return false;
  ComPtr<ITfComposition> composition;
  if (FAILED(compose->StartComposition(ec, range.Get(), static_cast<ITfCompositionSink*>(this),
                                       &composition)) ||
      !composition) {
    return false;
  }
  const int slot = FreeSlot();
  if (slot < 0) {
    // Five contexts already compose: never leave one untracked.
    composition->EndComposition(ec);
    return false;
  }
  slots_[slot].composition = composition;
  slots_[slot].context = context;
  slots_[slot].content = Content::kNothing;
  TF_SELECTION selection{};
  selection.range = range.Get();
  selection.style.ase = TF_AE_NONE;
  context->SetSelection(ec, 1, &selection);
  return true;
}

void CTextService::SetCompositionAttribute(TfEditCookie ec, int slot, TfGuidAtom atom) {
  if (atom == TF_INVALID_GUIDATOM) return;
  ComPtr<ITfRange> range = CompositionRange(slots_[slot].composition.Get());
  ComPtr<ITfProperty> property;
  if (!range || FAILED(slots_[slot].context->GetProperty(GUID_PROP_ATTRIBUTE, &property))) return;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = static_cast<LONG>(atom);
  property->SetValue(ec, range.Get(), &v);
}

void CTextService::ClearCompositionAttribute(TfEditCookie ec, int slot) {
  ComPtr<ITfRange> range = CompositionRange(slots_[slot].composition.Get());
  ComPtr<ITfProperty> property;
  if (!range || FAILED(slots_[slot].context->GetProperty(GUID_PROP_ATTRIBUTE, &property))) return;
  property->Clear(ec, range.Get());
}

void CTextService::ShowComposition(TfEditCookie ec, ITfContext* context, const wchar_t* text, int units,
                                   int caret, bool associations) {
  int slot = FindSlot(context);
  if (associations) {
    // The committed text is what association mode shows: it stays as it is.
    if (slot >= 0 && slots_[slot].content == Content::kCommitted) SetCompositionAttribute(ec, slot, convertedAtom_);
    return;
  }
  // A new code after committed text: that text is final, the code gets a
  // composition of its own.
  if (slot >= 0 && slots_[slot].content == Content::kCommitted) EndComposition(ec, context);
  if (!EnsureComposition(ec, context)) return;
  slot = FindSlot(context);
  ComPtr<ITfRange> range = CompositionRange(slots_[slot].composition.Get());
  if (!range) return;
  if (units < 0) units = 0;
  if (InlineMode()) {
    range->SetText(ec, 0, text, units);
    slots_[slot].content = Content::kCode;
    PlaceCaret(ec, context, range.Get(), units - (caret < 0 ? 0 : caret > units ? units : caret));
    SetCompositionAttribute(ec, slot, inputAtom_);
    return;
  }
  // The skinned window shows the code; the document holds one space with
  // the caret before it, so the host places its caret where the code goes.
  range->SetText(ec, 0, kPlaceholder, 1);
  slots_[slot].content = Content::kPlaceholder;
  PlaceCaret(ec, context, range.Get(), 1);
  ClearCompositionAttribute(ec, slot);
}

void CTextService::CommitText(TfEditCookie ec, ITfContext* context, const wchar_t* text, int units) {
  if (units <= 0 || !text) return;
  int slot = FindSlot(context);
  if (slot >= 0 && slots_[slot].content == Content::kCommitted && heldUnits_ + units > kHeldTextUnits)
    EndComposition(ec, context);
  if (!EnsureComposition(ec, context)) {
    // No composition can be had (five contexts compose): insert directly.
    ComPtr<ITfInsertAtSelection> insert;
    ComPtr<ITfRange> inserted;
    if (SUCCEEDED(context->QueryInterface(IID_PPV_ARGS(&insert))) &&
        SUCCEEDED(insert->InsertTextAtSelection(ec, 0, text, units, &inserted)) && inserted) {
      PlaceCaret(ec, context, inserted.Get(), 0);
    }
    return;
  }
  slot = FindSlot(context);
  ComPtr<ITfRange> range = CompositionRange(slots_[slot].composition.Get());
  if (!range) return;
  if (slots_[slot].content != Content::kCommitted) heldUnits_ = 0;
  // Longer than the held text can ever be: it goes in as it is, in pieces
  // that each end their composition, so nothing is cut.
  while (units > kHeldTextUnits - heldUnits_ && heldUnits_ == 0) {
    range->SetText(ec, 0, text, kHeldTextUnits);
    slots_[slot].content = Content::kCommitted;
    PlaceCaret(ec, context, range.Get(), 0);
    EndComposition(ec, context);
    text += kHeldTextUnits;
    units -= kHeldTextUnits;
    if (!EnsureComposition(ec, context)) return;
    slot = FindSlot(context);
    range = CompositionRange(slots_[slot].composition.Get());
    if (!range) return;
  }
  for (int i = 0; i < units; ++i) held_[heldUnits_ + i] = text[i];
  heldUnits_ += units;
  held_[heldUnits_] = 0;
  range->SetText(ec, 0, held_, heldUnits_);
  slots_[slot].content = Content::kCommitted;
  PlaceCaret(ec, context, range.Get(), 0);
  ClearCompositionAttribute(ec, slot);
}

void CTextService::EndComposition(TfEditCookie ec, ITfContext* context) {
  heldUnits_ = 0;
  held_[0] = 0;
  const int slot = FindSlot(context);
  if (slot < 0) return;
  if (slots_[slot].composition) {
    if (slots_[slot].content == Content::kPlaceholder || slots_[slot].content == Content::kCode) {
      // Focus loss, a caret moved away or Esc: no stray space or code stays.
      ComPtr<ITfRange> range = CompositionRange(slots_[slot].composition.Get());
      if (range) range->SetText(ec, 0, L"", 0);
    }
    ClearCompositionAttribute(ec, slot);
    slots_[slot].composition->EndComposition(ec);
  }
  ReleaseComposition(slot);
  if (!candidateList_ || !candidateList_->begun() || candidateList_->context() == context) EndCandidateList();
}

void CTextService::EndCompositionsOf(TfEditCookie ec, ITfContext* context) {
  if (ec == TF_INVALID_EDIT_COOKIE && inEditSession()) ec = sessionCookie_;
  for (int i = 0; i < kCompositionSlots; ++i) {
    ComPtr<ITfContext> owner = slots_[i].context;
    if (!owner || (context && owner.Get() != context)) continue;
    if (ec != TF_INVALID_EDIT_COOKIE) {
      EndComposition(ec, owner.Get());
    } else {
      RequestSession(owner.Get(), clientId_, new EndCompositionEditSession(this, owner.Get()),
                     TF_ES_SYNC | TF_ES_READWRITE);
    }
    // A host that refused the session still loses our references.
    if (slots_[i].context == owner) ReleaseComposition(i);
  }
}

void CTextService::RequestEndComposition(ITfContext* context) {
  if (!context || FindSlot(context) < 0) {
    if (context_) runner_.CompositionEnded(context_);
    return;
  }
  if (inEditSession()) {
    CancelIn(sessionCookie_, context);
    return;
  }
  // Inside the host's own lock (OnEndEdit) a synchronous session cannot run
  // yet: it is queued to run right after.
  HRESULT hr = RequestSession(context, clientId_, new EndCompositionEditSession(this, context),
                              inEndEdit_ ? TF_ES_READWRITE : TF_ES_SYNC | TF_ES_READWRITE);
  if (hr == TF_E_SYNCHRONOUS || hr == TF_E_LOCKED) {
    hr = RequestSession(context, clientId_, new EndCompositionEditSession(this, context), TF_ES_READWRITE);
  }
  if (FAILED(hr) && context_) {
    // The document stays as it is; the input is dropped all the same.
    runner_.CompositionEnded(context_);
  }
}
