// Registration against the fake: product values in both views, the
// framework decision by Windows version and package, re-registration,
// removal, the framework switches, layouts and the preload list.
#include <gtest/gtest.h>

#include "engine/MappedFile.h"
#include "installer/core/FolderTree.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/StartUp.h"
#include "installer/core/TsfCategories.h"
#include "tests/installer/InstallerTestSupport.h"

#include <msctf.h>

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;
const std::wstring kLayoutsKey = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";

struct RegistrationFixture {
  FakeInstallerOs os;
  std::unique_ptr<InstallerState> state = ProductState(os);

  // The installed config.dsc, whose framework bits Windows 8 switches on.
  void PlaceConfig(uint32_t frameworkBits) {
    std::vector<uint8_t> image = DefaultConfigImage();
    ImeOf(image)->optionFlags = (ImeOf(image)->optionFlags & ~kFrameworkBits) | frameworkBits;
    CreateDirectoryPath(os, state->dataFolder);
    WriteFileBytes(std::wstring(state->dataFolder) + L"config.dsc", image);
    state->ime.optionFlags = (state->ime.optionFlags & ~kFrameworkBits) | frameworkBits;
  }
  // Windows 7 with the installed settings on these framework bits.
  void Windows7(uint32_t frameworkBits) {
    os.osMajor = 6;
    os.osMinor = 1;
    PlaceConfig(frameworkBits);
  }
  uint32_t InstalledFrameworkBits() {
    std::vector<uint8_t> image = ReadFileBytes(std::wstring(state->dataFolder) + L"config.dsc");
    return ImeOf(image)->optionFlags & kFrameworkBits;
  }
  std::wstring Module64() { return os.Folder(KnownFolder::kSystem) + L"zinIME.ime"; }
};

TEST(ProductValues, BothViewsInOrderWithTerminators) {
  RegistrationFixture f;
  std::vector<ProductValue> plan = PlanProductValues(*f.state);
  std::vector<std::wstring> names;
  for (const ProductValue& v : plan) names.push_back(v.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"DataLocation", L"InstallLocation", L"IMEName",
                                              L"DisplayName", L"DisplayVersion", L"URLUpdateInfo",
                                              L"LanguageName", L"UnstallCommand", L"LANGID"}));
  ASSERT_TRUE(WriteProductValues(*f.state, f.os));
  for (const std::wstring& key : {ProductKeyPath(kKey), ProductKeyPath32(kKey)}) {
    EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, key, L"IMEName"), L"zinIME");
    EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, key, L"LanguageName"), ZN_LANGUAGE_NAME);
    EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, key, L"InstallLocation"), f.state->installFolder);
    uint32_t language = 0;
    EXPECT_EQ(f.os.RegReadDword(RegHive::kLocalMachine, key.c_str(), L"LANGID", &language),
              ERROR_SUCCESS);
    EXPECT_EQ(language, 0x0804u);
    std::vector<uint8_t> raw = f.os.RawValue(RegHive::kLocalMachine, key, L"DisplayName");
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.size(), (wcslen(ZN_DISPLAY_NAME) + 1) * 2);
    EXPECT_EQ(raw[raw.size() - 1], 0);
    EXPECT_EQ(raw[raw.size() - 2], 0);
  }
  f.os.readOnlyKeys.insert(L"0:software\\zinnorime3");
  EXPECT_FALSE(WriteProductValues(*f.state, f.os));
}

TEST(Registration, Windows7ImmFrameworkInstallsOnlyTheLayout) {
  RegistrationFixture f;
  f.Windows7(0);
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  EXPECT_EQ(f.os.CountCalls(L"InstallIme " + f.Module64() + L" " + ZN_LANGUAGE_NAME), 1u);
  EXPECT_EQ(f.os.CountCalls(L"Register "), 0u);
  EXPECT_EQ(f.os.CountCalls(L"RegisterCategory"), 0u);
  EXPECT_FALSE(f.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  EXPECT_NE(FindImeLayout(f.os, L"ZINIME.IME"), 0u);
  EXPECT_EQ(f.InstalledFrameworkBits(), 0u);
}

TEST(Registration, Windows7EmbeddedSubstitutesTheLayout) {
  RegistrationFixture f;
  f.Windows7(kFrameworkEmbedded);
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  EXPECT_EQ(f.os.CountCalls(L"InstallIme"), 1u);
  EXPECT_EQ(f.os.CountCalls(L"Substitute"), 1u);
  EXPECT_EQ(f.os.CountCalls(L"Enable 1"), 1u);
  EXPECT_EQ(f.os.CountCalls(L"EnableByDefault 1"), 1u);
  EXPECT_EQ(f.os.CountCalls(L"RegisterCategory"), kTsfCategoriesBefore8);
  EXPECT_EQ(f.os.Value(RegHive::kClassesRoot, L"CLSID\\" + kKey + L"\\InProcServer32", L""),
            f.Module64());
  EXPECT_EQ(
      f.os.Value(RegHive::kClassesRoot, L"CLSID\\" + kKey + L"\\InProcServer32", L"ThreadingModel"),
      L"Apartment");
  EXPECT_EQ(
      f.os.Value(RegHive::kClassesRoot, L"Wow6432Node\\CLSID\\" + kKey + L"\\InProcServer32", L""),
      f.os.Folder(KnownFolder::kSystemWow64) + L"zinIME.ime");
}

TEST(Registration, UnimplementedSubstitutionKeepsTheLayoutAndOtherFailuresFail) {
  // Wine has no SubstituteKeyboardLayout: the IMM32 layout serves alone and
  // the profile is still enabled and categorised.
  RegistrationFixture wine;
  wine.Windows7(kFrameworkEmbedded);
  wine.os.tsfResults["Substitute"] = E_NOTIMPL;
  ASSERT_TRUE(RegisterInputMethod(*wine.state, wine.os));
  EXPECT_NE(FindImeLayout(wine.os, L"zinIME.ime"), 0u);
  EXPECT_EQ(wine.os.CountCalls(L"Enable 1"), 1u);
  EXPECT_EQ(wine.os.CountCalls(L"RegisterCategory"), kTsfCategoriesBefore8);
  EXPECT_EQ(wine.state->failure.call, nullptr);

  RegistrationFixture refused;
  refused.Windows7(kFrameworkEmbedded);
  refused.os.tsfResults["Substitute"] = E_ACCESSDENIED;
  EXPECT_FALSE(RegisterInputMethod(*refused.state, refused.os));
  ASSERT_NE(refused.state->failure.call, nullptr);
  EXPECT_STREQ(refused.state->failure.call, L"ITfInputProcessorProfiles::SubstituteKeyboardLayout");
  EXPECT_EQ(refused.state->failure.code, static_cast<uint32_t>(E_ACCESSDENIED));
  EXPECT_EQ(refused.os.CountCalls(L"Enable"), 0u);
}

TEST(Registration, AFailureNamesTheCallAndTheSystemsCode) {
  struct Case {
    uint32_t major;
    const char* tsfCall;  // fails with E_FAIL; null: none
    uint32_t imeError;    // InstallIme fails with it; 0: works
    bool tsfAllowed;
    const wchar_t* call;
    uint32_t code;
  };
  const Case cases[] = {
      {6, nullptr, ERROR_ACCESS_DENIED, true, L"ImmInstallIMEW", ERROR_ACCESS_DENIED},
      {10, nullptr, 0, false, kFailTsfNotAllowed, 0},
      {10, "Register", 0, true, L"ITfInputProcessorProfiles::Register",
       static_cast<uint32_t>(E_FAIL)},
      {10, "AddLanguageProfile", 0, true, L"ITfInputProcessorProfiles::AddLanguageProfile",
       static_cast<uint32_t>(E_FAIL)},
      {10, "RegisterCategory", 0, true, L"ITfCategoryMgr::RegisterCategory",
       static_cast<uint32_t>(E_FAIL)},
  };
  for (const Case& c : cases) {
    RegistrationFixture f;
    f.os.osMajor = c.major;
    f.os.osMinor = c.major == 6 ? 1 : 0;
    f.PlaceConfig(kFrameworkEmbedded);
    if (c.tsfCall) f.os.tsfResults[c.tsfCall] = E_FAIL;
    f.os.installImeError = c.imeError;
    if (!c.tsfAllowed) f.state->soft.installerFlags &= ~kStateTsfAllowed;
    EXPECT_FALSE(RegisterInputMethod(*f.state, f.os));
    ASSERT_NE(f.state->failure.call, nullptr);
    EXPECT_STREQ(f.state->failure.call, c.call);
    EXPECT_EQ(f.state->failure.code, c.code);
  }
  // The product key cannot be written: the registry's own code.
  RegistrationFixture readOnly;
  readOnly.os.readOnlyKeys.insert(L"0:software\\zinnorime3");
  EXPECT_FALSE(RegisterInputMethod(*readOnly.state, readOnly.os));
  ASSERT_NE(readOnly.state->failure.call, nullptr);
  EXPECT_STREQ(readOnly.state->failure.call, L"RegSetValueExW");
  EXPECT_NE(readOnly.state->failure.code, 0u);
}

TEST(Registration, Windows8SwitchesTheInstalledSettingsToTsf) {
  RegistrationFixture f;
  f.PlaceConfig(0);
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  EXPECT_EQ(f.InstalledFrameworkBits(), kFrameworkEmbedded);
  EXPECT_EQ(f.state->ime.optionFlags & kFrameworkBits, kFrameworkEmbedded);
  EXPECT_EQ(f.os.CountCalls(L"InstallIme"), 0u);
  EXPECT_EQ(f.os.CountCalls(L"Substitute"), 0u);
  EXPECT_EQ(f.os.CountCalls(L"AddLanguageProfile " + kKey + L" 2052 " + kKey + L" " +
                            ZN_LANGUAGE_NAME + L" " + f.Module64() + L" 0"),
            1u);
  EXPECT_EQ(f.os.CountCalls(L"RegisterCategory"), kTsfCategoryCount);
  EXPECT_EQ(f.os.CountCalls(L"Enable 1"), 1u);

  // A package that does not allow TSF cannot be installed on Windows 8.
  RegistrationFixture refused;
  refused.PlaceConfig(0);
  refused.state->soft.installerFlags &= ~kStateTsfAllowed;
  EXPECT_FALSE(RegisterInputMethod(*refused.state, refused.os));
  EXPECT_EQ(refused.InstalledFrameworkBits(), 0u);

  // A failing category stops the step.
  RegistrationFixture category;
  category.PlaceConfig(kFrameworkEmbedded);
  category.os.tsfResults["RegisterCategory"] = E_FAIL;
  EXPECT_FALSE(RegisterInputMethod(*category.state, category.os));
  // Without the profiles object the step succeeds without a profile.
  RegistrationFixture noTsf;
  noTsf.PlaceConfig(kFrameworkEmbedded);
  noTsf.os.tsfAvailable = false;
  EXPECT_TRUE(RegisterInputMethod(*noTsf.state, noTsf.os));
  EXPECT_EQ(noTsf.os.CountCalls(L"AddLanguageProfile"), 0u);
}

TEST(Registration, RepeatedInstallsLeaveOneRegistration) {
  RegistrationFixture f;
  f.Windows7(0);
  for (int run = 0; run < 3; ++run) ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  EXPECT_EQ(FindImeLayouts(f.os, L"zinIME.ime").size(), 1u);
  std::vector<std::wstring> layouts;
  f.os.RegListSubkeys(RegHive::kLocalMachine, kLayoutsKey.c_str(), &layouts);
  EXPECT_EQ(layouts.size(), 1u);
  // The earlier profile and categories went first each time.
  EXPECT_EQ(f.os.CountCalls(L"RemoveLanguageProfile"), 3u);
  EXPECT_EQ(f.os.CountCalls(L"UnregisterCategory"), 3 * kTsfCategoryCount);
}

TEST(Registration, UnregisterRemovesEverythingButNeverOpensThePage) {
  RegistrationFixture f;
  f.PlaceConfig(kFrameworkEmbedded);
  f.os.osMajor = 6;
  f.os.osMinor = 1;
  f.state->ime.optionFlags &= ~kFrameworkBits;
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  f.os.RegWriteString(RegHive::kCurrentUser, L"Keyboard Layout\\Preload", L"1",
                      LayoutText(FindImeLayout(f.os, L"zinIME.ime")).c_str());
  f.os.calls.clear();
  ASSERT_TRUE(UnregisterInputMethod(*f.state, f.os));
  EXPECT_TRUE(f.state->unregistered);
  EXPECT_EQ(FindImeLayout(f.os, L"zinIME.ime"), 0u);
  EXPECT_EQ(f.os.Value(RegHive::kCurrentUser, L"Keyboard Layout\\Preload", L"1"), L"");
  EXPECT_FALSE(f.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  EXPECT_EQ(f.os.CountCalls(L"Unregister "), 1u);
  EXPECT_EQ(f.os.CountCalls(L"Broadcast HKEY_CURRENT_USER\\Keyboard Layout\\Preload"), 2u);
  EXPECT_TRUE(f.os.opened.empty());
  EXPECT_EQ(f.os.comDepth, 0);

  // Nothing installed: nothing to remove, and still done.
  RegistrationFixture empty;
  ASSERT_TRUE(UnregisterInputMethod(*empty.state, empty.os));
  EXPECT_TRUE(empty.state->unregistered);
  EXPECT_EQ(empty.os.CountCalls(L"Unregister"), 0u);
}

TEST(Registration, UninstallPageOnlyForWebAddresses) {
  RegistrationFixture f;
  struct Case {
    const wchar_t* page;
    bool opened;
  };
  const Case cases[] = {
      {L"https://zinime.org/bye?d={appPath}", true},
      {L"HTTP://zinime.org/", true},
      {L"file:///C:/Windows/System32/calc.exe", false},
      {L"{appPath}config.exe", false},
      {L"ftp://host/x", false},
      {L"", false},
  };
  for (const Case& c : cases) {
    f.os.opened.clear();
    SetText(f.state->soft.uninstallPage, 260, c.page);
    EXPECT_EQ(OpenUninstallPage(*f.state, f.os), c.opened)
        << std::string(c.page, c.page + wcslen(c.page));
    EXPECT_EQ(f.os.opened.size(), c.opened ? 1u : 0u);
  }
  SetText(f.state->soft.uninstallPage, 260, L"https://zinime.org/bye?d={appPath}");
  f.os.opened.clear();
  OpenUninstallPage(*f.state, f.os);
  EXPECT_EQ(f.os.opened[0],
            std::wstring(L"user|https://zinime.org/bye?d=") + f.state->installFolder);
}

TEST(FrameworkSwitch, ChecksItCanWriteBeforeRemovingAnything) {
  RegistrationFixture f;
  f.Windows7(kFrameworkEmbedded);
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  ScriptedDialogs dialogs;
  f.os.calls.clear();
  f.os.readOnlyKeys.insert(L"0:software\\zinnorime3");
  auto fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, f.os, dialogs, (L"/EMMODE=0 /GUID=" + kKey).c_str()),
            kExitFailed);
  EXPECT_TRUE(f.os.calls.empty());
  ASSERT_EQ(f.os.messages.size(), 1u);
  EXPECT_TRUE(dialogs.ran.empty());

  // With rights: IMM only, the TSF registration and COM keys gone.
  f.os.readOnlyKeys.clear();
  f.os.messages.clear();
  fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, f.os, dialogs, (L"/GUID=" + kKey).c_str()), kExitDone);
  EXPECT_TRUE(f.os.messages.empty());
  EXPECT_EQ(f.os.CountCalls(L"Unregister "), 1u);
  EXPECT_EQ(f.os.CountCalls(L"InstallIme"), 1u);
  EXPECT_FALSE(f.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  EXPECT_EQ(FindImeLayouts(f.os, L"zinIME.ime").size(), 1u);

  // No layout: the switch did not happen, the text service stays, and the
  // exit code says so.
  RegistrationFixture tsf;
  tsf.PlaceConfig(kFrameworkEmbedded);
  ASSERT_TRUE(RegisterInputMethod(*tsf.state, tsf.os));
  tsf.os.installImeError = ERROR_ACCESS_DENIED;
  tsf.os.calls.clear();
  fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, tsf.os, dialogs, (L"/EMMODE=0 /GUID=" + kKey).c_str()),
            kExitFailed);
  EXPECT_TRUE(FindImeLayouts(tsf.os, L"zinIME.ime").empty());
  EXPECT_EQ(tsf.os.CountCalls(L"Unregister"), 0u);
  EXPECT_TRUE(tsf.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, f.os, dialogs, L"/EMMODE=0 /GUID={not-a-key}"), kExitFailed);
}

TEST(FrameworkSwitch, EmbeddedModeReRegistersFromTheRegistry) {
  RegistrationFixture f;
  f.PlaceConfig(kFrameworkEmbedded);
  ASSERT_TRUE(RegisterInputMethod(*f.state, f.os));
  ScriptedDialogs dialogs;
  f.os.calls.clear();
  auto fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, f.os, dialogs, (L"/EMMODE=2 /GUID=" + kKey).c_str()), kExitDone);
  EXPECT_EQ(f.os.CountCalls(L"Register "), 1u);
  EXPECT_EQ(f.os.CountCalls(L"Enable 1"), 1u);
  // Values the switch does not change are written back as they were.
  EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, ProductKeyPath(kKey), L"UnstallCommand"),
            ZN_UNINSTALL_PAGE);
  EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, ProductKeyPath(kKey), L"DisplayName"),
            ZN_DISPLAY_NAME);
  EXPECT_TRUE(dialogs.ran.empty());

  // A product with a value missing is left alone.
  f.os.RegRemoveValue(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"LanguageName");
  f.os.calls.clear();
  fresh = NewState();
  EXPECT_EQ(RunInstaller(*fresh, f.os, dialogs, (L"/EMMODE=1 /GUID=" + kKey).c_str()),
            kExitFailed);
  EXPECT_EQ(f.os.CountCalls(L"Register"), 0u);
}

TEST(KeyboardLayouts, MatchedByFileNameInListAndRegistry) {
  FakeInstallerOs os;
  uintptr_t loaded = os.AddLayout(0xE0200804, L"C:\\windows\\system32\\ZINIME.IME", true);
  uintptr_t unloaded = os.AddLayout(0xE0210804, L"zinime.ime", false);
  os.AddLayout(0xE0220804, L"C:\\windows\\system32\\otherzinIME.ime", true);
  os.AddLayout(0xE0230804, L"zinIME.ime.bak", false);
  std::vector<uintptr_t> found = FindImeLayouts(os, L"zinIME.ime");
  EXPECT_EQ(found, (std::vector<uintptr_t>{loaded, unloaded}));
  EXPECT_EQ(LayoutText(loaded), L"E0200804");
  EXPECT_TRUE(SameFileName(L"C:\\a\\B.ime", L"b.IME"));
  EXPECT_FALSE(SameFileName(L"C:\\a\\xb.ime", L"b.ime"));
  EXPECT_FALSE(SameFileName(L"C:\\a\\", L""));
}

std::vector<RegValue> Preload(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values) {
  std::vector<RegValue> out;
  for (const auto& [name, data] : values) {
    RegValue v{name, REG_SZ, {}};
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    v.data.assign(bytes, bytes + (wcslen(data) + 1) * 2);
    out.push_back(v);
  }
  return out;
}

TEST(KeyboardLayouts, PreloadIsRenumberedWithoutGaps) {
  PreloadEdit edit = PlanPreloadRemoval(Preload({{L"1", L"00000804"},
                                                 {L"2", L"E0200804"},
                                                 {L"3", L"00000409"},
                                                 {L"10", L"e0200804"},
                                                 {L"11", L"00000411"},
                                                 {L"x", L"E0200804"}}),
                                        L"E0200804");
  EXPECT_TRUE(edit.changed);
  EXPECT_EQ(edit.deleteNames, (std::vector<std::wstring>{L"2", L"3", L"10", L"11"}));
  EXPECT_EQ(edit.writes, (std::vector<std::pair<std::wstring, std::wstring>>{{L"2", L"00000409"},
                                                                             {L"3", L"00000411"}}));
  EXPECT_FALSE(PlanPreloadRemoval(Preload({{L"1", L"00000804"}}), L"E0200804").changed);

  // Applied to every user's list.
  FakeInstallerOs os;
  os.AddLayout(0xE0200804, L"zinIME.ime", true);
  for (const std::wstring& key : {std::wstring(L"S-1-5-21-1\\Keyboard Layout\\Preload"),
                                  std::wstring(L"S-1-5-21-2\\Keyboard Layout\\Preload")}) {
    os.RegWriteString(RegHive::kUsers, key.c_str(), L"1", L"E0200804");
    os.RegWriteString(RegHive::kUsers, key.c_str(), L"2", L"00000409");
  }
  EXPECT_EQ(RemoveKeyboardLayouts(os, L"zinIME", false), 1);
  for (const wchar_t* user : {L"S-1-5-21-1", L"S-1-5-21-2"}) {
    std::wstring key = std::wstring(user) + L"\\Keyboard Layout\\Preload";
    EXPECT_EQ(os.Value(RegHive::kUsers, key, L"1"), L"00000409");
    EXPECT_EQ(os.Value(RegHive::kUsers, key, L"2"), L"");
  }
  EXPECT_FALSE(os.HasKey(RegHive::kLocalMachine, kLayoutsKey + L"\\E0200804"));
  EXPECT_EQ(RemoveKeyboardLayouts(os, L"zinIME", false), 0);
}

TEST(TsfCategories, InRegistrationOrderAndDistinct) {
  EXPECT_TRUE(IsEqualGUID(*kTsfCategories[0], GUID_TFCAT_TIP_KEYBOARD));
  EXPECT_TRUE(IsEqualGUID(*kTsfCategories[1], GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER));
  // The two Windows 8 ones come last, so older Windows can stop before them.
  wchar_t text[40];
  StringFromGUID2(*kTsfCategories[6], text, 40);
  EXPECT_STREQ(text, L"{13A016DF-560B-46CD-947A-4C3AF1E0E35D}");
  StringFromGUID2(*kTsfCategories[7], text, 40);
  EXPECT_STREQ(text, L"{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}");
  for (size_t i = 0; i < kTsfCategoryCount; ++i) {
    for (size_t k = i + 1; k < kTsfCategoryCount; ++k) {
      EXPECT_FALSE(IsEqualGUID(*kTsfCategories[i], *kTsfCategories[k])) << i << " " << k;
    }
  }
}

}  // namespace
}  // namespace zn::test
