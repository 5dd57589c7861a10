// CTextService: the module's TSF text service. One class serves every sink
// interface; its methods are spread over one file per interface group
// (TextService.cpp, Activation.cpp, FocusSinks.cpp, Compartments.cpp,
// PreservedKeys.cpp, KeyEventSink.cpp, EditSessions.cpp, Composition.cpp,
// TextEditSink.cpp, Functions.cpp, DisplayAttributes.cpp).
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>

#include "engine/ImeContext.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/tsf/ModuleObjects.h"
#include "frontend/tsf/TsfDeclarations.h"

using Microsoft::WRL::ComPtr;

class KeyHandlerEditSession;

// What a text service needs from outside the framework: where its input
// context comes from, and the skinned windows (null: none are shown). Tests
// pass their own; the module uses the defaults.
struct TextServiceEnvironment {
  ImeContext* (*createContext)() = nullptr;
  void (*destroyContext)(ImeContext*) = nullptr;
  ImeWindows* windows = nullptr;
  // The clock of the lone-modifier rule (null: the real one).
  const OsServices* clock = nullptr;
  // Reads the thread's keyboard state (null: GetKeyboardState).
  bool (*readKeyboard)(uint8_t state[256]) = nullptr;
};

// The default environment: the data folder of the installed product.
const TextServiceEnvironment& DefaultTextServiceEnvironment();

class CTextService final : public ITfTextInputProcessorEx,
                     public ITfThreadMgrEventSink,
                     public ITfTextEditSink,
                     public ITfKeyEventSink,
                     public ITfCompositionSink,
                     public ITfDisplayAttributeProvider,
                     public ITfActiveLanguageProfileNotifySink,
                     public ITfThreadFocusSink,
                     public ITfCompartmentEventSink,
                     public ITfFnConfigure,
                     public ITfFnReconversion {
 public:
  static constexpr int kCompositionSlots = 5;
  // 32 combination keys of the settings plus Shift+Space and Ctrl+.
  static constexpr int kPreservedKeyCapacity = 34;
  // Units of held text (association mode) before its composition is ended.
  static constexpr int kHeldTextUnits = 128;

  explicit CTextService(const TextServiceEnvironment& environment = DefaultTextServiceEnvironment());
  CTextService(const CTextService&) = delete;
  CTextService& operator=(const CTextService&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITfTextInputProcessor(Ex)
  HRESULT STDMETHODCALLTYPE Activate(ITfThreadMgr* threadMgr, TfClientId clientId) override;
  HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* threadMgr, TfClientId clientId, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;

  // ITfThreadMgrEventSink
  HRESULT STDMETHODCALLTYPE OnInitDocumentMgr(ITfDocumentMgr*) override;
  HRESULT STDMETHODCALLTYPE OnUninitDocumentMgr(ITfDocumentMgr*) override;
  HRESULT STDMETHODCALLTYPE OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr* previous) override;
  HRESULT STDMETHODCALLTYPE OnPushContext(ITfContext*) override;
  HRESULT STDMETHODCALLTYPE OnPopContext(ITfContext* context) override;

  // ITfTextEditSink
  HRESULT STDMETHODCALLTYPE OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) override;

  // ITfKeyEventSink
  HRESULT STDMETHODCALLTYPE OnSetFocus(BOOL foreground) override;
  HRESULT STDMETHODCALLTYPE OnTestKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnTestKeyUp(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnKeyUp(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;

  // ITfCompositionSink
  HRESULT STDMETHODCALLTYPE OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition) override;

  // ITfDisplayAttributeProvider
  HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) override;

  // ITfActiveLanguageProfileNotifySink
  HRESULT STDMETHODCALLTYPE OnActivated(REFCLSID clsid, REFGUID profile, BOOL activated) override;

  // ITfThreadFocusSink
  HRESULT STDMETHODCALLTYPE OnSetThreadFocus() override;
  HRESULT STDMETHODCALLTYPE OnKillThreadFocus() override;

  // ITfCompartmentEventSink
  HRESULT STDMETHODCALLTYPE OnChange(REFGUID guid) override;

  // ITfFunction, ITfFnConfigure, ITfFnReconversion
  HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* name) override;
  HRESULT STDMETHODCALLTYPE Show(HWND parent, LANGID language, REFGUID profile) override;
  HRESULT STDMETHODCALLTYPE QueryRange(ITfRange* range, ITfRange** newRange, BOOL* convertible) override;
  HRESULT STDMETHODCALLTYPE GetReconversion(ITfRange* range, ITfCandidateList** list) override;
  HRESULT STDMETHODCALLTYPE Reconvert(ITfRange* range) override;

  // ---- Used by the edit sessions (a live edit cookie) ----
  bool HasComposition(ITfContext* context) const;
  // Starts a composition at the selection when the context has none.
  bool EnsureComposition(TfEditCookie ec, ITfContext* context);
  // Shows the typed code: the code itself in inline mode, else a placeholder
  // space with the caret before it (the skinned window shows the code). In
  // association mode the committed text stays shown, marked as converted.
  void ShowComposition(TfEditCookie ec, ITfContext* context, const wchar_t* text, int units, int caret,
                       bool associations);
  // Puts committed text into the document at the composition with the caret
  // after it. It stays inside the composition (association mode shows it
  // there) until the composition ends; before the held text would pass
  // kHeldTextUnits that composition ends and a new one takes what follows.
  void CommitText(TfEditCookie ec, ITfContext* context, const wchar_t* text, int units);
  // Ends the composition of the context in this session and frees its slot.
  // Committed text stays; a typed code or the placeholder space goes.
  void EndComposition(TfEditCookie ec, ITfContext* context);
  // Ends every recorded composition of the context (null: all contexts).
  void EndCompositionsOf(TfEditCookie ec, ITfContext* context);
  // The runner's work inside a session (RunnerSessions.cpp).
  HRESULT RunPendingKeyIn(TfEditCookie ec, ITfContext* context);
  HRESULT RunCommandIn(TfEditCookie ec, ITfContext* context, int kind, int a, int b);
  HRESULT CancelIn(TfEditCookie ec, ITfContext* context);
  // Reports of the runner that concern no document (SessionOutput).
  void CandidatesChanged(const CandidateView& view);
  void StatusChanged(uint32_t changes);
  void SoftKeyboardChanged();

  // ---- Outside a session ----
  // Ends the context's composition and drops the typed input: at once
  // inside a session, else through a session of its own.
  void RequestEndComposition(ITfContext* context);

  // Commands that run through the key runner in a session of their own
  // (menus, preserved keys): kinds of RunCommandIn.
  enum CommandKind { kMenuCommand = 1, kCombinationKey = 2 };
  bool RunCommand(ITfContext* context, int kind, int a, int b);

  ImeContext* imeContext() const { return context_; }
  TfClientId clientId() const { return clientId_; }
  bool inEditSession() const { return sessionDepth_ > 0; }
  DWORD activationFlags() const { return activationFlags_; }
  // A modern-UI context: the caret fallback of window placement is not used.
  bool immersive() const { return activationFlags_ == TF_TMF_IMMERSIVEMODE; }
  KeyRunner& runner() { return runner_; }

  // Edit-session bookkeeping (EditSessions.cpp).
  void EnterSession(TfEditCookie ec) {
    ++sessionDepth_;
    sessionCookie_ = ec;
  }
  void LeaveSession() { --sessionDepth_; }

 private:
  ~CTextService();

  // What a composition's range holds.
  enum class Content { kNothing, kPlaceholder, kCode, kCommitted };
  struct CompositionSlot {
    ComPtr<ITfComposition> composition;
    ComPtr<ITfContext> context;
    Content content = Content::kNothing;
  };
  struct PreservedKeyRecord {
    GUID guid;
    TF_PRESERVEDKEY key;
  };

  // Activation steps (Activation.cpp).
  bool CreateContext();
  void ChooseConversionMode();
  bool AdviseThreadMgrSinks();
  bool AdviseKeyEventSink();
  void RegisterDisplayAttributeAtoms();
  bool InitLanguageBar();
  void ReleaseComposition(int slot);

  // The status display (StatusDisplay.cpp).
  bool StatusBarWanted() const;
  void ShowStatusDisplay();
  void HideStatusDisplay();
  void RefreshStatusDisplay();

  // Document focus (FocusSinks.cpp).
  bool HookDocument(ITfDocumentMgr* documentMgr);
  void UnhookDocument();

  // Compartments (Compartments.cpp).
  HRESULT ReadCompartment(IUnknown* owner, REFGUID guid, LONG* value) const;
  HRESULT WriteCompartment(IUnknown* owner, REFGUID guid, LONG value);
  bool AdviseOpenCloseSink();
  void UnadviseOpenCloseSink();

 public:
  LONG GetKeyboardOpen() const;
  HRESULT SetKeyboardOpen(LONG open);
  LONG GetConversionMode() const;
  HRESULT SetConversionMode(LONG mode);
  // Disabled, or the empty-context compartment set, or no focused context.
  bool IsKeyboardDisabled() const;

  // Preserved keys (PreservedKeys.cpp): returns false only when the
  // keystroke manager cannot be had.
  bool RegisterPreservedKeys();
  void UnregisterPreservedKeys();

 private:
  int FindSlot(ITfContext* context) const;
  int FreeSlot() const;
  void SetCompositionAttribute(TfEditCookie ec, int slot, TfGuidAtom atom);
  void ClearCompositionAttribute(TfEditCookie ec, int slot);
  bool InlineMode() const;
  // Whether the key runner's pending key, or a command, may ask the user
  // something (a message box must never be shown inside an edit session).
  bool MayAsk(uint64_t flags) const;
  bool TakeKey(ITfContext* context, WPARAM wParam, LPARAM lParam, KeyDecision* decision);
  bool RunPendingKey(ITfContext* context);
  bool RunPendingKeyAsking(ITfContext* context);

  LONG refs_ = 1;
  ModuleObjectToken token_;
  TextServiceEnvironment environment_;
  ImeContext* context_ = nullptr;
  ComPtr<ITfThreadMgr> threadMgr_;
  TfClientId clientId_ = TF_CLIENTID_NULL;
  DWORD activationFlags_ = 0;
  bool keySinkAdvised_ = false;
  DWORD threadMgrSinkCookie_ = TF_INVALID_COOKIE;
  DWORD threadFocusSinkCookie_ = TF_INVALID_COOKIE;
  DWORD profileSinkCookie_ = TF_INVALID_COOKIE;
  DWORD openCloseSinkCookie_ = TF_INVALID_COOKIE;
  ComPtr<ITfContext> currentContext_;
  DWORD textEditSinkCookie_ = TF_INVALID_COOKIE;
  TfGuidAtom inputAtom_ = TF_INVALID_GUIDATOM;
  TfGuidAtom convertedAtom_ = TF_INVALID_GUIDATOM;
  TfGuidAtom noneAtom_ = TF_INVALID_GUIDATOM;
  CompositionSlot slots_[kCompositionSlots];
  PreservedKeyRecord preserved_[kPreservedKeyCapacity] = {};
  int preservedCount_ = 0;
  int sessionDepth_ = 0;
  TfEditCookie sessionCookie_ = 0;
  // Text committed in the current association chain, kept in the composition.
  wchar_t held_[kHeldTextUnits + 1] = {};
  int heldUnits_ = 0;
  KeyRunner runner_;
  ComPtr<KeyHandlerEditSession> keySession_;
  struct TestedKeyUp {
    bool valid = false;
    ITfContext* context = nullptr;  // compared only, never used
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool take = false;
  };
  TestedKeyUp testedUp_;
  bool inEndEdit_ = false;  // OnEndEdit runs under the host's read lock
};
