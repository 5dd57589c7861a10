// tsfdemo: the TSF text service typing into a document of the fake TSF host.
// The service comes from the module's class factory (the same code as in
// zinIME.ime, linked in so its input context can be read back), works on a
// copy of a data folder, and after each key the tool prints the document
// with the composition in [ ] and the caret as |, the typed code and the
// candidate page. Keys use zntype's notation. Output is UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "engine/ImeOptionBits.h"
#include "engine/Product.h"
#include "frontend/tsf/ClassFactory.h"
#include "frontend/tsf/DisplayAttributeInfo.h"
#include "frontend/tsf/TextService.h"
#include "tests/tsf/host/FakeHost.h"
#include "tools/common/TypingView.h"
#include "tools/zntype/KeyScript.h"

namespace {

constexpr wchar_t kHelp[] =
    L"usage: tsfdemo --data DIR [--keys STRING] [--inline] [--langbar]\n"
    L"Activates the text service on a fake TSF host over a copy of the data folder\n"
    L"DIR, types the keys and prints after each key the document ([ ] marks the\n"
    L"composition, | the caret), its display attributes, the typed code and the\n"
    L"candidate page; the language-bar buttons are listed before and after.\n"
    L"  --inline   shows the code in the document instead of a placeholder space\n"
    L"  --langbar  shows the input state in the language bar (all five buttons\n"
    L"             below Windows 8) instead of the status bar\n"
    L"Keys as in zntype: a character types itself; {Space} {Enter} {Esc}\n"
    L"{Backspace} {PageDown} {Shift} {Shift+Space} {Ctrl+1} ... name other keys.\n";

void Write(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                      nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void SetModifiers(const KeyStroke& key) {
  uint8_t state[256] = {};
  if (key.shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
  if (key.ctrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  if (key.alt) state[VK_MENU] = state[VK_LMENU] = 0x80;
  SetKeyboardState(state);
}

std::wstring Describe(const ImeContext* c) {
  std::wstring line = L"  code: " + std::wstring(c->code, static_cast<size_t>(c->codeLength));
  if (c->slotsFilled > 0) {
    line += L"  page:";
    for (int i = 0; i < c->slotsFilled; ++i) {
      line += (i == c->selection ? L" >" : L" ") + std::to_wstring((i + 1) % 10) + L"." + c->pageSlots[i].text;
    }
  }
  if (c->stateFlags & kStateEnglish) line += L"  [English]";
  if (c->stateFlags & kStateFullWidth) line += L"  [full width]";
  return line;
}

// The attribute spans of the document: [start,end) and which attribute.
std::wstring Attributes(fakehost::FakeContext* document, CTextService* service) {
  std::wstring line;
  for (const fakehost::AttributeSpan& span : document->attributes()) {
    const wchar_t* name = L"other";
    if (span.atom == static_cast<LONG>(service->inputAtom())) name = L"input (dotted)";
    if (span.atom == static_cast<LONG>(service->convertedAtom())) name = L"converted (solid)";
    line += L"  [" + std::to_wstring(span.start) + L"," + std::to_wstring(span.end) + L") " + name;
  }
  return line.empty() ? L"" : L"  attributes:" + line + L"\n";
}

// The buttons on the host's language bar with their texts, styles and icons.
std::wstring LanguageBarItems(CTextService* service) {
  static constexpr const wchar_t* kNames[] = {L"input mode", L"width", L"punctuation", L"soft keyboard",
                                              L"functions"};
  std::wstring text = L"language bar:";
  int shown = 0;
  for (int i = 0; i < kLangBarButtons; ++i) {
    const auto button = static_cast<LangBarButton>(i);
    CLangBarItem* item = service->langBarItem(button);
    if (!item) continue;
    TF_LANGBARITEMINFO info{};
    item->GetInfo(&info);
    wchar_t style[16];
    wsprintfW(style, L"%05X", static_cast<unsigned>(info.dwStyle));
    text += L"\n  " + std::wstring(kNames[i]) + L": \"" + info.szDescription + L"\" style 0x" + style +
            (info.guidItem == GUID_LBI_INPUTMODE ? L" (the taskbar's input indicator)" : L"") + L", icon " +
            std::to_wstring(service->LangBarIcon(button));
    ++shown;
  }
  return text + (shown ? L"\n" : L" none\n");
}

int Run(const std::wstring& data, const std::wstring& keys, bool inlineCode, bool languageBar) {
  std::vector<KeyStroke> strokes;
  std::wstring error;
  if (!ParseKeyScript(keys, &strokes, &error)) {
    Write(L"tsfdemo: " + error + L"\n");
    return 2;
  }
  const std::wstring copy = CopyDataFolder(data);
  if (copy.empty() || !WriteHostRegistryValues(copy)) {
    Write(L"tsfdemo: cannot prepare a copy of " + data + L"\n");
    return 1;
  }
  CoInitialize(nullptr);
  CLSID clsid{};
  ParseProductClsid(ZN_PRODUCT_GUID_TEXT, &clsid);
  ComPtr<IClassFactory> factory;
  ComPtr<ITfTextInputProcessorEx> service;
  int status = 1;
  if (SUCCEEDED(DllGetClassObject(clsid, IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&service)))) {
    auto host = fakehost::Make<fakehost::FakeThreadMgr>();
    fakehost::FakeContext* document = host->OpenDocument();
    if (SUCCEEDED(service->ActivateEx(host.Get(), 1, 0))) {
      auto* textService = static_cast<CTextService*>(service.Get());
      ImeContext* context = textService->imeContext();
      const ImeConfigBlock saved = *context->imeBlock;
      if (inlineCode) context->imeBlock->optionFlags |= ImeBits::kTsfEmbedCode;
      if (languageBar) {
        context->imeBlock->optionFlags |= ImeBits::kStatusInLanguageBar;
        context->imeBlock->interfaceFlags = 0x3C0;
        textService->InitLanguageBar();
      }
      Write(LanguageBarItems(textService));
      Write(L"activated; typing " + keys + L"\n");
      for (const KeyStroke& key : strokes) {
        SetModifiers(key);
        const bool eaten = host->PressKey(key.virtualKey, key.ctrl || key.alt ? 0 : key.ch);
        SetModifiers(KeyStroke{});
        host->ReleaseKey(key.virtualKey);
        Write(key.name + (eaten ? L"  " : L"  (to the application)  ") + document->Marked() + L"\n" +
              Attributes(document, textService) + Describe(context) + L"\n");
      }
      Write(LanguageBarItems(textService));
      *context->imeBlock = saved;
      service->Deactivate();
      status = 0;
    } else {
      Write(L"tsfdemo: the text service did not activate\n");
    }
    host->Shutdown();
  }
  service.Reset();
  factory.Reset();
  RemoveDataFolderCopy(copy);
  CoUninitialize();
  return status;
}

}  // namespace

int wmain() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring data;
  std::wstring keys = L"wqvb{Space}sfg1ggll{Space}";
  bool inlineCode = false;
  bool languageBar = false;
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--data" && i + 1 < argc) {
      data = argv[++i];
    } else if (a == L"--keys" && i + 1 < argc) {
      keys = argv[++i];
    } else if (a == L"--inline") {
      inlineCode = true;
    } else if (a == L"--langbar") {
      languageBar = true;
    } else {
      Write(kHelp);
      return a == L"--help" ? 0 : 2;
    }
  }
  if (argv) LocalFree(argv);
  if (data.empty()) {
    Write(kHelp);
    return 2;
  }
  if (data.back() != L'\\') data += L'\\';
  return Run(data, keys, inlineCode, languageBar);
}
