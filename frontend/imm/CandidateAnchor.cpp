// The candidate window's anchor from the forms a host sets.
#include "frontend/imm/CandidateAnchor.h"

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "frontend/imm/ImmComposition.h"

AnchorSource AnchorFromForms(const INPUTCONTEXT* imc, POINT caret) {
  const CANDIDATEFORM& cand = imc->cfCandForm[0];
  if (cand.dwStyle & (CFS_CANDIDATEPOS | CFS_EXCLUDE)) {
    if (cand.dwStyle & CFS_EXCLUDE)
      return {{cand.ptCurrentPos.x, cand.rcArea.top}, cand.rcArea.bottom - cand.rcArea.top};
    return {cand.ptCurrentPos, 0};
  }
  if (imc->cfCompForm.dwStyle & (CFS_RECT | CFS_POINT | CFS_FORCE_POSITION))
    return {imc->cfCompForm.ptCurrentPos, 0};
  return {caret, 0};
}

void ComputeCandidateAnchor(const INPUTCONTEXT* imc, ImeContext* context) {
  if (!imc || !context) return;
  if (context->candidateCount <= 0 && context->compositionLength <= 0)
    context->uiFlags &= ~kUiCandidateWanted;
  if (context->imeBlock && (context->imeBlock->optionFlags & ImeBits::kCandidateFixed)) {
    context->caretPosition = POINT{0, 0};
  } else {
    POINT caret{0, 0};
    GetCaretPos(&caret);
    const AnchorSource source = AnchorFromForms(imc, caret);
    POINT point = source.point;
    // Wine clears hWnd of a context between deactivation and the next
    // activation; the caret then belongs to the focus window.
    ClientToScreen(imc->hWnd ? imc->hWnd : GetFocus(), &point);
    context->caretPosition = point;
    if (source.excludeHeight > 0) context->charCell.cy = source.excludeHeight;
  }
  context->uiFlags |= kUiAnchorKnown;
}
