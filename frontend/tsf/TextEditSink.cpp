// The text-edit sink (a selection moved out of the composition ends it) and
// the composition sink (the host terminated a composition).
#include "frontend/tsf/TextService.h"

#include "frontend/tsf/ComAdopt.h"

HRESULT CTextService::OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) {
  if (!context || !record || !HasComposition(context)) return S_OK;
  BOOL selectionChanged = FALSE;
  if (FAILED(record->GetSelectionStatus(&selectionChanged)) || !selectionChanged) return S_OK;
  TF_SELECTION selection{};
  ULONG fetched = 0;
  if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
    return S_OK;
  ComPtr<ITfRange> selected = Adopt(selection.range);
  ComPtr<ITfRange> composed;
  const int slot = FindSlot(context);
  if (FAILED(slots_[slot].composition->GetRange(&composed)) || !composed) return S_OK;
  LONG startOrder = 0;
  LONG endOrder = 0;
  if (FAILED(selected->CompareStart(ec, composed.Get(), TF_ANCHOR_START, &startOrder)) ||
      FAILED(selected->CompareEnd(ec, composed.Get(), TF_ANCHOR_END, &endOrder))) {
    return S_OK;
  }
  // The user clicked or moved the caret away from the code: give it up.
  if (startOrder < 0 || endOrder > 0) {
    inEndEdit_ = true;
    RequestEndComposition(context);
    inEndEdit_ = false;
  }
  return S_OK;
}

HRESULT CTextService::OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition) {
  int slot = -1;
  for (int i = 0; i < kCompositionSlots; ++i) {
    if (composition && slots_[i].composition.Get() == composition) slot = i;
  }
  if (slot < 0) return S_OK;
  // The host ended the composition itself: committed text stays, a typed
  // code or the placeholder goes, and the input is forgotten.
  if (slots_[slot].content == Content::kPlaceholder || slots_[slot].content == Content::kCode) {
    ComPtr<ITfRange> range;
    if (SUCCEEDED(composition->GetRange(&range)) && range) range->SetText(ec, 0, L"", 0);
  }
  ClearCompositionAttribute(ec, slot);
  ReleaseComposition(slot);
  heldUnits_ = 0;
  if (context_) runner_.CompositionEnded(context_);
  EndCandidateList();
  return S_OK;
}
