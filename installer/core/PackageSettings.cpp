// Reading the packaged config.dsc through the bounds-checked block lookup.
#include "installer/core/PackageSettings.h"

#include <objbase.h>

#include <cstring>

#include "engine/ImeOptionBits.h"
#include "engine/WideString.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

constexpr uint64_t kMaxConfigBytes = 1u << 20;

// Every text field of the record ends inside its own width.
template <size_t N>
void Terminate(wchar_t (&field)[N]) {
  field[N - 1] = L'\0';
}

void TerminateTexts(SoftConfigBlock& soft) {
  Terminate(soft.displayName);
  Terminate(soft.languageName);
  Terminate(soft.imeName);
  Terminate(soft.installFolderName);
  Terminate(soft.comments);
  Terminate(soft.publisher);
  Terminate(soft.versionText);
  Terminate(soft.helpLink);
  Terminate(soft.aboutUrl);
  Terminate(soft.updateUrl);
  Terminate(soft.contact);
  Terminate(soft.helpTelephone);
  Terminate(soft.startProgram);
  Terminate(soft.uninstallPage);
}

}  // namespace

std::wstring GuidText(const uint8_t guid[16]) {
  GUID value;
  std::memcpy(&value, guid, sizeof(value));
  wchar_t text[kKeyUnits];
  if (StringFromGUID2(value, text, kKeyUnits) == 0) return std::wstring();
  return text;
}

bool TakePackageSettings(InstallerState& state, std::vector<uint8_t>& image) {
  if (image.size() < 4 || image.size() > kMaxConfigBytes) return false;
  uint32_t size = static_cast<uint32_t>(image.size());
  ConfigBlock* soft = FindConfigBlock(image.data(), size, kSoftBlockName, kSoftBlockSize, 4);
  ConfigBlock* ime = FindConfigBlock(image.data(), size, kImeBlockName, kImeBlockSize, 4);
  if (!soft || !ime) return false;
  std::memcpy(&state.soft, soft, kSoftBlockSize);
  std::memcpy(&state.ime, ime, kImeBlockSize);
  TerminateTexts(state.soft);
  state.soft.installerFlags &= ~kStateFrameworkSwitch;
  if (state.ime.spaceWord & ImeBits::kTsfAvailable) state.soft.installerFlags |= kStateTsfAllowed;

  static constexpr uint8_t kNullGuid[16] = {};
  if (state.soft.displayName[0] == L'\0' || !IsPlainFileName(state.soft.imeName) ||
      std::memcmp(state.soft.productGuid, kNullGuid, 16) == 0) {
    return false;
  }
  return CopyToBuffer(state.productKey, kKeyUnits, GuidText(state.soft.productGuid));
}

bool LoadPackageSettings(InstallerState& state, InstallerOs& os) {
  std::wstring path = WithBackslash(state.unpackFolder) + L"$dataFiles$\\config.dsc";
  std::vector<uint8_t> image;
  if (!os.ReadFile(path.c_str(), &image, kMaxConfigBytes)) return false;
  return TakePackageSettings(state, image);
}
