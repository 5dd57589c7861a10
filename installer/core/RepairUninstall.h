// The repair and uninstall sequences, with their log lines and bar
// positions.
#pragma once

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Re-places the files of _backup_.dat, registers again and makes the
// shortcuts; the counters and the user entries of the installed main.dmg
// go into the packaged one. False when a step failed.
bool RunRepairSteps(InstallerState& state, InstallerOs& os);
// Unregisters and removes the product. restart is set when files in use
// wait for the next start. False only when nothing could be unregistered.
bool RunUninstallSteps(InstallerState& state, InstallerOs& os, bool* restart);
