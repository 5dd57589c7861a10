// A config run for the code-table, key and word windows: a scratch data
// folder with small real tables (main, temp, association, danzi, dict), the
// fake seam pointed at it and the context loaded by config's own loader.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"
#include "tests/common/TempDir.h"
#include "tests/config/FakeConfigServices.h"
#include "tests/engine/DmgTestTables.h"
#include "ui/dialogs/RichEdit.h"

namespace zn::test {

inline constexpr wchar_t kToolsDisplayName[] = L"测试";

inline uint32_t ToolAttr(uint32_t category, uint32_t order, bool deleted = false) {
  return (category << 24) | order | (deleted ? 0x80000000u : 0);
}

class ToolsTestApp {
 public:
  explicit ToolsTestApp(const std::vector<DmgTestEntry>& main = DefaultEntries()) {
    LoadRichEditLibrary();
    std::vector<uint8_t> config = DefaultConfig();
    ConfigBlockSet set{};
    LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set);
    CopyStringBounded(set.soft->categoryNames[0], 9, L"五笔");
    set.soft->categoryFlags[0] = 0x1;
    set.soft->categoryFlags[2] = 0x3;
    const uint16_t rule[] = {0x101, 0x102, 0x201, 0x202, 0};
    std::copy(std::begin(rule), std::end(rule), set.dme->wordRules[2].elements);
    MakeDataFolder(services.os, dir.path(), config);
    WriteFileBytes(dir.File(L"main.dmg"), BuildDmgBytes(main));
    std::vector<uint8_t> temp(kTempTableBytes);
    WriteEmptyTempTable(temp.data(), kTempTableBytes);
    WriteFileBytes(dir.File(L"temp.dmg"), temp);
    WriteFileBytes(dir.File(L"danzi.dmi"),
                   BuildDmsBytes({{L"今", L"wygn"}, {L"天", L"gdi"}, {L"气", L"rnb"}}));
    WriteFileBytes(dir.File(L"dict.dms"),
                   BuildDmsBytes({{L"天", L"sky"}, {L"天气", L"weather"}, {L"天", L"day"}}));
    services.os.values[L"DisplayName"] = kToolsDisplayName;
    services.temp = dir.path();
    app.context = LoadImeContext(services.os.productKey, services);
    app.displayName = kToolsDisplayName;
  }
  ~ToolsTestApp() { UnloadImeContext(app.context, services); }

  static std::vector<DmgTestEntry> DefaultEntries() {
    return {{"gd", L"天气", ToolAttr(1, 500)},
            {"gdgd", L"天天", ToolAttr(2, 300)},
            {"wy", L"今", ToolAttr(1, 20)},
            {"wygd", L"今天", ToolAttr(2, 10)}};
  }
  // The main table as another process reads it from disk.
  std::vector<DmgTestEntry> MainOnDisk() const {
    MappedFile* table = nullptr;
    std::vector<DmgTestEntry> entries;
    if (ReadWholeFile(&table, dir.File(L"main.dmg").c_str()) == 1) entries = TableEntries(table);
    CloseMappedFile(table, 0);
    return entries;
  }
  bool OnDisk(const std::string& code, const std::wstring& word) const {
    for (const DmgTestEntry& e : MainOnDisk()) {
      if (e.code == code && e.word == word) return true;
    }
    return false;
  }

  TempDir dir;
  FakeConfigServices services;
  ConfigApp app{services};
};

}  // namespace zn::test
