// A context stays alive while a key or command runs on it. A modal box
// shown by a key runs the host's message loop, where the host may deselect
// or deactivate the IME; the front end then retires the context instead of
// freeing it, and the run that unwinds last frees it, exactly once.
#pragma once

#include "engine/ImeContext.h"

using ContextDestroyer = void (*)(ImeContext*);

// Marks a context in use; nested holds count.
inline void HoldContext(ImeContext* context) { ++context->runDepth; }

// Ends a hold. True when the context was retired meanwhile and this was the
// last hold: the caller frees it now.
inline bool ReleaseContext(ImeContext* context) {
  return --context->runDepth == 0 && context->retired != 0;
}

// The front end lets a context go (it must already be unreachable from the
// front end). True when nothing holds it: the caller frees it now;
// otherwise the last hold does.
inline bool RetireContext(ImeContext* context) {
  if (context->retired) return false;
  context->retired = 1;
  return context->runDepth == 0;
}

// A hold for the length of a scope; frees a context retired meanwhile.
class ContextHold {
 public:
  ContextHold(ImeContext* context, ContextDestroyer destroy) : context_(context), destroy_(destroy) {
    if (context_) HoldContext(context_);
  }
  ~ContextHold() {
    if (context_ && ReleaseContext(context_) && destroy_) destroy_(context_);
  }
  ContextHold(const ContextHold&) = delete;
  ContextHold& operator=(const ContextHold&) = delete;

 private:
  ImeContext* context_;
  ContextDestroyer destroy_;
};
