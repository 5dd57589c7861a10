// The IMM32 front end's module state, its key runners and context creation.
#include "frontend/imm/ImmModule.h"

#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunner.h"

namespace {

// Stands in when no facade was set: the IME still types, without windows.
class NoImeWindows : public ImeWindows {
 public:
  void ShowCandidateWindow(ImeContext*) override {}
  void UpdateCandidateWindow(ImeContext*) override {}
  void HideCandidateWindow(ImeContext*) override {}
  void DestroyCandidateWindow(ImeContext*) override {}
  void ShowStatusWindow(ImeContext*) override {}
  void UpdateStatusWindow(ImeContext*) override {}
  void HideStatusWindow(ImeContext*) override {}
  void ShowSoftKeyboard(ImeContext*) override {}
  void HideSoftKeyboard(ImeContext*) override {}
  HWND RequestTipsWindow(ImeContext*, int, int, int, const wchar_t*) override { return nullptr; }
  HWND RequestDictWindow(ImeContext*, int) override { return nullptr; }
  void DestroyTipsWindow(ImeContext*) override {}
  void TrackMenu(ImeContext*, ImeMenu, HWND, int) override {}
  void DestroyWindows(ImeContext*) override {}
};

}  // namespace

ImmModuleState& ImmModule() {
  static ImmModuleState state;
  return state;
}

ImeWindows& ImmWindows() {
  static NoImeWindows none;
  ImeWindows* windows = ImmModule().seams.windows;
  return windows ? *windows : none;
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
