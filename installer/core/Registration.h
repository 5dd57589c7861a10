// Registration of the module with IMM32 and TSF, its removal, and the
// framework switches the module and config ask for with /GUID=.
#pragma once

#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Framework bits of the ime block's option word (offset 136).
constexpr uint32_t kFrameworkBits = 0x7000;
constexpr uint32_t kFrameworkEmbedded = 0x1000;

// One value of the product key.
struct ProductValue {
  const wchar_t* name;
  std::wstring text;  // REG_SZ, written with its terminator
  bool isDword;
  uint32_t dword;
};
// The values written under both product keys, in order.
std::vector<ProductValue> PlanProductValues(const InstallerState& state);
// Writes them, first below Software, then below Software\Wow6432Node. False
// when a value of the first key could not be written.
bool WriteProductValues(InstallerState& state, InstallerOs& os);

// Reads the installed product's values into the state (the uninstall and
// the framework switch); the data folder is rebuilt from IMEName. False when
// a required value is missing.
bool ReadInstalledProduct(InstallerState& state, InstallerOs& os);

// Install step 2 and the repair's registration. A failure is noted in
// state.failure.
bool RegisterInputMethod(InstallerState& state, InstallerOs& os);
// Removes profile, layouts, server and categories; sets state.unregistered.
// False only when COM cannot be started.
bool UnregisterInputMethod(InstallerState& state, InstallerOs& os);

// The /GUID= switch without an embedded mode: IMM32 only. True when the
// IMM32 keyboard layout was installed.
bool SwitchToImmMode(InstallerState& state, InstallerOs& os);
// The /GUID= switch with /EMMODE=1..3: re-registers for TSF. True when the
// registration succeeded.
bool ReRegisterEmbeddedMode(InstallerState& state, InstallerOs& os);

// Opens the product's uninstall page at the end of a successful uninstall:
// "{appPath}" becomes the install folder, and only http and https
// addresses are opened, as the signed-in user. True when a page was opened.
bool OpenUninstallPage(InstallerState& state, InstallerOs& os);
