// Starting config with a command line, and opening the help file. Nobody
// waits for what was started.
#pragma once

#include "engine/Effects.h"

struct ImeContext;

// Units of the program path and of the command line built for config.
inline constexpr int kLaunchPathUnits = 512;
inline constexpr int kLaunchParameterUnits = 1024;

// Starts config.exe of the install folder (read again from the registry) with
// "/n <product key> <argument>". The argument goes through unchanged, so
// quoting is the caller's (see QuoteLaunchWord). Without an InstallLocation,
// or when the command line does not fit, nothing is started. Returns 1.
int LaunchConfigTool(ImeContext* context, void* owner, const wchar_t* argument,
                     Effects& effects = DefaultEffects());

// A help topic: with width and height above 0, config shows it in a window of
// that size; otherwise the HTML Help viewer opens main.chm at the topic, or
// the file itself without a topic. Returns 1.
int ShowHelpTopic(ImeContext* context, const wchar_t* topic, int width, int height,
                  Effects& effects = DefaultEffects());

// Writes switchText, a blank and word in double quotes into out (capacity in
// units). config finds its switches by searching the whole command line, so
// the word loses its quotation marks and control characters and its "/"
// become "／": it cannot end the quotes or add a switch. False when it does
// not fit (out is then "").
bool QuoteLaunchWord(const wchar_t* switchText, const wchar_t* word, wchar_t* out, int capacity);
