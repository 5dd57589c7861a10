// Window and menu commands on an IMM32 input context, run by the key runner
// and reported to the host as for a key.
#include "frontend/imm/ImeCommands.h"

#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"
#include "frontend/imm/ImmStateSync.h"

int HandleImeCommand(HIMC himc, uint32_t command, uintptr_t a, intptr_t b) {
  return Guarded<int>(0, [&] {
    ImcLock lock(himc);
    if (!lock.ok()) return 0;
    ImeContext* context = lock.context();
    context->stateFlags |= kStateCommandRunning;
    {
      ImmOutput output(lock, ImmWindows());
      ThreadKeyRunner().RunMenuCommand(context, static_cast<int>(command), static_cast<int>(a),
                                       static_cast<int>(b), output);
    }
    context->stateFlags &= ~kStateCommandRunning;
    SyncAfterKey(lock);
    return 1;
  });
}

namespace {

class ImmWindowCommands : public WindowCommandTarget {
 public:
  int ExecuteWindowCommand(ImeContext* context, uint32_t code, uintptr_t wParam,
                           intptr_t lParam) override {
    if (!context || !context->inputContext) return 0;
    return HandleImeCommand(static_cast<HIMC>(context->inputContext), code, wParam, lParam);
  }
};

}  // namespace

WindowCommandTarget& ImmCommandTarget() {
  static ImmWindowCommands target;
  return target;
}
