// A fake TSF host that drives a text service through its COM interfaces
// only: thread manager (source, keystroke manager, compartments, UI-element
// manager, optional language-bar manager), document managers, and contexts
// over a plain text document with ranges, compositions and the attribute
// property. Its lock model is strict: a synchronous session runs at once,
// requests made inside a lock are queued and run in order after it,
// OnEndEdit follows each outer session, and every document call checks its
// edit cookie (faults are counted, and tests fail on any).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/tsf/host/FakeCom.h"

namespace fakehost {

class FakeContext;
class FakeRange;

// ---- Compartments ----

class FakeCompartment : public FakeCom<ITfCompartment, ITfSource> {
 public:
  explicit FakeCompartment(int* sinkCount) : sinkCount_(sinkCount) {}
  HRESULT STDMETHODCALLTYPE SetValue(TfClientId tid, const VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE GetValue(VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override;
  void Set(const GUID& guid, LONG value);  // as another client would
  const GUID& guid() const { return guid_; }
  void SetGuid(const GUID& guid) { guid_ = guid; }

 private:
  ~FakeCompartment() override;
  void Notify();
  GUID guid_{};
  VARIANT value_{};
  std::map<DWORD, ComPtr<ITfCompartmentEventSink>> sinks_;
  DWORD nextCookie_ = 1;
  int* sinkCount_;
};

class FakeCompartmentMgr : public FakeCom<ITfCompartmentMgr> {
 public:
  explicit FakeCompartmentMgr(int* sinkCount) : sinkCount_(sinkCount) {}
  HRESULT STDMETHODCALLTYPE GetCompartment(REFGUID guid, ITfCompartment** out) override;
  HRESULT STDMETHODCALLTYPE ClearCompartment(TfClientId, REFGUID guid) override;
  HRESULT STDMETHODCALLTYPE EnumCompartments(IEnumGUID** out) override;
  FakeCompartment* Find(const GUID& guid);
  LONG ValueOf(const GUID& guid);  // VT_I4 value, 0 when missing
  void SetValue(const GUID& guid, LONG value);
  bool broken = false;  // every GetCompartment fails

 private:
  std::vector<ComPtr<FakeCompartment>> compartments_;
  int* sinkCount_;
};

// ---- Document: text, selection, live range anchors, attribute spans ----

// Where an anchor at p goes when [at, at + removed) becomes `inserted` units.
LONG MoveAnchor(LONG p, LONG at, LONG removed, LONG inserted, bool forward);

struct AttributeSpan {
  LONG start;
  LONG end;
  LONG atom;
};

class FakeRange : public FakeCom<ITfRange> {
 public:
  FakeRange(FakeContext* context, LONG start, LONG end);
  LONG start() const { return start_; }
  LONG end() const { return end_; }
  void Adjust(LONG at, LONG removed, LONG inserted);
  void SetAnchors(LONG start, LONG end) {
    start_ = start;
    end_ = end;
  }

  HRESULT STDMETHODCALLTYPE GetText(TfEditCookie ec, DWORD flags, WCHAR* text, ULONG max, ULONG* got) override;
  HRESULT STDMETHODCALLTYPE SetText(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG len) override;
  HRESULT STDMETHODCALLTYPE GetFormattedText(TfEditCookie, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEmbedded(TfEditCookie, REFGUID, REFIID, IUnknown**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InsertEmbedded(TfEditCookie, DWORD, IDataObject*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShiftStart(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) override;
  HRESULT STDMETHODCALLTYPE ShiftEnd(TfEditCookie ec, LONG req, LONG* moved, const TF_HALTCOND*) override;
  HRESULT STDMETHODCALLTYPE ShiftStartToRange(TfEditCookie ec, ITfRange* range, TfAnchor pos) override;
  HRESULT STDMETHODCALLTYPE ShiftEndToRange(TfEditCookie ec, ITfRange* range, TfAnchor pos) override;
  HRESULT STDMETHODCALLTYPE ShiftStartRegion(TfEditCookie, TfShiftDir, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShiftEndRegion(TfEditCookie, TfShiftDir, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsEmpty(TfEditCookie ec, BOOL* empty) override;
  HRESULT STDMETHODCALLTYPE Collapse(TfEditCookie ec, TfAnchor anchor) override;
  HRESULT STDMETHODCALLTYPE IsEqualStart(TfEditCookie ec, ITfRange* with, TfAnchor a, BOOL* eq) override;
  HRESULT STDMETHODCALLTYPE IsEqualEnd(TfEditCookie ec, ITfRange* with, TfAnchor a, BOOL* eq) override;
  HRESULT STDMETHODCALLTYPE CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor a, LONG* result) override;
  HRESULT STDMETHODCALLTYPE CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor a, LONG* result) override;
  HRESULT STDMETHODCALLTYPE AdjustForInsert(TfEditCookie, ULONG, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetGravity(TfGravity* start, TfGravity* end) override;
  HRESULT STDMETHODCALLTYPE SetGravity(TfEditCookie ec, TfGravity start, TfGravity end) override;
  HRESULT STDMETHODCALLTYPE Clone(ITfRange** clone) override;
  HRESULT STDMETHODCALLTYPE GetContext(ITfContext** context) override;

 private:
  ~FakeRange() override;
  static FakeRange* From(ITfRange* range);
  FakeContext* context_;  // counted through contextRef_
  ComPtr<ITfContext> contextRef_;
  LONG start_;
  LONG end_;
  TfGravity startGravity_ = TF_GRAVITY_BACKWARD;
  TfGravity endGravity_ = TF_GRAVITY_FORWARD;
};

class FakeComposition : public FakeCom<ITfComposition, ITfCompositionView> {
 public:
  FakeComposition(FakeContext* context, FakeRange* range, ITfCompositionSink* sink);
  HRESULT STDMETHODCALLTYPE GetRange(ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE ShiftStart(TfEditCookie ec, ITfRange* newStart) override;
  HRESULT STDMETHODCALLTYPE ShiftEnd(TfEditCookie ec, ITfRange* newEnd) override;
  HRESULT STDMETHODCALLTYPE EndComposition(TfEditCookie ec) override;
  HRESULT STDMETHODCALLTYPE GetOwnerClsid(CLSID* clsid) override;
  bool ended() const { return ended_; }
  FakeRange* range() const { return range_.Get(); }
  ITfCompositionSink* sink() const { return sink_.Get(); }
  void MarkEnded();

 private:
  ~FakeComposition() override = default;
  FakeContext* context_;
  ComPtr<FakeRange> range_;
  ComPtr<ITfCompositionSink> sink_;
  bool ended_ = false;
};

class FakeProperty : public FakeCom<ITfProperty> {
 public:
  explicit FakeProperty(FakeContext* context) : context_(context) {}
  HRESULT STDMETHODCALLTYPE GetType(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetValue(TfEditCookie ec, ITfRange* range, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE GetContext(ITfContext** context) override;
  HRESULT STDMETHODCALLTYPE FindRange(TfEditCookie, ITfRange*, ITfRange**, TfAnchor) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetValueStore(TfEditCookie, ITfRange*, ITfPropertyStore*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE Clear(TfEditCookie ec, ITfRange* range) override;

 protected:
  void* Extra(REFIID riid) override;

 private:
  ~FakeProperty() override = default;
  FakeContext* context_;
};

class FakeContextView : public FakeCom<ITfContextView> {
 public:
  explicit FakeContextView(FakeContext* context) : context_(context) {}
  HRESULT STDMETHODCALLTYPE GetRangeFromPoint(TfEditCookie, const POINT*, DWORD, ITfRange**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTextExt(TfEditCookie ec, ITfRange* range, RECT* rect, BOOL* clipped) override;
  HRESULT STDMETHODCALLTYPE GetScreenExt(RECT* rect) override;
  HRESULT STDMETHODCALLTYPE GetWnd(HWND* window) override;

 private:
  ~FakeContextView() override = default;
  FakeContext* context_;
};

class FakeEditRecord : public FakeCom<ITfEditRecord> {
 public:
  explicit FakeEditRecord(bool selectionChanged) : selectionChanged_(selectionChanged) {}
  HRESULT STDMETHODCALLTYPE GetSelectionStatus(BOOL* changed) override {
    *changed = selectionChanged_ ? TRUE : FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTextAndPropertyUpdates(DWORD, const GUID**, ULONG, IEnumTfRanges**) override {
    return E_NOTIMPL;
  }

 private:
  ~FakeEditRecord() override = default;
  bool selectionChanged_;
};

class FakeThreadMgr;
class FakeDocumentMgr;

class FakeContext : public FakeCom<ITfContext, ITfSource, ITfInsertAtSelection, ITfContextComposition> {
 public:
  FakeContext(FakeThreadMgr* threadMgr, FakeDocumentMgr* documentMgr);

  // ITfContext
  HRESULT STDMETHODCALLTYPE RequestEditSession(TfClientId tid, ITfEditSession* session, DWORD flags,
                                               HRESULT* sessionResult) override;
  HRESULT STDMETHODCALLTYPE InWriteSession(TfClientId, BOOL* writing) override;
  HRESULT STDMETHODCALLTYPE GetSelection(TfEditCookie ec, ULONG index, ULONG count, TF_SELECTION* out,
                                         ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE SetSelection(TfEditCookie ec, ULONG count, const TF_SELECTION* in) override;
  HRESULT STDMETHODCALLTYPE GetStart(TfEditCookie ec, ITfRange** start) override;
  HRESULT STDMETHODCALLTYPE GetEnd(TfEditCookie ec, ITfRange** end) override;
  HRESULT STDMETHODCALLTYPE GetActiveView(ITfContextView** view) override;
  HRESULT STDMETHODCALLTYPE EnumViews(IEnumTfContextViews**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStatus(TF_STATUS* status) override;
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID guid, ITfProperty** property) override;
  HRESULT STDMETHODCALLTYPE GetAppProperty(REFGUID, ITfReadOnlyProperty**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TrackProperties(const GUID**, ULONG, const GUID**, ULONG,
                                            ITfReadOnlyProperty**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumProperties(IEnumTfProperties**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** out) override;
  HRESULT STDMETHODCALLTYPE CreateRangeBackup(TfEditCookie, ITfRange*, ITfRangeBackup**) override {
    return E_NOTIMPL;
  }
  // ITfSource: text-edit and text-layout sinks.
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override;
  // ITfInsertAtSelection
  HRESULT STDMETHODCALLTYPE InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG len,
                                                  ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE InsertEmbeddedAtSelection(TfEditCookie, DWORD, IDataObject*, ITfRange**) override {
    return E_NOTIMPL;
  }
  // ITfContextComposition
  HRESULT STDMETHODCALLTYPE StartComposition(TfEditCookie ec, ITfRange* range, ITfCompositionSink* sink,
                                             ITfComposition** composition) override;
  HRESULT STDMETHODCALLTYPE EnumCompositions(IEnumITfCompositionView**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindComposition(TfEditCookie, ITfRange*, IEnumITfCompositionView**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TakeOwnership(TfEditCookie, ITfCompositionView*, ITfCompositionSink*,
                                          ITfComposition**) override {
    return E_NOTIMPL;
  }

  // ---- Lock checks used by the document objects ----
  bool CheckRead(TfEditCookie ec);
  bool CheckWrite(TfEditCookie ec);
  bool InsideLock() const { return lockDepth_ > 0; }

  // ---- The document ----
  const std::wstring& text() const { return text_; }
  LONG selectionStart() const { return selStart_; }
  LONG selectionEnd() const { return selEnd_; }
  // Replaces [start, end) and moves every live anchor and attribute span.
  void Replace(LONG start, LONG end, const std::wstring& with);
  void Register(FakeRange* range) { ranges_.insert(range); }
  void Unregister(FakeRange* range) { ranges_.erase(range); }
  std::vector<AttributeSpan>& attributes() { return attributes_; }
  // Open compositions of this context (ended ones are dropped).
  std::vector<ComPtr<FakeComposition>>& compositions() { return compositions_; }
  void Forget(FakeComposition* composition);
  int sinkCount() const { return static_cast<int>(editSinks_.size() + layoutSinks_.size()); }
  FakeCompartmentMgr* compartments() const { return compartments_.Get(); }
  RECT textExtent{100, 200, 110, 220};
  bool refuseSessions = false;  // RequestEditSession fails (a read-only document)
  HWND window = nullptr;

  // ---- What the application does (each under the application's own lock) ----
  void AppSetText(const std::wstring& text, LONG caret);
  void AppSetSelection(LONG start, LONG end);
  void AppTypeCharacter(wchar_t c);
  // The application ends a composition itself (the service's
  // OnCompositionTerminated runs with a write cookie).
  void AppTerminateComposition();
  // The application's layout changed (scrolled, resized, re-measured): the
  // layout sinks hear of it outside any lock; destroyed: TF_LC_DESTROY.
  void AppLayoutChanged(bool destroyed = false);
  int layoutSinkCount() const { return static_cast<int>(layoutSinks_.size()); }
  // Marks the document for display: [ ] around the composition, | at the caret.
  std::wstring Marked() const;

  // Drops every reference back to the hosting objects (context popped).
  void Disconnect();

 protected:
  void* Extra(REFIID riid) override;

 private:
  ~FakeContext() override;
  struct Request {
    ComPtr<ITfEditSession> session;
    DWORD flags;
  };
  HRESULT RunOuter(ITfEditSession* session, DWORD flags);
  HRESULT RunLocked(ITfEditSession* session, bool write);
  void EndEdit();
  void DrainQueue();
  template <class Fn>
  void AppEdit(Fn fn);

  FakeThreadMgr* threadMgr_;
  FakeDocumentMgr* documentMgr_;
  ComPtr<FakeCompartmentMgr> compartments_;
  std::wstring text_;
  LONG selStart_ = 0;
  LONG selEnd_ = 0;
  bool selectionChanged_ = false;
  std::set<FakeRange*> ranges_;
  std::vector<AttributeSpan> attributes_;
  std::vector<ComPtr<FakeComposition>> compositions_;
  std::map<DWORD, ComPtr<ITfTextEditSink>> editSinks_;
  std::map<DWORD, ComPtr<ITfTextLayoutSink>> layoutSinks_;
  DWORD nextSinkCookie_ = 1;
  std::deque<Request> queue_;
  int lockDepth_ = 0;
  TfEditCookie liveCookie_ = 0;
  bool liveWrite_ = false;
  TfEditCookie nextCookie_ = 0x100;
};

class FakeDocumentMgr : public FakeCom<ITfDocumentMgr> {
 public:
  explicit FakeDocumentMgr(FakeThreadMgr* threadMgr) : threadMgr_(threadMgr) {}
  HRESULT STDMETHODCALLTYPE CreateContext(TfClientId, DWORD, IUnknown*, ITfContext** context,
                                          TfEditCookie* ec) override;
  HRESULT STDMETHODCALLTYPE Push(ITfContext* context) override;
  HRESULT STDMETHODCALLTYPE Pop(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetTop(ITfContext** context) override;
  HRESULT STDMETHODCALLTYPE GetBase(ITfContext** context) override;
  HRESULT STDMETHODCALLTYPE EnumContexts(IEnumTfContexts**) override { return E_NOTIMPL; }
  FakeContext* top() const { return stack_.empty() ? nullptr : stack_.back().Get(); }

 private:
  ~FakeDocumentMgr() override;
  FakeThreadMgr* threadMgr_;
  std::vector<ComPtr<FakeContext>> stack_;
};

class FakeUIElementMgr;
class FakeLangBarItemMgr;

struct PreservedKeyEntry {
  TfClientId client;
  GUID guid;
  TF_PRESERVEDKEY key;
  std::wstring description;
};

class FakeThreadMgr : public FakeCom<ITfThreadMgr, ITfSource, ITfKeystrokeMgr> {
 public:
  FakeThreadMgr();

  // ITfThreadMgr
  HRESULT STDMETHODCALLTYPE Activate(TfClientId* tid) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE CreateDocumentMgr(ITfDocumentMgr** out) override;
  HRESULT STDMETHODCALLTYPE EnumDocumentMgrs(IEnumTfDocumentMgrs**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFocus(ITfDocumentMgr** out) override;
  HRESULT STDMETHODCALLTYPE SetFocus(ITfDocumentMgr* focus) override;
  HRESULT STDMETHODCALLTYPE AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsThreadFocus(BOOL* focus) override;
  HRESULT STDMETHODCALLTYPE GetFunctionProvider(REFCLSID, ITfFunctionProvider**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFunctionProviders(IEnumTfFunctionProviders**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetGlobalCompartment(ITfCompartmentMgr** out) override;

  // ITfSource
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override;

  // ITfKeystrokeMgr
  HRESULT STDMETHODCALLTYPE AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink, BOOL foreground) override;
  HRESULT STDMETHODCALLTYPE UnadviseKeyEventSink(TfClientId tid) override;
  HRESULT STDMETHODCALLTYPE GetForeground(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE TestKeyDown(WPARAM w, LPARAM l, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE TestKeyUp(WPARAM w, LPARAM l, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE KeyDown(WPARAM w, LPARAM l, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE KeyUp(WPARAM w, LPARAM l, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY*, GUID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) override;
  HRESULT STDMETHODCALLTYPE PreserveKey(TfClientId tid, REFGUID guid, const TF_PRESERVEDKEY* key,
                                        const WCHAR* desc, ULONG cch) override;
  HRESULT STDMETHODCALLTYPE UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) override;
  HRESULT STDMETHODCALLTYPE SetPreservedKeyDescription(REFGUID, const WCHAR*, ULONG) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPreservedKeyDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SimulatePreservedKey(ITfContext*, REFGUID, BOOL*) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  // ---- Test side ----
  void NotifyPushed(FakeContext* context);
  void NotifyPopped(FakeContext* context);
  // One key stroke as the framework routes it: a preserved key (by the
  // modifiers of the keyboard state) goes to OnPreservedKey, anything else
  // to OnTestKeyDown and, when taken, OnKeyDown. A key nobody ate types
  // `typed` into the focused document, as the application would.
  bool PressKey(UINT vk, wchar_t typed = 0, LPARAM keyData = 0);
  bool ReleaseKey(UINT vk, LPARAM keyData = 0);
  // A new document manager with one context, focused.
  FakeContext* OpenDocument(const std::wstring& text = L"", LONG caret = 0);
  FakeContext* FocusedContext() const;
  void FocusDocument(FakeDocumentMgr* documentMgr);
  void KillThreadFocus();
  void SetThreadFocus();
  FakeCompartmentMgr* compartments() const { return compartments_.Get(); }
  FakeUIElementMgr* uiElements() const { return uiElements_.Get(); }
  FakeLangBarItemMgr* langBar() const { return langBar_.Get(); }
  // Advised sinks of every kind, compartments and contexts included.
  int AdvisedSinks() const;
  int KeySinks() const { return static_cast<int>(keySinks_.size()); }
  const std::vector<PreservedKeyEntry>& preservedKeys() const { return preserved_; }
  // Forgets every object the host holds; called at the end of a test.
  void Shutdown();

  // Failure injection: AdviseSink for these interfaces fails.
  std::set<std::string> failAdvise;  // "ThreadMgrEventSink", "ThreadFocusSink", "Profile", "KeyEvent"
  // The keyboard state the host routes by; null: the thread's (GetKeyState).
  const uint8_t* keyboard = nullptr;
  bool langBarPresent = true;
  bool keystrokeMgrPresent = true;
  int compartmentSinks = 0;
  std::vector<FakeContext*> contexts;  // every context made, for sink counting (uncounted)

 protected:
  void* Extra(REFIID riid) override;

 private:
  ~FakeThreadMgr() override;
  struct Sink {
    IID iid;
    ComPtr<IUnknown> sink;
  };
  void ForEachEventSink(const std::function<void(ITfThreadMgrEventSink*)>& call);
  using KeyCall = HRESULT (STDMETHODCALLTYPE ITfKeyEventSink::*)(ITfContext*, WPARAM, LPARAM, BOOL*);
  HRESULT Route(KeyCall call, WPARAM w, LPARAM l, BOOL* eaten);
  ITfKeyEventSink* ForegroundSink() const;
  bool MatchPreserved(UINT vk, GUID* guid) const;
  std::map<DWORD, Sink> sinks_;
  DWORD nextCookie_ = 1;
  std::map<TfClientId, ComPtr<ITfKeyEventSink>> keySinks_;
  TfClientId foreground_ = TF_CLIENTID_NULL;
  std::vector<PreservedKeyEntry> preserved_;
  std::vector<ComPtr<FakeDocumentMgr>> documents_;
  ComPtr<FakeDocumentMgr> focus_;
  ComPtr<FakeCompartmentMgr> compartments_;
  ComPtr<FakeUIElementMgr> uiElements_;
  ComPtr<FakeLangBarItemMgr> langBar_;
  TfClientId nextClient_ = 1;
};

// Records the candidate-list UI element calls a service makes.
class FakeUIElementMgr : public FakeCom<ITfUIElementMgr> {
 public:
  HRESULT STDMETHODCALLTYPE BeginUIElement(ITfUIElement* element, BOOL* show, DWORD* id) override;
  HRESULT STDMETHODCALLTYPE UpdateUIElement(DWORD id) override;
  HRESULT STDMETHODCALLTYPE EndUIElement(DWORD id) override;
  HRESULT STDMETHODCALLTYPE GetUIElement(DWORD id, ITfUIElement** element) override;
  HRESULT STDMETHODCALLTYPE EnumUIElements(IEnumTfUIElements**) override { return E_NOTIMPL; }
  std::vector<std::string> calls;
  bool applicationDrawsLists = false;
  bool unavailable = false;  // every call fails, as under Wine
  DWORD lastBegun = 0;
  // The element of a begun id, or null; the reference is the manager's.
  ITfUIElement* Element(DWORD id) const {
    auto it = elements_.find(id);
    return it == elements_.end() ? nullptr : it->second.Get();
  }
  int openElements() const { return static_cast<int>(elements_.size()); }

 private:
  ~FakeUIElementMgr() override = default;
  std::map<DWORD, ComPtr<ITfUIElement>> elements_;
  DWORD nextId_ = 1;
};

class FakeLangBarItemMgr : public FakeCom<ITfLangBarItemMgr> {
 public:
  HRESULT STDMETHODCALLTYPE EnumItems(IEnumTfLangBarItems**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItem(REFGUID, ITfLangBarItem**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddItem(ITfLangBarItem* item) override;
  HRESULT STDMETHODCALLTYPE RemoveItem(ITfLangBarItem* item) override;
  HRESULT STDMETHODCALLTYPE AdviseItemSink(ITfLangBarItemSink*, DWORD*, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnadviseItemSink(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemFloatingRect(DWORD, REFGUID, RECT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemsStatus(ULONG, const GUID*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemNum(ULONG* count) override;
  HRESULT STDMETHODCALLTYPE GetItems(ULONG, ITfLangBarItem**, TF_LANGBARITEMINFO*, DWORD*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AdviseItemsSink(ULONG, ITfLangBarItemSink**, const GUID*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnadviseItemsSink(ULONG, DWORD*) override { return E_NOTIMPL; }
  std::vector<ComPtr<ITfLangBarItem>> items;
  bool refuseAdd = false;  // AddItem fails
  int removed = 0;

 private:
  ~FakeLangBarItemMgr() override = default;
};

}  // namespace fakehost
