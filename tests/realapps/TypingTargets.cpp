// The typing targets of the cross-host comparison.
#include "tests/realapps/TypingTargets.h"

#include <windows.h>
#include <imm.h>

#include "engine/Product.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/tsf/ClassFactory.h"
#include "frontend/tsf/TextService.h"
#include "tests/imehost/HostSession.h"
#include "tests/imehost/HostSetup.h"
#include "tests/tsf/host/FakeHost.h"
#include "tools/common/PrintingEffects.h"
#include "tools/common/TypingHost.h"
#include "tools/common/TypingView.h"

namespace {

std::wstring UnixLineBreaks(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      out += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// What an editor does with a key no input method took.
void EditAsApplication(const KeyStroke& key, std::wstring* text) {
  if (key.ctrl || key.alt) return;
  if (key.virtualKey == VK_BACK) {
    if (!text->empty()) text->pop_back();
  } else if (key.virtualKey == VK_RETURN) {
    *text += L'\n';
  }
}

class ConsoleTarget : public TypingTarget {
 public:
  bool Open(const std::wstring& data) {
    copy_ = CopyDataFolder(data);
    if (copy_.empty() || !WriteHostRegistryValues(copy_)) return false;
    context_ = CreateContextWithSkin();
    if (!context_) return false;
    context_->effects = &effects_;
    host_ = std::make_unique<TypingHost>(context_);
    return true;
  }
  ~ConsoleTarget() override {
    host_.reset();
    if (context_) {
      context_->effects = nullptr;
      DestroyContextWithSkin(context_);
    }
    if (!copy_.empty()) RemoveDataFolderCopy(copy_);
  }
  void Clear() override { text_.clear(); }
  void Press(const KeyStroke& key) override {
    host_->ClearOutput();
    const bool taken = host_->Press(key);
    text_.append(host_->Output(), static_cast<size_t>(host_->OutputUnits()));
    if (!taken) EditAsApplication(key, &text_);
  }
  bool Composing() const override { return context_->compositionOpen != 0; }
  std::wstring Text() const override { return UnixLineBreaks(text_); }

 private:
  std::wstring copy_;
  ImeContext* context_ = nullptr;
  PrintingEffects effects_;
  std::unique_ptr<TypingHost> host_;
  std::wstring text_;
};

// A sided modifier reaches a text service as the plain one with its own scan code.
UINT PlainKey(UINT vk) {
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) return VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) return VK_CONTROL;
  return vk;
}

LPARAM KeyDataOf(UINT vk) {
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  return static_cast<LPARAM>(1 | (scan << 16));
}

class TsfTarget : public TypingTarget {
 public:
  bool Open(const std::wstring& data) {
    copy_ = CopyDataFolder(data);
    if (copy_.empty() || !WriteHostRegistryValues(copy_)) return false;
    CoInitialize(nullptr);
    CLSID clsid{};
    ParseProductClsid(ZN_PRODUCT_GUID_TEXT, &clsid);
    ComPtr<IClassFactory> factory;
    if (FAILED(DllGetClassObject(clsid, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&service_))))
      return false;
    host_ = fakehost::Make<fakehost::FakeThreadMgr>();
    document_ = host_->OpenDocument();
    return SUCCEEDED(service_->ActivateEx(host_.Get(), 1, 0));
  }
  ~TsfTarget() override {
    if (service_) service_->Deactivate();
    if (host_) host_->Shutdown();
    service_.Reset();
    host_.Reset();
    if (!copy_.empty()) RemoveDataFolderCopy(copy_);
    CoUninitialize();
  }
  void Clear() override { document_->AppSetText(L"", 0); }
  void Press(const KeyStroke& key) override {
    // The events a keyboard makes: modifiers down, the key down and up,
    // modifiers up, with the thread's keyboard state following them.
    UINT held[3];
    int count = 0;
    if (key.ctrl) held[count++] = VK_CONTROL;
    if (key.alt) held[count++] = VK_MENU;
    if (key.shift) held[count++] = VK_SHIFT;
    for (int i = 0; i < count; ++i) Down(held[i], held[i], 0);
    const UINT vk = PlainKey(key.virtualKey);
    const bool eaten = Down(vk, key.virtualKey, key.ctrl || key.alt ? 0 : Typed(key));
    Up(vk, key.virtualKey);
    for (int i = count - 1; i >= 0; --i) Up(held[i], held[i]);
    if (!eaten && key.virtualKey == VK_BACK && !document_->text().empty()) {
      const std::wstring text = document_->text();
      document_->AppSetText(text.substr(0, text.size() - 1), static_cast<LONG>(text.size() - 1));
    }
  }
  bool Composing() const override { return !document_->compositions().empty(); }
  std::wstring Text() const override { return UnixLineBreaks(document_->text()); }

 private:
  static wchar_t Typed(const KeyStroke& key) {
    return key.virtualKey == VK_RETURN ? L'\n' : key.ch;
  }
  bool Down(UINT vk, UINT sided, wchar_t typed) {
    keys_[vk] |= 0x80;
    keys_[sided] |= 0x80;
    SetKeyboardState(keys_);
    return host_->PressKey(vk, typed, KeyDataOf(sided));
  }
  void Up(UINT vk, UINT sided) {
    keys_[vk] &= ~0x80;
    keys_[sided] &= ~0x80;
    SetKeyboardState(keys_);
    host_->ReleaseKey(vk, KeyDataOf(sided));
  }

  std::wstring copy_;
  ComPtr<ITfTextInputProcessorEx> service_;
  ComPtr<fakehost::FakeThreadMgr> host_;
  fakehost::FakeContext* document_ = nullptr;
  BYTE keys_[256] = {};
};

class ControlTarget : public TypingTarget {
 public:
  bool Open(const std::wstring& data, const std::wstring& module, HostControl control) {
    if (!data_.Make(data)) return false;
    std::wstring install = data;
    if (install.back() != L'\\') install += L'\\';
    if (!registry_.Write(install, data_.path()) || !layout_.Install(module, L"星禾五笔"))
      return false;
    return session_.Open(layout_.layout(), control);
  }
  void Clear() override { session_.ClearText(); }
  void Press(const KeyStroke& key) override { session_.Press(key); }
  bool Composing() const override { return session_.CompositionOpen(); }
  std::wstring Text() const override { return UnixLineBreaks(session_.EditText()); }

 private:
  // Taken down in reverse: the window first, the data copy last.
  DataCopy data_;
  ProductRegistry registry_;
  ImeLayout layout_;
  HostSession session_;
};

}  // namespace

std::unique_ptr<TypingTarget> MakeTypingTarget(const std::wstring& name, const std::wstring& data,
                                               const std::wstring& module, std::wstring* error) {
  if (name == L"console") {
    auto target = std::make_unique<ConsoleTarget>();
    if (target->Open(data)) return target;
  } else if (name == L"tsf") {
    auto target = std::make_unique<TsfTarget>();
    if (target->Open(data)) return target;
  } else if (name == L"edit" || name == L"richedit") {
    auto target = std::make_unique<ControlTarget>();
    if (target->Open(data, module,
                     name == L"edit" ? HostControl::kMultiLineEdit : HostControl::kRichEdit))
      return target;
  } else {
    *error = L"unknown target " + name;
    return nullptr;
  }
  *error = L"cannot set up the " + name + L" target (error " + std::to_wstring(GetLastError()) + L")";
  return nullptr;
}
