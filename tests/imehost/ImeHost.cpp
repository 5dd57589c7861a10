// A black-box host for zinIME.ime: installs the built module as an IME,
// points it at a scratch copy of a data folder, activates it for an EDIT
// control and types with SendInput, as a user at the keyboard would. It
// prints the EDIT's text after each key and the IME messages the EDIT got,
// and checks the final text when asked.
//
//   imehost --data DIR --module FILE [--keys KEYS] [--expect TEXT]
//           [--print] [--messages] [--check-messages] [--hold MS]
//           [--shot FILE.png]
//   imehost --installed [--module FILE] [...]
//
// --installed types through a product the installer put in place: its
// module in the system folder (or FILE), its registry values and its data
// folder, none of them copied or changed.
//
// KEYS in zntype's notation: characters type themselves (a blank is Space),
// {Name} names other keys ({Enter}, {Esc}, {Backspace}, {PageDown}, {Ctrl+1} ...).
#include <windows.h>
#include <imm.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/imehost/HostSetup.h"
#include "tests/imehost/HostSession.h"
#include "tests/imehost/MessageSequence.h"
#include "tools/common/ScreenShot.h"

namespace {

struct Options {
  std::wstring data;
  std::wstring module;
  std::wstring keys = L"wqvb khlg ";
  std::wstring expect;
  bool haveExpect = false;
  bool print = false;
  bool messages = false;
  bool checkMessages = false;
  int holdMs = 0;
  std::wstring shot;
  bool installed = false;
};

bool ParseOptions(int argc, wchar_t** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    auto next = [&](std::wstring* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::wstring hold;
    if (a == L"--data") {
      if (!next(&o->data)) return false;
    } else if (a == L"--module") {
      if (!next(&o->module)) return false;
    } else if (a == L"--keys") {
      if (!next(&o->keys)) return false;
    } else if (a == L"--expect") {
      if (!next(&o->expect)) return false;
      o->haveExpect = true;
    } else if (a == L"--print") {
      o->print = true;
    } else if (a == L"--messages") {
      o->messages = true;
    } else if (a == L"--check-messages") {
      o->checkMessages = true;
    } else if (a == L"--shot") {
      if (!next(&o->shot)) return false;
    } else if (a == L"--hold") {
      if (!next(&hold)) return false;
      o->holdMs = _wtoi(hold.c_str());
    } else if (a == L"--installed") {
      o->installed = true;
    } else {
      return false;
    }
  }
  if (o->installed) return o->data.empty();
  return !o->data.empty() && !o->module.empty();
}

int Fail(const char* what) {
  PrintUtf8(L"imehost: ");
  std::printf("%s (error %lu)\n", what, GetLastError());
  std::fflush(stdout);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::printf("usage: imehost (--data DIR --module FILE | --installed [--module FILE]) "
                "[--keys KEYS] [--expect TEXT] [--print] [--messages] [--check-messages] "
                "[--hold MS] [--shot FILE.png]\n");
    return 2;
  }
  std::vector<KeyStroke> keys;
  std::wstring error;
  if (!ParseKeyScript(options.keys, &keys, &error)) return Fail("cannot read the keys");
  for (const KeyStroke& key : keys) {
    // Menu commands of the console host have no key to send.
    if (key.keyFunction) return Fail("the keys name a menu command");
  }

  DataCopy data;
  ProductRegistry registry;
  if (options.installed) {
    if (options.module.empty() && !InstalledModulePath(&options.module))
      return Fail("the product is not installed");
  } else {
    if (!data.Make(options.data)) return Fail("cannot copy the data folder");
    std::wstring install = options.data;
    if (!install.empty() && install.back() != L'\\') install += L'\\';
    if (!registry.Write(install, data.path()))
      return Fail("cannot write the product's registry values");
  }
  ImeLayout layout;
  if (!layout.Install(options.module, L"星禾五笔")) return Fail("ImmInstallIMEW failed");

  HostSession session;
  if (!session.Open(layout.layout())) return Fail("cannot open the host window");
  if (options.print)
    PrintUtf8(session.UiWindowCreatedByHost() ? L"UI window: made by the host\n"
                                              : L"UI window: made by the system\n");
  // The picture shows the last moment a composition was open (the candidate
  // window over the EDIT), or the end when none was.
  bool shotTaken = false;
  auto shoot = [&] {
    RECT area = session.FrameRect();
    area.bottom += 260;  // room below the frame, where the candidate window hangs
    area.right += 120;
    shotTaken = SaveScreenRect(area, options.shot);
  };
  for (const KeyStroke& key : keys) {
    session.Press(key);
    if (options.print) PrintUtf8(key.name + L" → " + session.EditText() + L"\n");
    if (!options.shot.empty() && session.CompositionOpen()) {
      session.PumpFor(150);
      shoot();
    }
  }
  if (options.holdMs > 0) session.PumpFor(options.holdMs);
  if (!options.shot.empty()) {
    if (!shotTaken) shoot();
    PrintUtf8(shotTaken ? L"screenshot: " + options.shot + L"\n" : L"screenshot failed\n");
  }
  const std::wstring text = session.EditText();
  if (options.messages) PrintUtf8(session.MessageLog());
  PrintUtf8(L"text: " + text + L"\n");
  std::wstring report;
  // Every run checks the order of the composition messages of every key.
  bool sequenceOk = CheckWellFormed(keys, session, &report);
  if (sequenceOk && options.checkMessages) sequenceOk = CheckCodeSequence(keys, session, &report);
  session.Close();
  int status = 0;
  if (options.haveExpect && text != options.expect) {
    PrintUtf8(L"expected: " + options.expect + L"\n");
    status = 1;
  }
  if (!sequenceOk) {
    PrintUtf8(L"message sequence: " + report + L"\n");
    status = 1;
  }
  return status;
}
