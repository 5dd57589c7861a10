// Starting config with a command line, and opening the help file. Nobody
// waits for what was started.
#pragma once

#include "engine/Effects.h"

struct ImeContext;

// On the logon desktop or in a secure mode a context must not start any
// program, help viewer or link: every launch of the engine goes through
// OpenProgramFor / ShowHelpFileFor, which refuse them then.
void SetLaunchesRefused(ImeContext* context, bool refused);
bool LaunchesRefused(const ImeContext* context);
// A process token like the user's own: known, not elevated, at medium
// integrity (0x2000 up to, not including, high).
bool PlainUserToken(const ProcessToken& token);
// What a word or link of the data folder asks for (start a program, open a
// file or address, send keys) is refused where launches are refused, and in a
// process trusted more or less than the user's own: every process, sandboxed
// ones too, can write the data folder. The token comes through the seam.
bool DataActsRefused(const ImeContext* context, Effects& effects);
// Effects::OpenProgram unless launches are refused; false when nothing started.
bool OpenProgramFor(const ImeContext* context, Effects& effects, const wchar_t* file,
                    const wchar_t* parameters, int showCommand);
bool ShowHelpFileFor(const ImeContext* context, Effects& effects, const wchar_t* helpFile,
                     const wchar_t* topic);
// Opens a document or URL with its program ("open", shown) unless
// DataActsRefused. Returns 1.
int OpenLink(ImeContext* context, const wchar_t* target, Effects& effects = DefaultEffects());

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
