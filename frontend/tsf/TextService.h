// CTextService: the module's TSF text service. One class serves every sink
// interface; its methods are spread over one file per interface group
// (TextService.cpp, Activation.cpp, FocusSinks.cpp, Compartments.cpp,
// PreservedKeys.cpp, KeyEventSink.cpp, EditSessions.cpp, Composition.cpp,
// TextEditSink.cpp, Functions.cpp, DisplayAttributes.cpp, CandidatePlacement.cpp,
// LanguageBar.cpp, StatusDisplay.cpp, TextServiceCommands.cpp).
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>

#include "engine/ImeContext.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/tsf/CandidateListUIElement.h"
#include "frontend/tsf/LangBarItem.h"
#include "frontend/tsf/ModuleObjects.h"
#include "frontend/tsf/TsfDeclarations.h"

using Microsoft::WRL::ComPtr;

class KeyHandlerEditSession;

// Tells an application that reads IMM32 notifications that the candidate
// list of its focus window opened, changed or closed (IMN_OPENCANDIDATE,
// IMN_CHANGECANDIDATE, IMN_CLOSECANDIDATE, with the candidate lists as a
// bit mask). The IMM32 front end implements it: it sends only when the
// window's input context belongs to that window.
using ImmCandidateNotifier = void (*)(HWND focusWindow, WPARAM notification, LPARAM lists);

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
  // The per-user display-attribute overrides (null: the real registry).
  const OsServices* registry = nullptr;
  // Candidate-list notifications for IMM32 applications (null: none sent).
  ImmCandidateNotifier notifyImm = nullptr;
};

// The default environment: the data folder of the installed product, and
// whatever the module registered for the windows and the IMM32 notices.
const TextServiceEnvironment& DefaultTextServiceEnvironment();
// Set by the module at attach, before any text service is made.
void SetDefaultTextServiceWindows(ImeWindows* windows);
void SetImmCandidateNotifier(ImmCandidateNotifier notifier);

// A piece of the key runner's work asked for by a menu, a button, a window
// or a preserved key (CTextService::RunCommand).
struct ServiceCommand {
  enum Kind { kMenu, kCombinationKey, kKeyFunction, kSoftKeyboard };
  Kind kind = kMenu;
  int code = 0;      // menu command, or combination-key slot
  intptr_t a = 0;    // menu: wParam; soft keyboard: the request
  intptr_t b = 0;    // menu: lParam; soft keyboard: the layout
  uint64_t flags = 0;  // key-function flags

  static ServiceCommand Menu(int command, intptr_t wParam = 0, intptr_t lParam = 0) {
    return ServiceCommand{kMenu, command, wParam, lParam, 0};
  }
  static ServiceCommand KeyFunction(uint64_t flags) { return ServiceCommand{kKeyFunction, 0, 0, 0, flags}; }
};

// The target of the skinned windows' commands on text-service contexts; the
// module registers it at attach.
class WindowCommandTarget;
WindowCommandTarget& TextServiceWindowCommands();

// A BSTR of the product's display name in the settings (bounded: the field
// is shared memory and need not be terminated).
HRESULT ProductDisplayName(const ImeContext* context, BSTR* name);

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
  HRESULT RunCommandIn(TfEditCookie ec, ITfContext* context, const ServiceCommand& command);
  HRESULT CancelIn(TfEditCookie ec, ITfContext* context);
  // Key-function flags with no key behind them, in the running session.
  int ExecuteKeyCommand(TfEditCookie ec, ITfContext* context, uint64_t flags);
  // Reports of the runner that concern no document (SessionOutput).
  void StatusChanged(uint32_t changes);
  void SoftKeyboardChanged();

  // ---- The candidate list (CandidatePlacement.cpp) ----
  // After every change of the candidates of the context's composition:
  // begins the UI element, or tells the framework of the change, and places
  // the service's own candidate window when it draws the list.
  void UpdateCandidateList(TfEditCookie ec, ITfContext* context);
  // Ends the UI element of the composition and hides the candidate window.
  void EndCandidateList();
  // The host's layout changed: measure the composition again (a read
  // session of its own).
  void RemeasureTextExtent(ITfContext* context, ITfContextView* view);
  // Body of that session.
  void MeasureTextExtent(TfEditCookie ec, ITfContextView* view, ITfRange* range);
  // Puts the candidate window below the stored text extent (or the caret).
  void PlaceCandidateWindow();
  CCandidateList* candidateList() const { return candidateList_.Get(); }

  // ---- Outside a session ----
  // Ends the context's composition and drops the typed input: at once
  // inside a session, else through a session of its own.
  void RequestEndComposition(ITfContext* context);

  // Runs a command of the key runner on context (null: the current one):
  // in an edit session when it may touch the document, outside one when it
  // cannot (launches) or when there is no document, and with the question a
  // command may ask shown before any session. False when the document
  // refused the session (nothing changed).
  bool RunCommand(ITfContext* context, const ServiceCommand& command);

  // ---- Commands of the menus, buttons and windows (TextServiceCommands.cpp) ----
  // 1 when the command was handled.
  int ExecuteTextServiceCommand(int command, WPARAM wParam, LPARAM lParam);
  // Soft keyboard on with a layout, off, or toggled (see KeyRunner).
  int SetTsfSoftKeyboard(int request, int layout);

  // ---- The status display and the language bar (StatusDisplay.cpp, LanguageBar.cpp) ----
  bool InitLanguageBar();
  void RemoveLanguageBar();
  void ShowStatusDisplay();
  void HideStatusDisplay();
  void RefreshStatusDisplay();
  // Brings the closed and disabled state bits in step with the compartments
  // and returns the indicator value: 0 Chinese, 1 English, 2 Caps Lock, 3
  // disabled, 4 closed. A new value shows as a tip in immersive contexts.
  int UpdateInputStateIndicator();
  // A short tip below the caret of the focused document.
  void ShowTipAtCaret(const wchar_t* text);
  // The window of the current context's active view, or null.
  HWND GetFocusWindow() const;
  CLangBarItem* langBarItem(LangBarButton button) const { return langBar_[static_cast<int>(button)].Get(); }
  // What the buttons do (called by CLangBarItem).
  HRESULT LangBarClick(LangBarButton button, TfLBIClick click);
  HRESULT LangBarInitMenu(LangBarButton button, ITfMenu* menu);
  HRESULT LangBarMenuSelect(LangBarButton button, UINT id);
  int LangBarIcon(LangBarButton button) const;

  TfGuidAtom inputAtom() const { return inputAtom_; }
  TfGuidAtom convertedAtom() const { return convertedAtom_; }

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
  void ReleaseComposition(int slot);

  // The status display (StatusDisplay.cpp).
  bool StatusBarWanted() const;
  bool LanguageBarMode() const;
  void UpdateLangBarItems(bool all);
  bool AddLangBarItem(ITfLangBarItemMgr* manager, LangBarButton button);
  void ShowFunctionMenu(POINT hiddenOwnerAt);
  bool ReadKeyboard(uint8_t state[256]) const;
  bool CapsLockOn() const;

  // Candidate placement (CandidatePlacement.cpp).
  void MeasureAtBegin(TfEditCookie ec, ITfContext* context, ITfRange* range);
  void NotifyImmCandidates(WPARAM notification);
  int RunWith(const ServiceCommand& command, KeyRunnerOutput& output);

  // Document focus (FocusSinks.cpp).
  bool HookDocument(ITfDocumentMgr* documentMgr);
  bool HookContext(ITfContext* context);
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
  bool MayAsk(const ServiceCommand& command) const;
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
  ComPtr<CCandidateList> candidateList_;
  // The composition's text extent (client coordinates of the focus window)
  // and the focus window's rectangle when it was measured (screen).
  RECT textExtent_ = {};
  RECT focusWindowRect_ = {};
  ComPtr<CLangBarItem> langBar_[kLangBarButtons];
  int lastIndicator_ = -1;
};
