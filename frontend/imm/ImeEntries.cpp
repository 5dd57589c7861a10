// The IME entry points that do not process keys: inquiry, selection,
// notifications, escapes, configuration and the stubs.
#include <cstring>

#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "engine/Registry.h"
#include "engine/WideString.h"
#include "frontend/common/ContextLifetime.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/DeferredMessages.h"
#include "frontend/imm/ImeDeclarations.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmStateSync.h"
#include "frontend/imm/KeyHook.h"
#include "frontend/imm/WindowlessUi.h"
#include "ui/windows/WindowClasses.h"

namespace {

constexpr IMEINFO kImeInfo = {
    kPrivateBlockBytes,
    IME_PROP_UNICODE | IME_PROP_SPECIAL_UI | IME_PROP_KBD_CHAR_FIRST,
    IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE | IME_CMODE_CHARCODE | IME_CMODE_SOFTKBD |
        IME_CMODE_NOCONVERSION | IME_CMODE_SYMBOL,
    0,
    UI_CAP_ROTANY,
    SCS_CAP_COMPSTR,
    SELECT_CAP_CONVERSION,
};

// Units of the name IME_ESC_IME_NAME hands out, and of the help-file buffer.
constexpr int kImeNameEscapeUnits = 9;
constexpr int kHelpFileUnits = 80;

BOOL SelectContext(HIMC himc) {
  LockedImc imc(himc);
  if (!imc) return FALSE;
  if (!SizeCompositionString(imc.get()) || !SizeCandidateInfo(imc.get()) ||
      !SizePrivateData(imc.get()))
    return FALSE;
  LockedImcc block(imc->hPrivate, kPrivateBlockBytes);
  if (!block) return FALSE;
  auto* data = reinterpret_cast<ImePrivateBlock*>(block.data());
  data->contextSlot = 0;
  data->listAnnounced = 0;
  data->uiWindow = kUiWindowUnknown;
  data->statusShown = 0;
  ImeContext* context = CreateImmContext();
  data->context = context;
  if (!context) return FALSE;
  context->inputContext = himc;
  context->hostWindow = imc->hWnd;
  InitConversionMode(imc.get(), context->imeBlock);
  context->stateFlags = StateFromConversion(imc->fdwConversion);
  data->hostOpenSeen = imc->fOpen ? 1 : 0;
  data->hostConversionSeen = imc->fdwConversion;
  return TRUE;
}

BOOL DeselectContext(HIMC himc) {
  // Messages held for the context go while it is still ours; the next IME
  // owns it after this.
  DeliverDeferredImeMessages(himc);
  ImcLock lock(himc);
  if (!lock.imc()) return FALSE;
  INPUTCONTEXT* imc = lock.imc();
  ImeContext* context = lock.context();
  {
    // config.dsc is shared: the mode is saved under the data folder's write
    // lock, or not at all while another writer holds it (no waiting here).
    DataWriteLock write(context, 0);
    SaveConversionMode(imc, context && write.Held() ? context->imeBlock : nullptr);
  }
  ImmSetConversionStatus(himc, imc->fdwConversion, imc->fdwSentence);
  // A context whose creation failed has nothing more to undo.
  if (!lock.ok()) return lock.blocks() ? TRUE : FALSE;
  CancelImeComposition(lock);
  // No window of the context may outlive it.
  ImmWindows().DestroyWindows(context);
  // Cancelling sent messages: the host may have destroyed the input context.
  if (lock.Intact()) lock.privateBlock()->context = nullptr;
  // A key or command that showed a box may still run on it: the last lock
  // to go frees it.
  RetireContext(context);
  return TRUE;
}

// Runs body with the input context's ImeContext, or with a temporary one
// when the input context has none. Returns 0 when neither exists.
template <typename Body>
LRESULT WithNameSource(HIMC himc, Body&& body) {
  {
    ImcLock lock(himc);
    if (lock.ok()) return body(lock.context());
  }
  ImeContext* temporary = CreateImmContext();
  if (!temporary) return 0;
  const LRESULT result = body(temporary);
  DestroyImmContext(temporary);
  return result;
}

LRESULT EscapeImeName(HIMC himc, wchar_t* out) {
  return WithNameSource(himc, [out](ImeContext* context) -> LRESULT {
    if (!context->softBlock) return 0;
    const wchar_t* name = context->softBlock->displayName;
    const int units = FitUnits(name, static_cast<int>(BoundedLength(name, 40)),
                               kImeNameEscapeUnits);
    std::memcpy(out, name, units * sizeof(wchar_t));
    out[units] = 0;
    return 1;
  });
}

LRESULT EscapeHelpFile(HIMC himc, wchar_t* out) {
  return WithNameSource(himc, [out](ImeContext* context) -> LRESULT {
    ReadInstallLocation(context->productKey, context->installFolder, kPathUnits,
                        ContextOs(context));
    wchar_t path[kPathUnits];
    if (FormatString(path, kPathUnits, L"%smain.chm", context->installFolder) != S_OK) return 0;
    // The caller's buffer holds 80 units: a longer name is not cut short
    // into some other file's name.
    if (BoundedLength(path, kPathUnits) >= static_cast<uint32_t>(kHelpFileUnits)) return 0;
    CopyStringBounded(out, kHelpFileUnits, path);
    return 1;
  });
}

bool SupportedEscape(UINT escape) {
  return escape == IME_ESC_QUERY_SUPPORT || escape == IME_ESC_MAX_KEY ||
         escape == IME_ESC_IME_NAME || escape == IME_ESC_GETHELPFILENAME;
}

// The host set the open status or the conversion mode: the state follows.
BOOL NoticeHostModes(HIMC himc) {
  ImcLock lock(himc);
  if (!lock.ok()) return FALSE;
  FollowHostModes(lock);
  return TRUE;
}

BOOL SetActiveContext(HIMC himc, BOOL active) {
  ImcLock lock(himc);
  if (lock.ok()) ActivateWithoutUiWindow(lock, active != FALSE);
  return TRUE;
}

}  // namespace

extern "C" {

BOOL WINAPI ImeInquire(LPIMEINFO info, LPWSTR uiClass, DWORD systemInfoFlags) {
  return Guarded<BOOL>(FALSE, [&] {
    // Once asked to run on a secure desktop, the process never starts a
    // program from here.
    if (systemInfoFlags & IME_SYSINFO_WINLOGON) ImmModule().secureDesktop = true;
    if (info) *info = kImeInfo;
    // The class itself is registered with the skinned windows at attach.
    if (uiClass) CopyStringBounded(uiClass, 12, kImeUiWindowClass);
    return TRUE;
  });
}

BOOL WINAPI ImeSelect(HIMC himc, BOOL select) {
  if (!himc) return FALSE;
  return Guarded<BOOL>(FALSE, [&] { return select ? SelectContext(himc) : DeselectContext(himc); });
}

BOOL WINAPI ImeSetActiveContext(HIMC himc, BOOL active) {
  // Messages held after a result belong to the window that is losing the
  // focus: they go out before it does.
  if (!active) Guarded<int>(0, [] { DeliverDeferredImeMessages(); return 0; });
  return Guarded<BOOL>(TRUE, [&] { return SetActiveContext(himc, active); });
}

BOOL WINAPI ImeDestroy(UINT) {
  // The module may be unloaded next: no hook or timer may call into it.
  Guarded<int>(0, [] {
    DeliverDeferredImeMessages();
    DropDeferredImeMessages();
    RemoveKeyHooks();
    return 0;
  });
  return TRUE;
}

BOOL WINAPI NotifyIME(HIMC himc, DWORD action, DWORD index, DWORD value) {
  return Guarded<BOOL>(FALSE, [&]() -> BOOL {
    if (action == NI_CONTEXTUPDATED &&
        (value == IMC_SETOPENSTATUS || value == IMC_SETCONVERSIONMODE))
      return NoticeHostModes(himc);
    if (action != NI_COMPOSITIONSTR) return FALSE;
    if (index != CPS_COMPLETE && index != CPS_REVERT && index != CPS_CANCEL) return FALSE;
    ImcLock lock(himc);
    if (!lock.ok() || !lock.context()->compositionOpen) return FALSE;
    // Completing drops the typed code as cancelling does: a code is not text.
    CancelImeComposition(lock);
    return TRUE;
  });
}

LRESULT WINAPI ImeEscape(HIMC himc, UINT escape, LPVOID data) {
  return Guarded<LRESULT>(0, [&]() -> LRESULT {
    switch (escape) {
      case IME_ESC_QUERY_SUPPORT:
        return data && SupportedEscape(*static_cast<const UINT*>(data)) ? 1 : 0;
      case IME_ESC_MAX_KEY:
        return 128;
      case IME_ESC_IME_NAME:
        return data ? EscapeImeName(himc, static_cast<wchar_t*>(data)) : 0;
      case IME_ESC_GETHELPFILENAME:
        return data ? EscapeHelpFile(himc, static_cast<wchar_t*>(data)) : 0;
      default:
        return 0;
    }
  });
}

BOOL WINAPI ImeConfigure(HKL, HWND, DWORD, LPVOID) {
  return Guarded<BOOL>(FALSE, [&]() -> BOOL {
    ImeContext* context = CreateImmContext();
    if (!context) return FALSE;
    BOOL started = FALSE;
    if (ReadInstallLocation(context->productKey, context->installFolder, kPathUnits,
                            ContextOs(context))) {
      wchar_t program[kPathUnits];
      wchar_t parameters[kProductKeyUnits + 8];
      if (FormatString(program, kPathUnits, L"%sconfig.exe", context->installFolder) == S_OK &&
          FormatString(parameters, kProductKeyUnits + 8, L"/n '%s'", context->productKey) == S_OK)
        started = OpenProgramFor(context, ContextEffects(context), program, parameters, SW_SHOW);
    }
    DestroyImmContext(context);
    return started;
  });
}

DWORD WINAPI ImeConversionList(HIMC, LPCWSTR, LPCANDIDATELIST, DWORD, UINT) {
  return 0;
}

BOOL WINAPI ImeRegisterWord(LPCWSTR, DWORD, LPCWSTR) {
  return FALSE;
}

BOOL WINAPI ImeUnregisterWord(LPCWSTR, DWORD, LPCWSTR) {
  return FALSE;
}

UINT WINAPI ImeGetRegisterWordStyle(UINT, LPSTYLEBUFW) {
  return 0;
}

UINT WINAPI ImeEnumRegisterWord(REGISTERWORDENUMPROCW, LPCWSTR, DWORD, LPCWSTR, LPVOID) {
  return 0;
}

BOOL WINAPI ImeSetCompositionString(HIMC, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
  return FALSE;
}

}  // extern "C"
