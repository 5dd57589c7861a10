// Where the candidate window hangs: a screen point taken from the input
// context's candidate form, its composition form or the caret.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

struct ImeContext;

// The anchor in client coordinates of the input context's window, and the
// cell height an exclusion rectangle asks for (0 when it asks none).
struct AnchorSource {
  POINT point;
  LONG excludeHeight;
};
AnchorSource AnchorFromForms(const INPUTCONTEXT* imc, POINT caret);

// Computes the anchor into the context's caret position (screen
// coordinates) and marks it known. With the fixed-place option the anchor
// is (0, 0).
void ComputeCandidateAnchor(const INPUTCONTEXT* imc, ImeContext* context);
