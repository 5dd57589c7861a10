// The IMM32 front end's module state, its key runners and context creation.
#include "frontend/imm/ImmModule.h"

#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/windows/SkinnedImeWindows.h"

ImmModuleState& ImmModule() {
  static ImmModuleState state;
  return state;
}

ImeWindows& ImmWindows() {
  ImeWindows* windows = ImmModule().seams.windows;
  return windows ? *windows : ModuleImeWindows();
}

KeyRunner& ThreadKeyRunner() {
  thread_local KeyRunner runner;
  thread_local const OsServices* clock = nullptr;
  const OsServices* wanted = ImmModule().seams.os ? ImmModule().seams.os : &DefaultOs();
  // The clock of the lone-modifier rule follows the seams (tests script it).
  if (clock != wanted) {
    runner = KeyRunner(*wanted);
    clock = wanted;
  }
  return runner;
}

ImeContext* CreateImmContext() {
  const ImmModuleState& module = ImmModule();
  ImeContext* context = CreateContextWithSkin(module.seams.os);
  if (!context) return nullptr;
  if (module.seams.effects) context->effects = module.seams.effects;
  // Nothing may be started from the logon or a secure desktop.
  SetLaunchesRefused(context, module.secureDesktop);
  return context;
}

void DestroyImmContext(ImeContext* context) {
  DestroyContextWithSkin(context);
}
