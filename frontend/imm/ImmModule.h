// Process-wide state of the IMM32 front end: the seams its contexts are
// created with (tests replace them; the module uses the real ones), the
// window facade, and the key runner of each thread.
#pragma once

#include <cstdint>

class Effects;
class ImeWindows;
class KeyRunner;
class OsServices;
struct ImeContext;

struct ImmSeams {
  const OsServices* os = nullptr;  // null: the real services
  Effects* effects = nullptr;      // null: the real effects
  ImeWindows* windows = nullptr;   // null: the module's skinned windows
};

struct ImmModuleState {
  // ImeInquire was told the IME runs on the logon or a secure desktop: the
  // module must start no program there.
  bool secureDesktop = false;
  // Set by the first IMN_OPENSTATUSWINDOW.
  bool statusWindowAllowed = false;
  ImmSeams seams;
};

ImmModuleState& ImmModule();
ImeWindows& ImmWindows();
// The key runner of the calling thread: its memory of the last key-down is
// that of the keyboard input this thread gets.
KeyRunner& ThreadKeyRunner();

// A new ImeContext with its skin for an input context, with the module's
// seams; null when the data folder or its required files are missing.
ImeContext* CreateImmContext();
void DestroyImmContext(ImeContext* context);
