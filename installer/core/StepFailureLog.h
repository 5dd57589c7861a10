// The log line that says which step failed and the system's error behind it.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// "  2.设置软件运行环境..." -> "设置软件运行环境": the step's name without its
// number and dots.
std::wstring StepName(const wchar_t* stepLine);
// The step's name, and the failed call with its code and the system's text
// when the step recorded one.
std::wstring StepFailureLine(InstallerOs& os, const wchar_t* stepLine, const StepFailure& failure);
// Writes that line to the state's log.
void LogStepFailure(InstallerState& state, InstallerOs& os, const wchar_t* stepLine);
