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

  TempDir dir;
  FakeConfigServices services;
  ConfigApp app{services};
};

}  // namespace zn::test
