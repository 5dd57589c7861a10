// Moving between IMM32 and TSF: when the composition-window style changes
// whether any TSF style is chosen, the installer re-registers the module.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct ConfigApp;

struct FrameworkDecision {
  bool launch;  // the system moves between the frameworks
  bool toTsf;   // a TSF style is chosen now
};

// before and after are ime word 136 (only bits 0x7000 count).
FrameworkDecision DecideFrameworkSwitch(uint32_t before, uint32_t after);
// "/EMMODE=1 /GUID=<key>" or "/EMMODE=0 /GUID=<key>".
std::wstring InstallerArguments(bool toTsf, const wchar_t* productKey);

// Runs the switch that changing ime word 136 from before to its current
// value asks for, and waits for the installer. When it cannot be started (no
// InstallLocation, a failed start, declined elevation) or reports a failure,
// the style bits go back to before and the user is told. Returns false only
// for a switch that was needed and did not happen.
bool RunFrameworkSwitch(ConfigApp& app, HWND owner, uint32_t before);
