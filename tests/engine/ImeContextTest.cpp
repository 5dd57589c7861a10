// Context creation against a data folder: registry values, required and
// optional files, settings blocks, the temporary-word reset after a restart,
// and that failed creation leaves nothing open.
#include <gtest/gtest.h>

#include "engine/ImeContext.h"
#include "engine/Registry.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"

using namespace zn::test;

namespace {

uint32_t TempCount(const std::wstring& folder) { return GetU32(ReadFileBytes(folder + L"temp.dmg"), 4); }

class ContextTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeDataFolder(os_, dir_.path()); }
  ImeContext* Create() { return CreateImeContext(&os_); }
  // A context made and closed again, as a short-lived host would.
  bool Cycle() {
    ImeContext* ctx = Create();
    DestroyImeContext(ctx);
    return ctx != nullptr;
  }
  std::wstring File(const wchar_t* name) { return dir_.File(name); }
  void TurnOnTempClearing() {
    auto config = DefaultConfig();
    ImeBlockOf(config)->optionFlags |= kImeOptClearTempOnRestart;
    WriteFileBytes(File(L"config.dsc"), config);
  }
  void RefillTemp() { WriteFileBytes(File(L"temp.dmg"), FakeTable(5)); }

  TempDir dir_;
  FakeOs os_;
};

TEST_F(ContextTest, OpensFilesBindsBlocksAndReadsInstallation) {
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  EXPECT_STREQ(ctx->productKey, os_.productKey.c_str());
  EXPECT_STREQ(ctx->imeName, L"zinIME");
  EXPECT_EQ(std::wstring(ctx->installFolder), dir_.path());  // backslash added
  for (DataFile f : {kFileConfig, kFileMain, kFileTemp}) EXPECT_NE(ctx->files[f], nullptr) << f;
  for (DataFile f : {kFileEnglish, kFileDictionary}) EXPECT_EQ(ctx->files[f], nullptr) << f;
  ASSERT_NE(ctx->files[kFileConfig], nullptr);
  const uint8_t* config = ctx->files[kFileConfig]->view;
  EXPECT_EQ(reinterpret_cast<uint8_t*>(ctx->imeBlock), config + 140);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(ctx->dmeBlock), config + 8432);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(ctx->skinBlock), config + 21776);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(ctx->softBlock), config + 22436);
  // The engine loads no skin; the front ends' context assembly does.
  EXPECT_EQ(ctx->skin, nullptr);
  EXPECT_EQ(ctx->osVersion.dwOSVersionInfoSize, 276u);
  EXPECT_EQ(ctx->osVersion.dwMajorVersion, 10u);
  EXPECT_FALSE(NothingHolds(File(L"config.dsc")));
  DestroyImeContext(ctx);
  EXPECT_TRUE(NothingHolds(File(L"config.dsc")) && NothingHolds(File(L"main.dmg")));
  DestroyImeContext(nullptr);
}

TEST_F(ContextTest, EveryMissingRequirementFailsWithNothingOpen) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
  };
  const Case cases[] = {
      {"no product key", [&] { os_.keyExists = false; }},
      {"no string resource", [&] { os_.productKey.clear(); }},
      {"no InstallLocation", [&] { os_.values.erase(L"InstallLocation"); }},
      {"empty InstallLocation", [&] { os_.values[L"InstallLocation"] = L""; }},
      {"no DataLocation", [&] { os_.values.erase(L"DataLocation"); }},
      {"empty DataLocation", [&] { os_.values[L"DataLocation"] = L""; }},
      {"DataLocation without backslash",
       [&] { os_.values[L"DataLocation"] = dir_.path().substr(0, dir_.path().size() - 1); }},
      {"no config.dsc", [&] { DeleteFileW(File(L"config.dsc").c_str()); }},
      {"no main.dmg", [&] { DeleteFileW(File(L"main.dmg").c_str()); }},
      {"three blocks", [&] {
         auto config = DefaultConfig();
         config[0] = 3;
         WriteFileBytes(File(L"config.dsc"), config);
       }},
  };
  for (const Case& c : cases) {
    FakeOs saved = os_;
    c.spoil();
    EXPECT_FALSE(Cycle()) << c.what;
    for (const wchar_t* name : {L"config.dsc", L"main.dmg", L"temp.dmg"}) {
      if (GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES) {
        EXPECT_TRUE(NothingHolds(File(name))) << c.what;
      }
    }
    os_ = saved;
    MakeDataFolder(os_, dir_.path());
  }
  EXPECT_TRUE(Cycle()) << "the folder works again once repaired";
}

TEST_F(ContextTest, TempWordsClearedOncePerBoot) {
  TurnOnTempClearing();
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  uint64_t stamp = ImeBootStamp(ctx->imeBlock);
  EXPECT_EQ(stamp, (os_.now - os_.tickMs / 1000) & ~0xFFull);
  DestroyImeContext(ctx);
  EXPECT_EQ(TempCount(dir_.path()), 0u);
  auto temp = ReadFileBytes(File(L"temp.dmg"));
  EXPECT_EQ(GetU32(temp, 0), kTestTableSize);
  for (size_t i = 0x88; i < 0x10088; ++i) ASSERT_EQ(temp[i], 0) << i;

  // Later in the same boot the clock and the tick count drift by a few
  // seconds, which may carry the stamp across a 256-second step.
  for (int drift : {0, 3, -3, 200, -200}) {
    RefillTemp();
    os_.now += 1000;
    os_.tickMs += 1000 * 1000 + drift * 1000;
    ASSERT_TRUE(Cycle());
    EXPECT_EQ(TempCount(dir_.path()), 5u) << "drift " << drift;
  }

  // A restart: the uptime starts again from a few minutes.
  RefillTemp();
  os_.now += 7200;
  os_.tickMs = 120000;
  ASSERT_TRUE(Cycle());
  EXPECT_EQ(TempCount(dir_.path()), 0u);

  // Fifty days of uptime: a 32-bit tick count would have wrapped.
  os_.tickMs = 50ull * 86400 * 1000;
  os_.now += 50ull * 86400 - 120;
  RefillTemp();
  EXPECT_TRUE(Cycle());
  EXPECT_EQ(TempCount(dir_.path()), 5u);
}

TEST_F(ContextTest, TempWordsKeptWhenOptionOffOrTableUnusable) {
  EXPECT_TRUE(Cycle());
  EXPECT_EQ(TempCount(dir_.path()), 5u);

  // A temp.dmg shorter than its own index is not written to.
  TurnOnTempClearing();
  std::vector<uint8_t> shortTable(0x100, 0);
  shortTable[4] = 7;
  WriteFileBytes(File(L"temp.dmg"), shortTable);
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ImeBootStamp(ctx->imeBlock), 0u);
  DestroyImeContext(ctx);
  EXPECT_EQ(ReadFileBytes(File(L"temp.dmg")), shortTable);
}

// Paired quotes are typing state of each context: creating one leaves the
// shared settings (and so every other context) alone.
TEST_F(ContextTest, CreationStartsItsOwnPairsOpenAndResetsPendingCommand) {
  auto config = DefaultConfig();
  ImeConfigBlock* ime = ImeBlockOf(config);
  ime->symbolEscapes['"'] = {2, {0x201C}, {0x201D}, 1};
  ime->symbolEscapes['.'] = {1, {0x3002}, {}, 1};
  WriteFileBytes(File(L"config.dsc"), config);
  SetPendingCommandState(7);
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx->imeBlock->symbolEscapes['"'].pairState, 1);
  EXPECT_EQ(ctx->imeBlock->symbolEscapes['.'].pairState, 1);
  for (uint32_t pairs : ctx->quotePairStates) EXPECT_EQ(pairs, 0u);
  EXPECT_EQ(PendingCommandState(), 0u);
  DestroyImeContext(ctx);
}

// Entries of the candidate list and the remembered unique candidate point
// into the views: after a moved view none of them may be offered again.
TEST_F(ContextTest, ReopenTablesSeesAGrownTableAndDropsEntriesIntoTheOldView) {
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  ctx->candidateCount = ctx->slotsFilled = 1;
  ctx->candidates[0].entry = ctx->files[kFileMain]->view;
  ctx->previousUnique.table = kFileMain + 1;
  EXPECT_FALSE(ReopenTables(ctx));
  EXPECT_EQ(ctx->candidateCount, 1);
  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile(&other, File(L"main.dmg").c_str()), 0);
  ASSERT_EQ(ResizeMappedFile(other, kTestTableSize + 1000), 1);
  other->view[kTestTableSize + 999] = 0xAB;
  CloseMappedFile(other, 1);
  EXPECT_TRUE(ReopenTables(ctx));
  ASSERT_EQ(ctx->files[kFileMain]->size, kTestTableSize + 1000);
  EXPECT_EQ(ctx->files[kFileMain]->view[kTestTableSize + 999], 0xAB);
  EXPECT_EQ(ctx->candidateCount, 0);
  EXPECT_EQ(ctx->slotsFilled, 0);
  EXPECT_EQ(ctx->previousUnique.table, 0u);
  DestroyImeContext(ctx);
}

// Tables missing or empty when the context was made, built afterwards by
// another process: activation opens them, as a fresh context would, and
// drops every entry of the list.
TEST_F(ContextTest, ReopenTablesOpensTablesBuiltAfterTheContextOpened) {
  WriteFileBytes(File(L"sysl.dmg"), {});
  ImeContext* ctx = Create();
  ASSERT_NE(ctx, nullptr);
  ASSERT_NE(ctx->files[kFileAssociation], nullptr);
  ASSERT_EQ(ctx->files[kFileEnglish], nullptr);
  MappedFile* sysl = ctx->files[kFileAssociation];
  EXPECT_FALSE(ReopenTables(ctx)) << "nothing built yet";
  WriteFileBytes(File(L"engl.dmg"), {});
  EXPECT_FALSE(ReopenTables(ctx)) << "an empty file is not opened again and again";
  EXPECT_EQ(ctx->files[kFileEnglish], nullptr);

  ctx->candidateCount = ctx->slotsFilled = 1;
  ctx->candidates[0].entry = sysl->view;
  for (const wchar_t* name : {L"sysl.dmg", L"engl.dmg"}) {
    WriteFileBytes(File(L"built.new"), FakeTable(4));
    ASSERT_TRUE(MoveFileExW(File(L"built.new").c_str(), File(name).c_str(), MOVEFILE_REPLACE_EXISTING));
  }
  EXPECT_TRUE(ReopenTables(ctx));
  EXPECT_EQ(ctx->candidateCount, 0);
  EXPECT_EQ(ctx->slotsFilled, 0);
  EXPECT_EQ(ctx->files[kFileAssociation], sysl) << "the same record";
  for (DataFile f : {kFileAssociation, kFileEnglish}) {
    ASSERT_NE(ctx->files[f], nullptr) << f;
    EXPECT_TRUE(IsWritableMapping(ctx->files[f])) << f;
    EXPECT_EQ(ctx->files[f]->size, kTestTableSize) << f;
    EXPECT_EQ(GetU32(std::vector<uint8_t>(ctx->files[f]->view, ctx->files[f]->view + 8), 4), 4u) << f;
  }
  EXPECT_FALSE(ReopenTables(ctx));
  DestroyImeContext(ctx);
  EXPECT_TRUE(NothingHolds(File(L"sysl.dmg")) && NothingHolds(File(L"engl.dmg")));
}

// The real services: the product key from the executable's string table and
// the values from the registry of the Wine prefix (a key of this test's own).
TEST(ContextRealOs, ReadsStringTableAndRegistry) {
  wchar_t key[40];
  ASSERT_GT(DefaultOs().LoadModuleString(1, key, 40), 0);
  EXPECT_STREQ(key, ZN_PRODUCT_GUID_TEXT);

  struct OwnKeyOs : Win32OsServices {
    int LoadModuleString(uint32_t, wchar_t* out, int) const override {
      wcscpy(out, L"{C0C0C0C0-0000-4000-8000-00000000C0DE}");
      return 38;
    }
  } os;
  const wchar_t* path = ZN_REGISTRY_ROOT L"\\{C0C0C0C0-0000-4000-8000-00000000C0DE}";
  TempDir dir;
  FakeOs fake;
  MakeDataFolder(fake, dir.path());
  HKEY hkey;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey,
                            nullptr),
            ERROR_SUCCESS);
  for (auto& [name, value] : fake.values) {
    RegSetValueExW(hkey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  // Stored without a terminator: the reader must still end the text.
  std::wstring raw = L"abcdef";
  RegSetValueExW(hkey, L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw.data()),
                 static_cast<DWORD>(raw.size() * sizeof(wchar_t)));
  RegCloseKey(hkey);

  ImeContext* ctx = CreateImeContext(&os);
  EXPECT_NE(ctx, nullptr);
  DestroyImeContext(ctx);
  const wchar_t* productKey = L"{C0C0C0C0-0000-4000-8000-00000000C0DE}";
  wchar_t out[8];
  wmemset(out, L'#', 8);
  EXPECT_EQ(ReadImeRegistryValue(productKey, L"Raw", out, 8, os), 1);
  EXPECT_STREQ(out, L"abcdef");
  EXPECT_EQ(ReadImeRegistryValue(productKey, L"Raw", out, 6, os), 0) << "does not fit";
  EXPECT_STREQ(out, L"");
  wchar_t name[kImeNameUnits];
  EXPECT_EQ(ReadImeName(productKey, name, os), 1);
  EXPECT_EQ(ReadImeName(L"{NOT-INSTALLED}", name, os), 0);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
}

TEST(RegistryReaders, InstallLocationGetsBackslashOrCountsAsMissing) {
  FakeOs os;
  wchar_t out[16];
  os.values[L"InstallLocation"] = L"C:\\zn";
  EXPECT_EQ(ReadInstallLocation(os.productKey.c_str(), out, 16, os), 1);
  EXPECT_STREQ(out, L"C:\\zn\\");
  os.values[L"InstallLocation"] = L"C:\\abcdefghijk";  // 14 units: no room for the backslash
  EXPECT_EQ(ReadInstallLocation(os.productKey.c_str(), out, 16, os), 1);
  EXPECT_EQ(ReadInstallLocation(os.productKey.c_str(), out, 15, os), 0);
  EXPECT_EQ(ReadInstallLocation(os.productKey.c_str(), out, 0, os), 0);
  os.values.erase(L"IMEName");
  EXPECT_EQ(ReadImeName(os.productKey.c_str(), out, os), 1) << "missing value, key present";
  EXPECT_STREQ(out, L"");
  // A product key too long for the 128-unit key path never opens a cut key.
  std::wstring longKey(130, L'A');
  EXPECT_EQ(ReadImeName(longKey.c_str(), out, os), 0);
}

}  // namespace
