// zntype: a console typing host. Creates an input context on a data folder
// (writing the registry values the engine reads), replays key strokes from
// --keys or standard input through the key runner and prints what a
// user would see after each key, as text or, with --json, one JSON object per
// key. Launches, synthetic keys and message boxes are printed, not carried
// out. Output is UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/CommandLanguage.h"
#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "frontend/common/ContextAssembly.h"
#include "tools/common/PrintingEffects.h"
#include "tools/common/TypingHost.h"
#include "tools/common/TypingView.h"
#include "tools/zntype/KeyScript.h"

namespace {

constexpr wchar_t kHelp[] =
    L"usage: zntype --data DIR [--keys STRING] [--json] [--scratch] [--answer yes|no]\n"
    L"              [--time \"YYYY-MM-DD hh:mm:ss\"] [--clipboard TEXT] [--set LINE]...\n"
    L"Types the keys (from --keys, else standard input) into an input context on the\n"
    L"data folder DIR and prints after each key the code, the composition, the page\n"
    L"(> marks the selection), the committed text, the temporary words and the\n"
    L"effects (launches, keys, message boxes), which are printed, not performed.\n"
    L"  --json       one JSON object per key\n"
    L"  --scratch    work on a copy of DIR, leaving DIR unchanged\n"
    L"  --answer     the button every message box gets (default yes)\n"
    L"  --time       a fixed clock for date placeholders (default: the real one)\n"
    L"  --clipboard  the clipboard text commands see (default empty)\n"
    L"  --set        applies a settings line \"[-SECTION-],KEY=VALUE\" before typing, as\n"
    L"               the set( command does; it changes config.dsc (see --scratch)\n"
    L"Keys: a character types itself, \"{{\" types \"{\"; {Name} names other keys:\n"
    L"  {Space} {Enter} {Esc} {Backspace} {Tab} {Left} {Right} {Up} {Down} {Home}\n"
    L"  {End} {PageUp} {PageDown} {Delete} {Insert} {Shift} {Ctrl} {Alt} {CapsLock}\n"
    L"  {LShift} {RShift} {LCtrl} {RCtrl}: a press and release of that side's key\n"
    L"  (a Shift tap switches to English, shown as [English])\n"
    L"  {F1}..{F24}, with modifiers {Ctrl+1} {Ctrl+Shift+a} {Alt+x} {Shift+Esc}.\n"
    L"Menu commands:\n"
    L"  {Entry:COMMAND:SLOT}  candidate-word menu on page slot 1..10; COMMAND is\n"
    L"                        up, down, first, last, pin, secondary, delete, info\n"
    L"                        or lookup\n"
    L"  {DeleteLast}          offer to delete (or restore) the word committed last\n";

struct Options {
  std::wstring data;
  std::wstring keys;
  bool haveKeys = false;
  bool json = false;
  bool scratch = false;
  bool help = false;
  PrintingEffects::Answer answer = PrintingEffects::Answer::kYes;
  bool fixedTime = false;
  LocalTimeParts time{};
  std::wstring clipboard;
  std::vector<std::wstring> settings;
};

void Write(HANDLE out, const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Fail(const std::wstring& text) {
  Write(GetStdHandle(STD_ERROR_HANDLE), L"zntype: " + text + L"\n");
}

bool ParseOptions(Options* options) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--help" || arg == L"-h") {
      options->help = true;
    } else if (arg == L"--json") {
      options->json = true;
    } else if (arg == L"--scratch") {
      options->scratch = true;
    } else if (arg == L"--data" && hasValue) {
      options->data = argv[++i];
    } else if (arg == L"--keys" && hasValue) {
      options->keys = argv[++i];
      options->haveKeys = true;
    } else if (arg == L"--answer" && hasValue) {
      std::wstring value = argv[++i];
      ok = value == L"yes" || value == L"no";
      if (value == L"no") options->answer = PrintingEffects::Answer::kNo;
    } else if (arg == L"--time" && hasValue) {
      ok = ParseLocalTime(argv[++i], &options->time);
      options->fixedTime = true;
    } else if (arg == L"--set" && hasValue) {
      options->settings.push_back(argv[++i]);
    } else if (arg == L"--clipboard" && hasValue) {
      options->clipboard = argv[++i];
    } else {
      ok = false;
    }
  }
  LocalFree(argv);
  return ok && (options->help || !options->data.empty());
}

std::wstring ReadStandardInput() {
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(in, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

std::wstring JsonString(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      out += L'\\';
      out += c;
    } else if (c < 0x20) {
      wchar_t escape[8];
      wsprintfW(escape, L"\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + L"\"";
}

std::wstring JsonList(const std::vector<std::wstring>& items) {
  std::wstring list;
  for (size_t i = 0; i < items.size(); ++i) list += (i ? L"," : L"") + JsonString(items[i]);
  return L"[" + list + L"]";
}

std::wstring TempText(const TempWordView& t) {
  return t.word + L"=" + t.code + L"@" + std::to_wstring(t.age);
}

// Multi-line texts (message boxes) stay indented under their key.
std::wstring Indented(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    out += text[i];
    if (text[i] == L'\n') out += L"      ";
  }
  return out;
}

// Text mode lists the temporary words only when they changed.
// passed: the input method took none of the key's events, so the program got it.
std::wstring Describe(const KeyStroke& key, const TypingView& view,
                      const std::vector<std::wstring>& effects, bool json, bool tempChanged,
                      bool english, bool passed) {
  std::vector<std::wstring> temp;
  for (const TempWordView& t : view.temp) temp.push_back(TempText(t));
  if (json) {
    return L"{\"key\":" + JsonString(key.name) + L",\"code\":" + JsonString(view.code) +
           L",\"composition\":" + JsonString(view.composition) + L",\"candidates\":" +
           JsonList(view.candidates) + L",\"selection\":" + std::to_wstring(view.selection) +
           L",\"page\":" + std::to_wstring(view.page) + L",\"commit\":" +
           JsonString(view.commit) + L",\"temp\":" + JsonList(temp) + L",\"effects\":" +
           JsonList(effects) + L",\"english\":" + (english ? L"true" : L"false") +
           L",\"passed\":" + (passed ? L"true" : L"false") + L"}\n";
  }
  std::wstring line = L"[" + key.name + L"] code: " + view.code;
  if (view.composition != view.code) line += L"  composition: " + view.composition;
  if (english) line += L"  [English]";
  if (!view.candidates.empty()) {
    line += L"\n   page " + std::to_wstring(view.page + 1) + L":";
    for (size_t i = 0; i < view.candidates.size(); ++i) {
      line += (static_cast<int>(i) == view.selection ? L"  >" : L"   ") +
              std::to_wstring((i + 1) % 10) + L"." + view.candidates[i];
    }
  }
  if (!view.commit.empty()) line += L"\n   commit: " + view.commit;
  if (passed) line += L"\n   passed to the program";
  for (const std::wstring& effect : effects) line += L"\n   effect: " + Indented(effect);
  if (tempChanged) {
    line += temp.empty() ? L"\n   temp: (none)" : L"\n   temp:";
    for (const std::wstring& t : temp) line += L" " + t;
  }
  return line + L"\n";
}

int Run(const Options& options, const std::vector<KeyStroke>& keys, const std::wstring& data) {
  if (!WriteHostRegistryValues(data)) {
    Fail(L"cannot write the product's registry values");
    return 1;
  }
  ImeContext* context = CreateContextWithSkin();
  if (!context) {
    Fail(L"no input context: config.dsc and main.dmg must be in " + data);
    return 1;
  }
  PrintingEffects effects;
  effects.SetAnswer(options.answer);
  effects.SetClipboard(options.clipboard);
  if (options.fixedTime) effects.SetFixedTime(options.time);
  context->effects = &effects;
  for (const std::wstring& line : options.settings) {
    CopyStringBounded(context->commandArgument, kCommandArgumentUnits,
                      (L"set(" + line + L")").c_str());
    if (!ApplySetCommand(context, effects)) {
      Fail(L"settings line not applied: " + line);
      context->effects = nullptr;
      DestroyContextWithSkin(context);
      return 2;
    }
  }
  auto host = std::make_unique<TypingHost>(context);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::vector<TempWordView> shownTemp;
  for (const KeyStroke& key : keys) {
    host->ClearOutput();
    const bool taken = host->Press(key);
    const TypingView view = ViewOf(*host);
    bool tempChanged = view.temp.size() != shownTemp.size();
    for (size_t i = 0; !tempChanged && i < view.temp.size(); ++i) {
      tempChanged = view.temp[i].word != shownTemp[i].word || view.temp[i].age != shownTemp[i].age;
    }
    shownTemp = view.temp;
    const bool english = (context->stateFlags & kStateEnglish) != 0;
    Write(out, Describe(key, view, effects.TakeLog(), options.json, tempChanged, english,
                        !taken && !key.keyFunction));
  }
  host.reset();
  context->effects = nullptr;
  DestroyContextWithSkin(context);
  return 0;
}

}  // namespace

int main() {
  Options options;
  if (!ParseOptions(&options)) {
    Fail(L"bad arguments; see zntype --help");
    return 2;
  }
  if (options.help) {
    Write(GetStdHandle(STD_OUTPUT_HANDLE), kHelp);
    return 0;
  }
  if (options.data.back() != L'\\') options.data += L'\\';
  std::vector<KeyStroke> keys;
  std::wstring error;
  if (!ParseKeyScript(options.haveKeys ? options.keys : ReadStandardInput(), &keys, &error)) {
    Fail(error);
    return 2;
  }
  std::wstring data = options.data;
  if (options.scratch) {
    data = CopyDataFolder(options.data);
    if (data.empty()) {
      Fail(L"cannot copy " + options.data);
      return 1;
    }
  }
  const int status = Run(options, keys, data);
  if (options.scratch) RemoveDataFolderCopy(data);
  return status;
}
