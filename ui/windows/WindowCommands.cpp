// Routing of window and menu commands to the front end of a context.
#include "ui/windows/WindowCommands.h"

#include <atomic>

#include "engine/ImeContext.h"

namespace {

// Module-wide: one target per front end, set at attach.
std::atomic<WindowCommandTarget*> immTarget{nullptr};
std::atomic<WindowCommandTarget*> tsfTarget{nullptr};

}  // namespace

void SetWindowCommandTarget(FrontEnd frontEnd, WindowCommandTarget* target) {
  (frontEnd == FrontEnd::kImm ? immTarget : tsfTarget).store(target);
}

bool IsTextServiceContext(const ImeContext* context) {
  return context && !context->inputContext && context->textService;
}

int ExecuteMenuCommand(ImeContext* context, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (!context) return 0;
  WindowCommandTarget* target = nullptr;
  if (context->inputContext) {
    target = immTarget.load();
  } else if (context->textService) {
    target = tsfTarget.load();
  }
  if (target) target->ExecuteWindowCommand(context, code, wParam, lParam);
  return 0;
}
