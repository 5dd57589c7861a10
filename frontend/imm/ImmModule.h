// Process-wide state of the IMM32 front end, and the seams its contexts are
// created with (tests replace them; the module uses the real ones).
#pragma once

#include <cstdint>

class Effects;
class OsServices;
struct ImeContext;

struct ImmSeams {
  const OsServices* os = nullptr;  // null: the real services
  Effects* effects = nullptr;      // null: the real effects
};

struct ImmModuleState {
  // ImeInquire was told the IME runs on the logon or a secure desktop: the
  // module must start no program there.
  bool secureDesktop = false;
  // Set by the first IMN_OPENSTATUSWINDOW.
  bool statusWindowAllowed = false;
  // The soft-keyboard layout chosen last (1..13), 0 none.
  uint32_t lastSoftKeyboardLayout = 0;
  ImmSeams seams;
};

ImmModuleState& ImmModule();

// A new ImeContext for an input context, with the module's seams; null when
// the data folder or its required files are missing.
ImeContext* CreateImmContext();
void DestroyImmContext(ImeContext* context);
