// ActivateEx and Deactivate: activation is an ordered list of steps; any
// failed step runs Deactivate, which undoes whatever exists, in reverse, and
// works after a partial activation or when called twice.
#include "frontend/tsf/TextService.h"

#include <new>

#include "engine/DataLock.h"
#include "engine/ImeOptionBits.h"
#include "engine/Launchers.h"
#include "frontend/common/ContextLifetime.h"
#include "frontend/common/ConversionModes.h"
#include "frontend/tsf/ComAdopt.h"
#include "frontend/tsf/EditSessions.h"
#include "frontend/tsf/ProductGuids.h"
#include "frontend/tsf/SinkAdvice.h"

namespace {

// Activation flags kept for the life of the activation.
constexpr DWORD kRetainedFlags = TF_TMAE_SECUREMODE | TF_TMAE_UIELEMENTENABLEDONLY | TF_TMAE_COMLESS |
                                 TF_TMAE_WOW16 | TF_TMAE_CONSOLE | TF_TMF_IMMERSIVEMODE;

}  // namespace

HRESULT CTextService::ActivateEx(ITfThreadMgr* threadMgr, TfClientId clientId, DWORD flags) {
  // A host that activates an active object gets a clean second activation.
  if (threadMgr_ || context_) Deactivate();
  if (!threadMgr) return E_INVALIDARG;
  threadMgr_ = threadMgr;
  clientId_ = clientId;
  const auto fail = [this] {
    Deactivate();
    return E_FAIL;
  };

  if (!CreateContext()) return fail();
  keySession_ = Adopt(new (std::nothrow) KeyHandlerEditSession(this));
  if (!keySession_) return fail();
  // One element serves every composition of the activation: typing
  // allocates nothing. Without it the window still shows, at the caret.
  candidateList_ = Adopt(new (std::nothrow) CCandidateList(this));
  SetKeyboardOpen(1);
  ChooseConversionMode();
  context_->pendingKeyIndex = 0;
  context_->pendingKeyFlags = 0;
  context_->pendingKeyScanBits = 0;
  context_->capsLockResult = 0;
  activationFlags_ = (flags & kRetainedFlags) ? flags : 0;
  // Nothing may be started from a secure desktop (logon screen, UAC).
  SetLaunchesRefused(context_, (activationFlags_ & TF_TMAE_SECUREMODE) != 0);

  if (FAILED(AdviseSourceSink(threadMgr_.Get(), IID_ITfThreadMgrEventSink,
                              static_cast<ITfThreadMgrEventSink*>(this), &threadMgrSinkCookie_))) {
    return fail();
  }
  ComPtr<ITfDocumentMgr> focus;
  if (SUCCEEDED(threadMgr_->GetFocus(&focus)) && focus) HookDocument(focus.Get());
  if (!AdviseKeyEventSink()) return fail();
  if (FAILED(AdviseSourceSink(threadMgr_.Get(), IID_ITfActiveLanguageProfileNotifySink,
                              static_cast<ITfActiveLanguageProfileNotifySink*>(this),
                              &profileSinkCookie_))) {
    return fail();
  }
  RegisterDisplayAttributeAtoms();
  if (FAILED(AdviseSourceSink(threadMgr_.Get(), IID_ITfThreadFocusSink,
                              static_cast<ITfThreadFocusSink*>(this), &threadFocusSinkCookie_))) {
    return fail();
  }
  if (!AdviseOpenCloseSink()) return fail();
  if (!RegisterPreservedKeys()) return fail();
  UpdateInputStateIndicator();
  if (!InitLanguageBar()) return fail();
  return S_OK;
}

HRESULT CTextService::Deactivate() {
  if (context_ && context_->imeBlock) {
    // The saved mode lives in the shared settings, so the next activation in
    // any process starts from it.
    constexpr uint32_t kKeep = ImeBits::kCustomConversion | ImeBits::kSaveConversion;
    if ((context_->imeBlock->spaceWord & kKeep) == kKeep && threadMgr_) {
      // Saved under the data folder's write lock, or not at all while
      // another writer holds it (no waiting here), as the IMM32 side does.
      DataWriteLock lock(context_, 0);
      if (lock.Held()) context_->imeBlock->conversionMode = static_cast<uint32_t>(GetConversionMode());
    }
  }
  EndCompositionsOf(TF_INVALID_EDIT_COOKIE, nullptr);
  if (candidateList_) {
    // The framework or an application may still hold the element: it is
    // cut off from the service before the service lets it go.
    EndCandidateList();
    candidateList_->Detach(threadMgr_.Get());
    candidateList_.Reset();
  }
  UnhookDocument();
  if (threadMgr_) {
    UnadviseSourceSink(threadMgr_.Get(), &profileSinkCookie_);
    UnadviseOpenCloseSink();
    UnadviseSourceSink(threadMgr_.Get(), &threadFocusSinkCookie_);
    UnadviseSourceSink(threadMgr_.Get(), &threadMgrSinkCookie_);
    if (keySinkAdvised_) {
      ComPtr<ITfKeystrokeMgr> keystrokes;
      if (SUCCEEDED(threadMgr_.As(&keystrokes))) keystrokes->UnadviseKeyEventSink(clientId_);
      keySinkAdvised_ = false;
    }
    UnregisterPreservedKeys();
  }
  RemoveLanguageBar();
  if (keySession_) {
    keySession_->Detach();
    keySession_.Reset();
  }
  inputAtom_ = convertedAtom_ = noneAtom_ = TF_INVALID_GUIDATOM;
  threadMgr_.Reset();
  clientId_ = TF_CLIENTID_NULL;
  activationFlags_ = 0;
  lastIndicator_ = -1;
  textExtent_ = RECT{};
  focusWindowRect_ = RECT{};
  heldUnits_ = 0;
  held_[0] = 0;
  if (context_) {
    if (environment_.windows) environment_.windows->DestroyWindows(context_);
    context_->textService = nullptr;
    // A key or command that showed a box may still run on it: the last
    // hold frees it then.
    if (RetireContext(context_) && environment_.destroyContext) environment_.destroyContext(context_);
    context_ = nullptr;
  }
  return S_OK;
}

bool CTextService::CreateContext() {
  if (!environment_.createContext) return false;
  context_ = environment_.createContext();
  if (!context_) return false;
  context_->textService = this;
  return true;
}

static_assert(TF_CONVERSIONMODE_NATIVE == kModeNative && TF_CONVERSIONMODE_FULLSHAPE == kModeFullShape &&
              TF_CONVERSIONMODE_NOCONVERSION == kModeNoConversion &&
              TF_CONVERSIONMODE_SYMBOL == kModeSymbol);

void CTextService::ChooseConversionMode() {
  LONG mode = 0;
  const bool hostSet = ReadCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION,
                                       &mode) == S_OK;
  const ImeConfigBlock* ime = context_->imeBlock;
  if (ime && (ime->spaceWord & ImeBits::kCustomConversion)) {
    mode = static_cast<LONG>(ime->conversionMode);
    if (mode & TF_CONVERSIONMODE_NOCONVERSION) {
      mode &= ~TF_CONVERSIONMODE_NATIVE;
    } else {
      mode |= TF_CONVERSIONMODE_NATIVE;
    }
  } else if (!hostSet) {
    // Nobody set a mode on this thread: an empty compartment would mean ASCII
    // punctuation; start with the settings' punctuation, as IMM32 contexts do.
    mode = TF_CONVERSIONMODE_NATIVE |
           (ime ? static_cast<LONG>(ime->conversionMode) & TF_CONVERSIONMODE_SYMBOL : TF_CONVERSIONMODE_SYMBOL);
  } else {
    mode = (mode & ~TF_CONVERSIONMODE_NOCONVERSION) | TF_CONVERSIONMODE_NATIVE;
  }
  SetConversionMode(mode);
  context_->stateFlags = StateFromConversion(static_cast<uint32_t>(mode));
}

bool CTextService::AdviseKeyEventSink() {
  ComPtr<ITfKeystrokeMgr> keystrokes;
  if (FAILED(threadMgr_.As(&keystrokes))) return false;
  // A sink left from an earlier activation of this client would refuse the new one.
  keystrokes->UnadviseKeyEventSink(clientId_);
  if (FAILED(keystrokes->AdviseKeyEventSink(clientId_, static_cast<ITfKeyEventSink*>(this), TRUE)))
    return false;
  keySinkAdvised_ = true;
  return true;
}

void CTextService::RegisterDisplayAttributeAtoms() {
  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&categories)))) {
    return;  // no atoms: the composition simply carries no attribute
  }
  if (FAILED(categories->RegisterGUID(ProductGuids::kDisplayAttributeInput, &inputAtom_)))
    inputAtom_ = TF_INVALID_GUIDATOM;
  if (FAILED(categories->RegisterGUID(ProductGuids::kDisplayAttributeConverted, &convertedAtom_)))
    convertedAtom_ = TF_INVALID_GUIDATOM;
  if (FAILED(categories->RegisterGUID(ProductGuids::kDisplayAttributeNone, &noneAtom_)))
    noneAtom_ = TF_INVALID_GUIDATOM;
}
