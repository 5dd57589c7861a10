// A config run against a scratch data folder: the fake seam pointed at it,
// the context loaded through config's own loader, and helpers to read the
// settings file back from disk.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigResources.h"
#include "tests/common/TempDir.h"
#include "tests/config/FakeConfigServices.h"
#include "ui/dialogs/RichEdit.h"

namespace zn::test {

inline constexpr wchar_t kTestDisplayName[] = L"测试";

class ConfigTestApp {
 public:
  explicit ConfigTestApp(const std::vector<uint8_t>& config = DefaultConfig()) {
    LoadRichEditLibrary();
    MakeDataFolder(services.os, dir.path(), config);
    services.os.values[L"DisplayName"] = kTestDisplayName;
    services.temp = dir.path();
    app.context = LoadImeContext(services.os.productKey, services);
    app.displayName = kTestDisplayName;
  }
  ~ConfigTestApp() { UnloadImeContext(app.context, services); }

  ImeConfigBlock* ime() const { return app.context->imeBlock; }
  // The settings file as another process would read it from disk.
  std::vector<uint8_t> ConfigOnDisk() const { return ReadFileBytes(dir.File(L"config.dsc")); }
  // A 32-bit word of the ime block (offset from the block's start) on disk.
  uint32_t ImeWordOnDisk(size_t blockOffset) const {
    return GetU32(ConfigOnDisk(), 140 + blockOffset);
  }
  // A byte of the dme block on disk; both blocks sit in the one mapping.
  uint8_t DmeByteOnDisk(size_t blockOffset) const {
    const auto* ime = reinterpret_cast<const uint8_t*>(app.context->imeBlock);
    const auto* dme = reinterpret_cast<const uint8_t*>(app.context->dmeBlock);
    return ConfigOnDisk().at(140 + static_cast<size_t>(dme - ime) + blockOffset);
  }
  // Reloads the context so that config finds the module built with the
  // tests (through the seam) instead of the system folder's.
  void UseBuiltModule(const wchar_t* path) {
    UnloadImeContext(app.context, services);
    services.realModule = path;
    app.context = LoadImeContext(services.os.productKey, services);
  }

  TempDir dir;
  FakeConfigServices services;
  ConfigApp app{services};
};

// Positions in the rich edit count a line end as one unit.
inline LONG EditPosition(const std::wstring& crlfText, size_t index) {
  LONG position = 0;
  for (size_t i = 0; i < index; ++i) {
    if (crlfText[i] == L'\r' && i + 1 < crlfText.size() && crlfText[i + 1] == L'\n') ++i;
    ++position;
  }
  return position;
}

// The text of the settings editor's rich edit, line ends as CR LF.
inline std::wstring EditorText(HWND editor) {
  RichEditBox box;
  box.Attach(GetDlgItem(editor, IDC_ADV_TEXT));
  return box.Text();
}

}  // namespace zn::test
