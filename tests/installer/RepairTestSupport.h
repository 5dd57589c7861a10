// Shared pieces of the repair tests: a product installed on the fake, main.dmg
// images with the kept header fields, and the entries a table holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/DmgTable.h"
#include "installer/core/InstallSteps.h"
#include "installer/core/Registration.h"
#include "installer/core/RepairUninstall.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {

// main.dmg bytes with the three kept header fields set.
inline std::vector<uint8_t> TableWithFields(bool userWords, uint32_t a, uint64_t b, uint64_t c) {
  std::vector<uint8_t> bytes = BuildDmgBytes(SmallMainTable(userWords));
  std::memcpy(bytes.data() + offsetof(DmgHeader, userState74), &a, 4);
  std::memcpy(bytes.data() + offsetof(DmgHeader, userState78), &b, 8);
  std::memcpy(bytes.data() + offsetof(DmgHeader, userState80), &c, 8);
  return bytes;
}

inline std::vector<DmgTestEntry> Entries(const std::wstring& path) {
  MappedFilePtr table = OpenTableFile(path);
  return TableEntries(table.get());
}

inline bool Holds(const std::vector<DmgTestEntry>& entries, const DmgTestEntry& wanted) {
  return std::count(entries.begin(), entries.end(), wanted) == 1;
}

// A product installed on the fake, and the state an uninstall starts from.
struct InstalledFixture : InstallFixture {
  InstalledFixture() {
    Unpack();
    CreateDirectoryPath(os, Install());
    EXPECT_TRUE(RunInstallSteps(*state, os, L"", L""));
    log.lines.clear();
    log.positions.clear();
  }
  std::unique_ptr<InstallerState> FromRegistry() {
    auto fresh = NewState();
    SetText(fresh->productKey, kKeyUnits, ZN_PRODUCT_GUID_TEXT);
    EXPECT_TRUE(ReadInstalledProduct(*fresh, os));
    fresh->log = &log;
    return fresh;
  }
  std::wstring StartMenu() {
    return os.Folder(KnownFolder::kCommonPrograms) + L"星禾五笔\\";
  }
  // The repair as the maintenance dialog runs it: the package unpacked
  // again from _backup_.dat, no stub.
  bool Repair() {
    Unpack();
    state->stubPath[0] = L'\0';
    state->unregistered = false;
    return RunRepairSteps(*state, os);
  }
};

}  // namespace zn::test
