// Registering the module: product values, IMM32 layout, TSF server, profile
// and categories, in the order Windows and the package call for.
#include "installer/core/Registration.h"

#include <cstring>

#include "engine/DataLock.h"
#include "engine/MappedFile.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/TsfRegistration.h"
#include "installer/core/UpdateCheck.h"

namespace {

constexpr LANGID kDefaultLangId = 0x0804;

bool ParseKey(const wchar_t* key, GUID* out) {
  uint8_t bytes[16];
  if (!ParseGuidText(key, bytes)) return false;
  std::memcpy(out, bytes, sizeof(*out));
  return true;
}

LANGID EffectiveLangId(uint32_t stored) {
  return stored ? static_cast<LANGID>(stored) : kDefaultLangId;
}

bool IsWindows8OrLater(InstallerOs& os) {
  uint32_t major = 0;
  uint32_t minor = 0;
  os.OsVersion(&major, &minor);
  return major > 6 || (major == 6 && minor >= 2);
}

// Turns on the embedded framework in the installed config.dsc, which the
// running input methods read: one word changes in place.
bool SetInstalledFramework(const std::wstring& dataFolder) {
  std::wstring path = WithBackslash(dataFolder) + L"config.dsc";
  MappedFile* file = nullptr;
  OpenMappedFile(&file, path.c_str());
  if (!file) return false;
  bool ok = false;
  DataWriteLock lock(file);
  if (lock.Held() && IsWritableMapping(file)) {
    RemapIfResized(file);
    auto* ime = reinterpret_cast<ImeConfigBlock*>(FindConfigBlock(
        file->view, file->size, kImeBlockName, kImeBlockSize, alignof(ImeConfigBlock)));
    if (ime) {
      ime->optionFlags |= kFrameworkEmbedded;
      ok = FlushMappedFile(file) != 0;
    }
  }
  CloseMappedFile(file, 1);
  return ok;
}

// Removes what an earlier install of the same product registered.
void RemoveEarlierRegistration(InstallerOs& os, const std::wstring& key, const GUID& clsid,
                               LANGID language, const std::wstring& imeName) {
  os.TsfRemoveLanguageProfile(clsid, language, clsid);
  os.TsfUnregister(clsid);
  UnregisterTsfCategories(os, clsid);
  if (!imeName.empty()) RemoveKeyboardLayouts(os, imeName, false);
  DeleteClsidKeys(os, key);
}

bool ReadInto(InstallerOs& os, const std::wstring& key, const wchar_t* name, wchar_t* out,
              uint32_t capacity) {
  return CopyToBuffer(out, capacity, ReadProductValue(os, key, name)) && out[0] != L'\0';
}

}  // namespace

std::vector<ProductValue> PlanProductValues(const InstallerState& state) {
  const SoftConfigBlock& soft = state.soft;
  return {
      {L"DataLocation", state.dataFolder, false, 0},
      {L"InstallLocation", state.installFolder, false, 0},
      {L"IMEName", soft.imeName, false, 0},
      {L"DisplayName", soft.displayName, false, 0},
      {L"DisplayVersion", soft.versionText, false, 0},
      {L"URLUpdateInfo", soft.updateUrl, false, 0},
      {L"LanguageName", soft.languageName, false, 0},
      {L"UnstallCommand", soft.uninstallPage, false, 0},
      {L"LANGID", L"", true, soft.languageId},
  };
}

bool WriteProductValues(InstallerState& state, InstallerOs& os) {
  std::vector<ProductValue> values = PlanProductValues(state);
  bool ok = true;
  for (const std::wstring& key :
       {ProductKeyPath(state.productKey), ProductKeyPath32(state.productKey)}) {
    bool first = key == ProductKeyPath(state.productKey);
    for (const ProductValue& value : values) {
      LONG rc = value.isDword
                    ? os.RegWriteDword(RegHive::kLocalMachine, key.c_str(), value.name, value.dword)
                    : os.RegWriteString(RegHive::kLocalMachine, key.c_str(), value.name,
                                        value.text.c_str());
      if (rc != ERROR_SUCCESS && first) {
        NoteFailure(state, L"RegSetValueExW", static_cast<uint32_t>(rc));
        ok = false;
      }
    }
  }
  return ok;
}

bool ReadInstalledProduct(InstallerState& state, InstallerOs& os) {
  std::wstring key = state.productKey;
  if (key.empty()) return false;
  std::wstring install = ReadProductValue(os, key, L"InstallLocation");
  bool ok =
      !install.empty() && CopyToBuffer(state.installFolder, kPathUnits, WithBackslash(install));
  ok = ReadInto(os, key, L"DataLocation", state.dataFolder, kPathUnits) && ok;
  ok = ReadInto(os, key, L"IMEName", state.soft.imeName, 40) && ok;
  ok = ReadInto(os, key, L"DisplayName", state.soft.displayName, 40) && ok;
  ok = ReadInto(os, key, L"DisplayVersion", state.soft.versionText, 40) && ok;
  ok = ReadInto(os, key, L"LanguageName", state.soft.languageName, 40) && ok;
  // Optional: an empty update address or uninstall page is allowed.
  ReadInto(os, key, L"URLUpdateInfo", state.soft.updateUrl, 256);
  ReadInto(os, key, L"UnstallCommand", state.soft.uninstallPage, 260);
  state.soft.languageId = EffectiveLangId(ReadLangId(os, key));
  // The data folder is always this product's own folder below ProgramData,
  // whatever the registry says: it is written to and later removed.
  std::wstring data;
  ok = ok && ProductDataFolder(os, state.soft.imeName, &data) &&
       CopyToBuffer(state.dataFolder, kPathUnits, data);
  return ok;
}

bool RegisterInputMethod(InstallerState& state, InstallerOs& os) {
  GUID clsid;
  std::wstring key = state.productKey;
  if (!ParseKey(state.productKey, &clsid)) {
    NoteFailure(state, kFailBadProductKey, 0);
    return false;
  }
  if (!WriteProductValues(state, os)) return false;
  LANGID language = EffectiveLangId(ReadLangId(os, key));
  RemoveEarlierRegistration(os, key, clsid, language, ReadProductValue(os, key, L"IMEName"));

  std::wstring module64;
  std::wstring module32;
  if (!ModulePath64(os, state.soft.imeName, &module64)) {
    NoteFailure(state, kFailNoSystemFolder, 0);
    return false;
  }
  bool haveModule32 = ModulePath32(os, state.soft.imeName, &module32);
  bool windows8 = IsWindows8OrLater(os);
  bool tsfAllowed = (state.soft.installerFlags & kStateTsfAllowed) != 0;
  uintptr_t layout = 0;
  if (!windows8) {
    layout = os.InstallIme(module64.c_str(), state.soft.languageName);
    if (!layout) {
      NoteFailure(state, L"ImmInstallIMEW", os.LastError());
      return false;
    }
    if (!tsfAllowed || (state.ime.optionFlags & kFrameworkBits) == 0) return true;
  } else {
    // Windows 8 and later take input methods through TSF only.
    if (!tsfAllowed) {
      NoteFailure(state, kFailTsfNotAllowed, 0);
      return false;
    }
    if ((state.ime.optionFlags & kFrameworkBits) == 0) {
      SetInstalledFramework(state.dataFolder);
      state.ime.optionFlags |= kFrameworkEmbedded;
    }
  }

  RegisterTsfServer(os, key, module64, false);
  if (haveModule32) RegisterTsfServer(os, key, module32, true);
  if (!os.TsfAvailable()) return true;
  bool enabled = (state.ime.optionFlags & kFrameworkBits) != 0;
  HRESULT hr = os.TsfRegister(clsid);
  if (FAILED(hr)) {
    NoteFailure(state, L"ITfInputProcessorProfiles::Register", static_cast<uint32_t>(hr));
    return false;
  }
  hr = os.TsfAddLanguageProfile(clsid, language, clsid, state.soft.languageName, module64.c_str(),
                                0);
  if (FAILED(hr)) {
    NoteFailure(state, L"ITfInputProcessorProfiles::AddLanguageProfile",
                static_cast<uint32_t>(hr));
    return false;
  }
  if (layout) {
    hr = os.TsfSubstituteKeyboardLayout(clsid, language, clsid, layout);
    // Wine has no substitution: the IMM32 layout installed above works on
    // its own, the profile only does not replace it in the language list.
    if (FAILED(hr) && hr != E_NOTIMPL) {
      NoteFailure(state, L"ITfInputProcessorProfiles::SubstituteKeyboardLayout",
                  static_cast<uint32_t>(hr));
      return false;
    }
  }
  os.TsfEnableLanguageProfileByDefault(clsid, language, clsid, enabled);
  os.TsfEnableLanguageProfile(clsid, language, clsid, enabled);
  if (!RegisterTsfCategories(os, clsid, windows8, &hr)) {
    NoteFailure(state, L"ITfCategoryMgr::RegisterCategory", static_cast<uint32_t>(hr));
    return false;
  }
  return true;
}

bool UnregisterInputMethod(InstallerState& state, InstallerOs& os) {
  if (!os.StartCom()) {
    LogStep(state, 0, kLogComFailed);
    return false;
  }
  std::wstring key = state.productKey;
  GUID clsid;
  if (ParseKey(state.productKey, &clsid) &&
      os.RegKeyExists(RegHive::kLocalMachine, ProductKeyPath(key).c_str())) {
    LANGID language = EffectiveLangId(ReadLangId(os, key));
    std::wstring imeName = ReadProductValue(os, key, L"IMEName");
    os.TsfRemoveLanguageProfile(clsid, language, clsid);
    if (!imeName.empty()) RemoveKeyboardLayouts(os, imeName, true);
    os.TsfUnregister(clsid);
    UnregisterTsfCategories(os, clsid);
    DeleteClsidKeys(os, key);
  }
  state.unregistered = true;
  os.StopCom();
  return true;
}

bool SwitchToImmMode(InstallerState& state, InstallerOs& os) {
  GUID clsid;
  std::wstring key = state.productKey;
  if (!ParseKey(state.productKey, &clsid)) return false;
  state.soft.languageId = EffectiveLangId(ReadLangId(os, key));
  std::wstring imeName = ReadProductValue(os, key, L"IMEName");
  std::wstring languageName = ReadProductValue(os, key, L"LanguageName");
  std::wstring module64;
  if (imeName.empty() || languageName.empty() || !ModulePath64(os, imeName, &module64))
    return false;
  RemoveKeyboardLayouts(os, imeName, false);
  // The text service goes only once the layout is there: a failed switch
  // leaves the user the input method they had.
  if (!os.InstallIme(module64.c_str(), languageName.c_str())) return false;
  os.TsfRemoveLanguageProfile(clsid, state.soft.languageId, clsid);
  os.TsfUnregister(clsid);
  UnregisterTsfCategories(os, clsid);
  DeleteClsidKeys(os, key);
  return true;
}

bool ReRegisterEmbeddedMode(InstallerState& state, InstallerOs& os) {
  if (!ReadInstalledProduct(state, os)) return false;
  state.soft.installerFlags = kStateFrameworkSwitch;
  state.ime.optionFlags = kFrameworkEmbedded;
  return RegisterInputMethod(state, os);
}

bool OpenUninstallPage(InstallerState& state, InstallerOs& os) {
  std::wstring page = state.soft.uninstallPage;
  ReplacePlaceholder(page, L"{appPath}", state.installFolder);
  // Anything but a web address could start a program of the user's; the
  // browser runs as the user, not as this elevated program.
  return IsWebAddress(page) && os.OpenAddressAsUser(page.c_str());
}
