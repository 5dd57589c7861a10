// The fake thread manager (sinks, keystroke routing, preserved keys, focus),
// document managers, compartments with synchronous change sinks, and the
// recording UI-element and language-bar managers.
#include "tests/tsf/host/FakeHost.h"

#include <algorithm>

namespace fakehost {

namespace {

const char* SinkName(REFIID riid) {
  if (riid == IID_ITfThreadMgrEventSink) return "ThreadMgrEventSink";
  if (riid == IID_ITfThreadFocusSink) return "ThreadFocusSink";
  if (riid == IID_ITfActiveLanguageProfileNotifySink) return "Profile";
  if (riid == IID_ITfUIElementSink) return "UIElementSink";
  return nullptr;
}

// Scan codes of the US layout for the keys tests and tools press; a table,
// because Wine's MapVirtualKeyW costs far more than the service it measures.
LPARAM KeyData(UINT vk) {
  static const struct {
    UINT vk;
    UINT scan;
  } kScans[] = {{VK_SPACE, 0x39}, {VK_RETURN, 0x1C}, {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E}, {VK_TAB, 0x0F},
                {VK_SHIFT, 0x2A}, {VK_CONTROL, 0x1D}, {VK_MENU, 0x38}, {VK_CAPITAL, 0x3A},
                {VK_PRIOR, 0x149}, {VK_NEXT, 0x151}, {VK_LEFT, 0x14B}, {VK_RIGHT, 0x14D},
                {VK_UP, 0x148}, {VK_DOWN, 0x150}, {VK_HOME, 0x147}, {VK_END, 0x14F},
                {VK_DELETE, 0x153}, {VK_OEM_PERIOD, 0x34}, {VK_OEM_COMMA, 0x33}, {VK_OEM_MINUS, 0x0C},
                {VK_OEM_PLUS, 0x0D}, {VK_OEM_1, 0x27}, {VK_OEM_7, 0x28}, {VK_OEM_2, 0x35}};
  static const UINT kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  static const UINT kDigits[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
  UINT scan = 0;
  if (vk >= 'A' && vk <= 'Z') scan = kLetters[vk - 'A'];
  if (vk >= '0' && vk <= '9') scan = kDigits[vk - '0'];
  for (const auto& k : kScans) {
    if (k.vk == vk) scan = k.scan;
  }
  const LPARAM extended = (scan & 0x100) ? 0x01000000 : 0;
  return 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | extended;
}

// Generic TF_MOD_* bits of a preserved key (sided ones count as generic).
UINT GenericModifiers(UINT mods) {
  UINT g = 0;
  if (mods & (TF_MOD_ALT | TF_MOD_LALT | TF_MOD_RALT)) g |= TF_MOD_ALT;
  if (mods & (TF_MOD_CONTROL | TF_MOD_LCONTROL | TF_MOD_RCONTROL)) g |= TF_MOD_CONTROL;
  if (mods & (TF_MOD_SHIFT | TF_MOD_LSHIFT | TF_MOD_RSHIFT)) g |= TF_MOD_SHIFT;
  return g;
}

}  // namespace

// ---- Compartments ----

FakeCompartment::~FakeCompartment() {
  *sinkCount_ -= static_cast<int>(sinks_.size());
  VariantClear(&value_);
}

HRESULT FakeCompartment::SetValue(TfClientId, const VARIANT* value) {
  if (!value) return E_INVALIDARG;
  VariantClear(&value_);
  VariantCopy(&value_, const_cast<VARIANT*>(value));
  Notify();
  return S_OK;
}

void FakeCompartment::Set(const GUID&, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  SetValue(TF_CLIENTID_NULL, &v);
}

void FakeCompartment::Notify() {
  ComPtr<FakeCompartment> self(this);
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) sink->OnChange(guid_);
}

HRESULT FakeCompartment::GetValue(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  VariantInit(value);
  if (value_.vt == VT_EMPTY) return S_FALSE;
  return VariantCopy(value, &value_);
}

HRESULT FakeCompartment::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  ComPtr<ITfCompartmentEventSink> s;
  if (riid != IID_ITfCompartmentEventSink || FAILED(sink->QueryInterface(IID_PPV_ARGS(&s))))
    return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  sinks_[*cookie] = s;
  ++*sinkCount_;
  return S_OK;
}

HRESULT FakeCompartment::UnadviseSink(DWORD cookie) {
  if (!sinks_.erase(cookie)) return CONNECT_E_NOCONNECTION;
  --*sinkCount_;
  return S_OK;
}

HRESULT FakeCompartmentMgr::GetCompartment(REFGUID guid, ITfCompartment** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (broken) return E_FAIL;
  FakeCompartment* c = Find(guid);
  if (!c) {
    ComPtr<FakeCompartment> made = Make<FakeCompartment>(sinkCount_);
    made->SetGuid(guid);
    compartments_.push_back(made);
    c = made.Get();
  }
  c->AddRef();
  *out = c;
  return S_OK;
}

HRESULT FakeCompartmentMgr::ClearCompartment(TfClientId, REFGUID guid) {
  compartments_.erase(std::remove_if(compartments_.begin(), compartments_.end(),
                                     [&](const ComPtr<FakeCompartment>& c) { return c->guid() == guid; }),
                      compartments_.end());
  return S_OK;
}

HRESULT FakeCompartmentMgr::EnumCompartments(IEnumGUID** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

FakeCompartment* FakeCompartmentMgr::Find(const GUID& guid) {
  for (const auto& c : compartments_) {
    if (c->guid() == guid) return c.Get();
  }
  return nullptr;
}

LONG FakeCompartmentMgr::ValueOf(const GUID& guid) {
  FakeCompartment* c = Find(guid);
  if (!c) return 0;
  VARIANT v;
  c->GetValue(&v);
  const LONG value = v.vt == VT_I4 ? v.lVal : 0;
  VariantClear(&v);
  return value;
}

void FakeCompartmentMgr::SetValue(const GUID& guid, LONG value) {
  ComPtr<ITfCompartment> c;
  const bool wasBroken = broken;
  broken = false;
  GetCompartment(guid, &c);
  broken = wasBroken;
  static_cast<FakeCompartment*>(c.Get())->Set(guid, value);
}

// ---- Document managers ----

FakeDocumentMgr::~FakeDocumentMgr() {
  for (auto& c : stack_) c->Disconnect();
}

HRESULT FakeDocumentMgr::CreateContext(TfClientId, DWORD, IUnknown*, ITfContext** context, TfEditCookie* ec) {
  if (!context) return E_INVALIDARG;
  *context = Make<FakeContext>(threadMgr_, this).Detach();
  if (ec) *ec = 0;
  return S_OK;
}

// As the system's document manager: two contexts at most; the sinks hear
// of a push once it is the top, and of a pop while it still is.
HRESULT FakeDocumentMgr::Push(ITfContext* context) {
  if (stack_.size() >= 2) return TF_E_STACKFULL;
  if (!context) return E_INVALIDARG;
  stack_.push_back(static_cast<FakeContext*>(context));
  threadMgr_->NotifyPushed(stack_.back().Get());
  return S_OK;
}

HRESULT FakeDocumentMgr::Pop(DWORD flags) {
  if (flags != 0 && flags != TF_POPF_ALL) return E_INVALIDARG;
  // Only all contexts together may leave a document empty.
  if (flags == 0 && stack_.size() < 2) return E_FAIL;
  while (!stack_.empty()) {
    ComPtr<FakeContext> popped = stack_.back();
    threadMgr_->NotifyPopped(popped.Get());
    stack_.pop_back();
    popped->Disconnect();
    if (flags == 0) break;
  }
  return S_OK;
}

HRESULT FakeDocumentMgr::GetTop(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  *context = stack_.empty() ? nullptr : stack_.back().Get();
  if (*context) (*context)->AddRef();
  return S_OK;
}

HRESULT FakeDocumentMgr::GetBase(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  *context = stack_.empty() ? nullptr : stack_.front().Get();
  if (*context) (*context)->AddRef();
  return S_OK;
}

// ---- UI elements and the language bar ----

HRESULT FakeUIElementMgr::BeginUIElement(ITfUIElement* element, BOOL* show, DWORD* id) {
  if (!element || !show || !id) return E_INVALIDARG;
  if (unavailable) return E_NOTIMPL;
  calls.push_back("begin");
  *id = nextId_++;
  lastBegun = *id;
  elements_[*id] = element;
  *show = applicationDrawsLists ? FALSE : TRUE;
  return S_OK;
}

HRESULT FakeUIElementMgr::UpdateUIElement(DWORD id) {
  if (unavailable) return E_NOTIMPL;
  calls.push_back("update");
  return elements_.count(id) ? S_OK : E_INVALIDARG;
}

HRESULT FakeUIElementMgr::EndUIElement(DWORD id) {
  if (unavailable) return E_NOTIMPL;
  calls.push_back("end");
  return elements_.erase(id) ? S_OK : E_INVALIDARG;
}

HRESULT FakeUIElementMgr::GetUIElement(DWORD id, ITfUIElement** element) {
  if (!element) return E_INVALIDARG;
  *element = nullptr;
  auto it = elements_.find(id);
  if (it == elements_.end()) return E_INVALIDARG;
  return it->second.CopyTo(element);
}

HRESULT FakeLangBarItemMgr::AddItem(ITfLangBarItem* item) {
  if (!item) return E_INVALIDARG;
  if (refuseAdd) return E_FAIL;
  items.push_back(item);
  return S_OK;
}

HRESULT FakeLangBarItemMgr::RemoveItem(ITfLangBarItem* item) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const ComPtr<ITfLangBarItem>& i) { return i.Get() == item; });
  if (it == items.end()) return E_INVALIDARG;
  items.erase(it);
  ++removed;
  return S_OK;
}

HRESULT FakeLangBarItemMgr::GetItemNum(ULONG* count) {
  if (!count) return E_INVALIDARG;
  *count = static_cast<ULONG>(items.size());
  return S_OK;
}

// ---- The thread manager ----

FakeThreadMgr::FakeThreadMgr() {
  compartments_ = Make<FakeCompartmentMgr>(&compartmentSinks);
  uiElements_ = Make<FakeUIElementMgr>();
  langBar_ = Make<FakeLangBarItemMgr>();
}

FakeThreadMgr::~FakeThreadMgr() = default;

void* FakeThreadMgr::Extra(REFIID riid) {
  if (riid == IID_ITfCompartmentMgr) return static_cast<ITfCompartmentMgr*>(compartments_.Get());
  if (riid == IID_ITfUIElementMgr) return static_cast<ITfUIElementMgr*>(uiElements_.Get());
  if (riid == IID_ITfLangBarItemMgr && langBarPresent) return static_cast<ITfLangBarItemMgr*>(langBar_.Get());
  return nullptr;
}

HRESULT FakeThreadMgr::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_ITfKeystrokeMgr && !keystrokeMgrPresent) {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  return FakeCom::QueryInterface(riid, ppv);
}

HRESULT FakeThreadMgr::Activate(TfClientId* tid) {
  if (!tid) return E_INVALIDARG;
  *tid = nextClient_++;
  return S_OK;
}

HRESULT FakeThreadMgr::CreateDocumentMgr(ITfDocumentMgr** out) {
  if (!out) return E_INVALIDARG;
  ComPtr<FakeDocumentMgr> d = Make<FakeDocumentMgr>(this);
  documents_.push_back(d);
  *out = d.Detach();
  return S_OK;
}

HRESULT FakeThreadMgr::GetFocus(ITfDocumentMgr** out) {
  if (!out) return E_INVALIDARG;
  *out = focus_.Get();
  if (*out) (*out)->AddRef();
  return focus_ ? S_OK : S_FALSE;
}

HRESULT FakeThreadMgr::SetFocus(ITfDocumentMgr* focus) {
  FocusDocument(static_cast<FakeDocumentMgr*>(focus));
  return S_OK;
}

void FakeThreadMgr::FocusDocument(FakeDocumentMgr* documentMgr) {
  ComPtr<FakeDocumentMgr> previous = focus_;
  focus_ = documentMgr;
  ForEachEventSink([&](ITfThreadMgrEventSink* sink) { sink->OnSetFocus(documentMgr, previous.Get()); });
}

void FakeThreadMgr::NotifyPushed(FakeContext* context) {
  ForEachEventSink([context](ITfThreadMgrEventSink* sink) { sink->OnPushContext(context); });
}

void FakeThreadMgr::NotifyPopped(FakeContext* context) {
  ForEachEventSink([context](ITfThreadMgrEventSink* sink) { sink->OnPopContext(context); });
}

// A sink may unadvise (or advise) while it is told: the call goes over a copy.
void FakeThreadMgr::ForEachEventSink(const std::function<void(ITfThreadMgrEventSink*)>& call) {
  const auto sinks = sinks_;
  for (const auto& [cookie, s] : sinks) {
    if (s.iid != IID_ITfThreadMgrEventSink) continue;
    ComPtr<ITfThreadMgrEventSink> sink;
    if (SUCCEEDED(s.sink.As(&sink))) call(sink.Get());
  }
}

void FakeThreadMgr::KillThreadFocus() {
  const auto sinks = sinks_;
  for (const auto& [cookie, s] : sinks) {
    ComPtr<ITfThreadFocusSink> sink;
    if (s.iid == IID_ITfThreadFocusSink && SUCCEEDED(s.sink.As(&sink))) sink->OnKillThreadFocus();
  }
}

void FakeThreadMgr::SetThreadFocus() {
  const auto sinks = sinks_;
  for (const auto& [cookie, s] : sinks) {
    ComPtr<ITfThreadFocusSink> sink;
    if (s.iid == IID_ITfThreadFocusSink && SUCCEEDED(s.sink.As(&sink))) sink->OnSetThreadFocus();
  }
}

HRESULT FakeThreadMgr::IsThreadFocus(BOOL* focus) {
  if (!focus) return E_INVALIDARG;
  *focus = TRUE;
  return S_OK;
}

HRESULT FakeThreadMgr::GetGlobalCompartment(ITfCompartmentMgr** out) {
  if (!out) return E_INVALIDARG;
  return compartments_.CopyTo(out);
}

HRESULT FakeThreadMgr::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  const char* name = SinkName(riid);
  if (!name) return CONNECT_E_CANNOTCONNECT;
  if (failAdvise.count(name)) return E_FAIL;
  ComPtr<IUnknown> typed;
  if (FAILED(sink->QueryInterface(riid, reinterpret_cast<void**>(typed.GetAddressOf()))))
    return E_INVALIDARG;
  *cookie = nextCookie_++;
  sinks_[*cookie] = Sink{riid, typed};
  return S_OK;
}

HRESULT FakeThreadMgr::UnadviseSink(DWORD cookie) {
  return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT FakeThreadMgr::AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink, BOOL foreground) {
  if (!sink) return E_INVALIDARG;
  if (failAdvise.count("KeyEvent")) return E_FAIL;
  if (keySinks_.count(tid)) return CONNECT_E_ADVISELIMIT;
  keySinks_[tid] = sink;
  if (foreground) foreground_ = tid;
  return S_OK;
}

HRESULT FakeThreadMgr::UnadviseKeyEventSink(TfClientId tid) {
  if (!keySinks_.erase(tid)) return CONNECT_E_NOCONNECTION;
  if (foreground_ == tid) foreground_ = TF_CLIENTID_NULL;
  return S_OK;
}

HRESULT FakeThreadMgr::GetForeground(CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  return S_OK;
}

ITfKeyEventSink* FakeThreadMgr::ForegroundSink() const {
  auto it = keySinks_.find(foreground_);
  return it == keySinks_.end() ? nullptr : it->second.Get();
}

// The application's own key calls go to the foreground sink like routed keys.
HRESULT FakeThreadMgr::Route(KeyCall call, WPARAM w, LPARAM l, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  ITfKeyEventSink* sink = ForegroundSink();
  return sink ? (sink->*call)(FocusedContext(), w, l, eaten) : S_OK;
}

HRESULT FakeThreadMgr::TestKeyDown(WPARAM w, LPARAM l, BOOL* eaten) {
  return Route(&ITfKeyEventSink::OnTestKeyDown, w, l, eaten);
}

HRESULT FakeThreadMgr::TestKeyUp(WPARAM w, LPARAM l, BOOL* eaten) {
  return Route(&ITfKeyEventSink::OnTestKeyUp, w, l, eaten);
}

HRESULT FakeThreadMgr::KeyDown(WPARAM w, LPARAM l, BOOL* eaten) {
  return Route(&ITfKeyEventSink::OnKeyDown, w, l, eaten);
}

HRESULT FakeThreadMgr::KeyUp(WPARAM w, LPARAM l, BOOL* eaten) {
  return Route(&ITfKeyEventSink::OnKeyUp, w, l, eaten);
}

HRESULT FakeThreadMgr::IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) {
  if (!key || !registered) return E_INVALIDARG;
  *registered = FALSE;
  for (const auto& p : preserved_) {
    if (p.guid == guid && p.key.uVKey == key->uVKey && p.key.uModifiers == key->uModifiers) *registered = TRUE;
  }
  return S_OK;
}

HRESULT FakeThreadMgr::PreserveKey(TfClientId tid, REFGUID guid, const TF_PRESERVEDKEY* key, const WCHAR* desc,
                                   ULONG cch) {
  if (!key) return E_INVALIDARG;
  for (const auto& p : preserved_) {
    if (p.key.uVKey == key->uVKey && p.key.uModifiers == key->uModifiers) return TF_E_ALREADY_EXISTS;
  }
  preserved_.push_back({tid, guid, *key, desc ? std::wstring(desc, cch) : std::wstring()});
  return S_OK;
}

HRESULT FakeThreadMgr::UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) {
  if (!key) return E_INVALIDARG;
  auto it = std::find_if(preserved_.begin(), preserved_.end(), [&](const PreservedKeyEntry& p) {
    return p.guid == guid && p.key.uVKey == key->uVKey && p.key.uModifiers == key->uModifiers;
  });
  if (it == preserved_.end()) return CONNECT_E_NOCONNECTION;
  preserved_.erase(it);
  return S_OK;
}

bool FakeThreadMgr::MatchPreserved(UINT vk, GUID* guid) const {
  const auto Down = [this](int key) { return keyboard ? (keyboard[key] & 0x80) != 0 : (GetKeyState(key) & 0x8000) != 0; };
  UINT now = 0;
  if (Down(VK_MENU)) now |= TF_MOD_ALT;
  if (Down(VK_CONTROL)) now |= TF_MOD_CONTROL;
  if (Down(VK_SHIFT)) now |= TF_MOD_SHIFT;
  for (const auto& p : preserved_) {
    if (p.key.uVKey == vk && GenericModifiers(p.key.uModifiers) == now) {
      *guid = p.guid;
      return true;
    }
  }
  return false;
}

bool FakeThreadMgr::PressKey(UINT vk, wchar_t typed, LPARAM keyData) {
  ComPtr<FakeThreadMgr> self(this);
  if (!keyData) keyData = KeyData(vk);
  BOOL eaten = FALSE;
  GUID guid{};
  ITfKeyEventSink* sink = ForegroundSink();
  if (sink && MatchPreserved(vk, &guid)) {
    sink->OnPreservedKey(FocusedContext(), guid, &eaten);
  } else if (sink) {
    sink->OnTestKeyDown(FocusedContext(), vk, keyData, &eaten);
    if (eaten) sink->OnKeyDown(FocusedContext(), vk, keyData, &eaten);
  }
  if (!eaten && typed && FocusedContext()) FocusedContext()->AppTypeCharacter(typed);
  return eaten != FALSE;
}

bool FakeThreadMgr::ReleaseKey(UINT vk, LPARAM keyData) {
  if (!keyData) keyData = KeyData(vk);
  keyData |= static_cast<LPARAM>(0xC0000000u);
  BOOL eaten = FALSE;
  ITfKeyEventSink* sink = ForegroundSink();
  if (!sink) return false;
  sink->OnTestKeyUp(FocusedContext(), vk, keyData, &eaten);
  if (eaten) sink->OnKeyUp(FocusedContext(), vk, keyData, &eaten);
  return eaten != FALSE;
}

FakeContext* FakeThreadMgr::OpenDocument(const std::wstring& text, LONG caret) {
  ComPtr<ITfDocumentMgr> d;
  CreateDocumentMgr(&d);
  ComPtr<ITfContext> c;
  d->CreateContext(TF_CLIENTID_NULL, 0, nullptr, &c, nullptr);
  d->Push(c.Get());
  FakeContext* context = static_cast<FakeContext*>(c.Get());
  context->AppSetText(text, caret);
  FocusDocument(static_cast<FakeDocumentMgr*>(d.Get()));
  return context;
}

FakeContext* FakeThreadMgr::FocusedContext() const {
  return focus_ ? focus_->top() : nullptr;
}

int FakeThreadMgr::AdvisedSinks() const {
  int n = static_cast<int>(sinks_.size() + keySinks_.size()) + compartmentSinks;
  for (const FakeContext* c : contexts) n += c->sinkCount();
  return n;
}

void FakeThreadMgr::Shutdown() {
  focus_.Reset();
  for (auto& d : documents_) d->Pop(TF_POPF_ALL);
  documents_.clear();
  sinks_.clear();
  keySinks_.clear();
  preserved_.clear();
}

}  // namespace fakehost
