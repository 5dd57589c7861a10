// Cursor keys on the typed code. Every edit searches again, the same way a
// typed character does.
#include <windows.h>

#include "engine/Candidates.h"
#include "engine/EntryCommands.h"
#include "engine/ImeContext.h"

namespace {

// Length and cursor as stored may be anything: keep them inside the code.
void ClampCode(ImeContext* context) {
  if (context->codeLength < 0) context->codeLength = 0;
  if (context->codeLength > kMaxCodeUnits) context->codeLength = kMaxCodeUnits;
  if (context->cursor < 0) context->cursor = 0;
  if (context->cursor > context->codeLength) context->cursor = context->codeLength;
  context->code[context->codeLength] = 0;
}

void RemoveAt(ImeContext* context, int at) {
  for (int i = at; i < context->codeLength; ++i) context->code[i] = context->code[i + 1];
  --context->codeLength;
  context->code[context->codeLength] = 0;
}

int Edit(ImeContext* context, void (*change)(ImeContext*)) {
  if (!context) return 0;
  ClampCode(context);
  change(context);
  return RebuildCandidates(context);
}

}  // namespace

int DeleteCharBeforeCursor(ImeContext* context) {
  return Edit(context, [](ImeContext* c) {
    if (c->cursor == 0) return;
    RemoveAt(c, c->cursor - 1);
    --c->cursor;
  });
}

int DeleteCharAtCursor(ImeContext* context) {
  return Edit(context, [](ImeContext* c) {
    if (c->cursor < c->codeLength) RemoveAt(c, c->cursor);
  });
}

int MoveCursorLeft(ImeContext* context) {
  return Edit(context, [](ImeContext* c) {
    if (c->cursor > 0) --c->cursor;
  });
}

int MoveCursorRight(ImeContext* context) {
  return Edit(context, [](ImeContext* c) {
    if (c->cursor < c->codeLength) ++c->cursor;
  });
}

int EditCodeByKey(ImeContext* context, uint32_t virtualKey) {
  switch (virtualKey) {
    case VK_BACK: return DeleteCharBeforeCursor(context);
    case VK_DELETE: return DeleteCharAtCursor(context);
    case VK_LEFT: return MoveCursorLeft(context);
    case VK_RIGHT: return MoveCursorRight(context);
    case VK_HOME: return Edit(context, [](ImeContext* c) { c->cursor = 0; });
    case VK_END: return Edit(context, [](ImeContext* c) { c->cursor = c->codeLength; });
    default: return 0;
  }
}
