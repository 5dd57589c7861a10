// The windows config opens for the "/do" keywords of the dictionary, the
// reverse look-ups, the key editor and adding words.
#pragma once

#include <string>

#include "config/app/ConfigModes.h"
#include "engine/ImeContext.h"
#include "ui/dialogs/Dialog.h"

struct ConfigApp;

// The text the output look-up starts with: the word of the newest record
// of the recent-commit history; "" when there is none.
std::wstring LastCommittedText(const ImeContext* context);

// Runs the window of mode modally; false for a mode that has none here.
bool RunToolWindow(ConfigApp& app, ConfigMode mode, MessageFilter* filter);
