// The key runner inside the text service's edit sessions: one session
// applies the whole result of a key or command. Keys and commands that may
// ask the user something run outside any session and have their result
// applied in a new one, so no message box is ever shown while the document
// is locked.
#include "frontend/tsf/TextService.h"

#include "frontend/common/ContextLifetime.h"
#include "frontend/tsf/EditSessions.h"
#include "frontend/tsf/SessionOutput.h"

namespace {

// Menu commands that never touch the document (launches and no-ops): they
// need no edit session, and work with no document focused.
bool LeavesDocumentAlone(const ServiceCommand& command) {
  if (command.kind != ServiceCommand::kMenu) return false;
  switch (command.code) {
    case MenuCommand::kConfigMain:
    case MenuCommand::kKeyboardMap:
    case MenuCommand::kAbout:
    case MenuCommand::kHelp:
    case MenuCommand::kNothing6:
    case MenuCommand::kHelpLink:
    case MenuCommand::kAddWord:
    case MenuCommand::kNothing16:
    case MenuCommand::kNothing4096:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CTextService::MayAsk(uint64_t flags) const {
  return (flags & (KeyFunction::kDeleteWord | KeyFunction::kEntryOperation | KeyFunction::kDeleteEntry)) != 0;
}

bool CTextService::MayAsk(const ServiceCommand& command) const {
  switch (command.kind) {
    case ServiceCommand::kMenu:
      return command.code == MenuCommand::kEntryCommand;
    case ServiceCommand::kCombinationKey:
      return context_ && context_->dmeBlock && command.code >= 0 && command.code < kCombinationCapacity &&
             MayAsk(context_->dmeBlock->combinations[command.code].flags);
    case ServiceCommand::kKeyFunction:
      return MayAsk(command.flags);
    case ServiceCommand::kSoftKeyboard:
      return false;
  }
  return false;
}

int CTextService::RunWith(const ServiceCommand& command, KeyRunnerOutput& output) {
  if (!context_) return 0;
  switch (command.kind) {
    case ServiceCommand::kMenu:
      return runner_.RunMenuCommand(context_, command.code, static_cast<int>(command.a),
                                    static_cast<int>(command.b), output);
    case ServiceCommand::kCombinationKey:
      return runner_.RunCombinationKey(context_, command.code, output);
    case ServiceCommand::kKeyFunction:
      return runner_.RunKeyFunction(context_, command.flags, output);
    case ServiceCommand::kSoftKeyboard:
      return runner_.SetSoftKeyboard(context_, static_cast<int>(command.a), static_cast<int>(command.b), output);
  }
  return 0;
}

HRESULT CTextService::RunPendingKeyIn(TfEditCookie ec, ITfContext* context) {
  if (!context_) return E_FAIL;
  SessionOutput output(this, ec, context);
  runner_.RunPendingKey(context_, output);
  return S_OK;
}

HRESULT CTextService::RunCommandIn(TfEditCookie ec, ITfContext* context, const ServiceCommand& command) {
  if (!context_) return E_FAIL;
  SessionOutput output(this, ec, context);
  RunWith(command, output);
  return S_OK;
}

int CTextService::ExecuteKeyCommand(TfEditCookie ec, ITfContext* context, uint64_t flags) {
  if (!context_) return 0;
  SessionOutput output(this, ec, context);
  return runner_.RunKeyFunction(context_, flags, output);
}

HRESULT CTextService::CancelIn(TfEditCookie ec, ITfContext* context) {
  if (context_) {
    SessionOutput output(this, ec, context);
    runner_.Cancel(context_, output);
  }
  // Whatever the runner had open, the document keeps no composition of ours.
  EndComposition(ec, context);
  return S_OK;
}

bool CTextService::RunPendingKey(ITfContext* context) {
  // A box runs the host's message loop, where the framework may deactivate
  // the service and drop its last reference.
  ComPtr<CTextService> self(this);
  ContextHold hold(context_, environment_.destroyContext);
  if (MayAsk(context_->pendingKeyFlags)) return RunPendingKeyAsking(context);
  // Deactivated inside the session (the box of a launch that failed), the
  // service lets its key session go: this call keeps it to the end.
  ComPtr<KeyHandlerEditSession> session = keySession_;
  if (!session) return false;
  session->Bind(context);
  HRESULT result = E_FAIL;
  const HRESULT hr = context->RequestEditSession(clientId_, session.Get(), TF_ES_SYNC | TF_ES_READWRITE, &result);
  session->Bind(nullptr);
  return SUCCEEDED(hr) && result == S_OK;
}

bool CTextService::RunPendingKeyAsking(ITfContext* context) {
  ImeContext* running = context_;
  RecordedOutput recorded;
  runner_.RunPendingKey(running, recorded);
  // Deactivated while the box was open: the document gets nothing more.
  if (recorded.empty() || context_ != running || ContextRetired(running)) return true;
  const HRESULT hr = RequestSession(context, clientId_, new ReplayEditSession(this, context, &recorded),
                                    TF_ES_SYNC | TF_ES_READWRITE);
  if (hr != S_OK) runner_.CompositionEnded(context_);
  return true;
}

bool CTextService::RunCommand(ITfContext* context, const ServiceCommand& command) {
  if (!context_) return false;
  ComPtr<CTextService> self(this);  // as for a key
  ImeContext* running = context_;
  ContextHold hold(running, environment_.destroyContext);
  // Deactivation inside a box lets the current context go; the call keeps it.
  ComPtr<ITfContext> document = context ? context : currentContext_.Get();
  context = document.Get();
  if (inEditSession() && context) {
    SessionOutput output(this, sessionCookie_, context);
    RunWith(command, output);
    return true;
  }
  if (!context || LeavesDocumentAlone(command)) {
    DocumentlessOutput output(this);
    RunWith(command, output);
    return true;
  }
  if (MayAsk(command)) {
    RecordedOutput recorded;
    RunWith(command, recorded);
    if (context_ != running || ContextRetired(running)) return true;
    if (!recorded.empty() &&
        RequestSession(context, clientId_, new ReplayEditSession(this, context, &recorded),
                       TF_ES_SYNC | TF_ES_READWRITE) != S_OK) {
      runner_.CompositionEnded(context_);
    }
    return true;
  }
  HRESULT hr = RequestSession(context, clientId_, new CommandEditSession(this, context, command),
                              TF_ES_SYNC | TF_ES_READWRITE);
  // Asked from inside the host's own lock: the command runs right after it.
  if (hr == TF_E_SYNCHRONOUS || hr == TF_E_LOCKED)
    hr = RequestSession(context, clientId_, new CommandEditSession(this, context, command), TF_ES_READWRITE);
  return hr == S_OK || hr == TF_S_ASYNC;
}

void CTextService::StatusChanged(uint32_t changes) {
  if (!context_) return;
  const ImeContext* running = context_;
  const uint32_t state = context_->stateFlags;
  if (changes & StatusChange::kConversion) {
    LONG mode = GetConversionMode();
    const auto set = [&mode](LONG bit, bool on) { mode = on ? (mode | bit) : (mode & ~bit); };
    set(TF_CONVERSIONMODE_NOCONVERSION, (state & kStateEnglish) != 0);
    set(TF_CONVERSIONMODE_NATIVE, (state & kStateEnglish) == 0);
    set(TF_CONVERSIONMODE_FULLSHAPE, (state & kStateFullWidth) != 0);
    set(TF_CONVERSIONMODE_SYMBOL, (state & kStateEnglishPunct) == 0);
    SetConversionMode(mode);
  }
  if ((changes & StatusChange::kOpenClose) && threadMgr_) {
    const LONG open = (state & kStateInputClosed) ? 0 : 1;
    if (GetKeyboardOpen() != open) SetKeyboardOpen(open);
  }
  // The compartments' change sinks run inside those writes; one of them may
  // have deactivated the service.
  if (context_ != running) return;
  if (changes & StatusChange::kSkin) {
    // The settings were rewritten: the buttons and the display start again.
    InitLanguageBar();
  } else if (changes & StatusChange::kStatusWindow) {
    if (StatusBarWanted()) {
      environment_.windows->ShowStatusWindow(context_);
    } else if (activationFlags_ == 0 && !LanguageBarMode() && environment_.windows) {
      environment_.windows->HideStatusWindow(context_);
    }
  }
  if ((changes & StatusChange::kCandidateWindow) && candidateList_ && candidateList_->begun() &&
      candidateList_->ownWindow()) {
    PlaceCandidateWindow();
  }
  RefreshStatusDisplay();
}

void CTextService::SoftKeyboardChanged() {
  ImeWindows* windows = environment_.windows;
  if (!windows || !context_) return;
  if (context_->stateFlags & kStateSoftKeyboard) {
    windows->ShowSoftKeyboard(context_);
  } else {
    windows->HideSoftKeyboard(context_);
  }
}
