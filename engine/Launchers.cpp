// The command lines of config and the help file; the launches themselves go
// through the effects seam.
#include "engine/Launchers.h"

#include <windows.h>

#include "engine/ImeContext.h"
#include "engine/Registry.h"
#include "engine/WideString.h"

namespace {

// Copies text without the characters that would end a quoted value or start a
// switch on config's command line.
bool AppendSanitized(wchar_t* out, int capacity, int* n, const wchar_t* text) {
  for (int i = 0; text && text[i]; ++i) {
    wchar_t c = text[i];
    if (c == L'"' || c == L'\'' || c < 0x20) continue;
    if (c == L'/') c = L'／';
    if (*n >= capacity - 1) return false;
    out[(*n)++] = c;
  }
  out[*n] = 0;
  return true;
}

}  // namespace

void SetLaunchesRefused(ImeContext* context, bool refused) {
  if (context) context->launchesRefused = refused ? 1 : 0;
}

bool LaunchesRefused(const ImeContext* context) {
  return context && context->launchesRefused != 0;
}

bool PlainUserToken(const ProcessToken& token) {
  return token.known && !token.elevated && token.integrityRid >= SECURITY_MANDATORY_MEDIUM_RID &&
         token.integrityRid < SECURITY_MANDATORY_HIGH_RID;
}

bool DataActsRefused(const ImeContext* context, Effects& effects) {
  return LaunchesRefused(context) || !PlainUserToken(effects.QueryProcessToken());
}

bool OpenProgramFor(const ImeContext* context, Effects& effects, const wchar_t* file,
                    const wchar_t* parameters, int showCommand) {
  if (LaunchesRefused(context) || !file || !file[0]) return false;
  return effects.OpenProgram(file, parameters, showCommand);
}

bool ShowHelpFileFor(const ImeContext* context, Effects& effects, const wchar_t* helpFile,
                     const wchar_t* topic) {
  if (LaunchesRefused(context)) return false;
  return effects.ShowHelpFileTopic(helpFile, topic);
}

int OpenLink(ImeContext* context, const wchar_t* target, Effects& effects) {
  if (target && target[0] && !DataActsRefused(context, effects)) {
    OpenProgramFor(context, effects, target, nullptr, SW_SHOW);
  }
  return 1;
}

int LaunchConfigTool(ImeContext* context, void* owner, const wchar_t* argument, Effects& effects) {
  (void)owner;
  if (!context) return 1;
  wchar_t program[kLaunchPathUnits];
  // The folder is read again: an installer may have moved it since the
  // context was made. Without it a bare "config.exe" would be looked for in
  // the host's own folders, so nothing is started.
  if (!ReadInstallLocation(context->productKey, program, kLaunchPathUnits, ContextOs(context))) {
    return 1;
  }
  if (AppendStringBounded(program, kLaunchPathUnits, L"config.exe") != S_OK) return 1;
  wchar_t parameters[kLaunchParameterUnits];
  if (FormatString(parameters, kLaunchParameterUnits, L"/n %s %s", context->productKey,
                   argument ? argument : L"") != S_OK) {
    return 1;  // a cut command line could carry a different request
  }
  OpenProgramFor(context, effects, program, parameters, SW_SHOW);
  return 1;
}

int ShowHelpTopic(ImeContext* context, const wchar_t* topic, int width, int height,
                  Effects& effects) {
  if (!context || !context->installFolder[0]) return 1;
  if (width > 0 && height > 0) {
    // The URL travels inside single quotes on config's command line.
    wchar_t cleanTopic[kLaunchPathUnits];
    int n = 0;
    cleanTopic[0] = 0;
    if (!AppendSanitized(cleanTopic, kLaunchPathUnits, &n, topic)) return 1;
    for (int i = 0; i < n; ++i) {
      if (cleanTopic[i] == L'／') cleanTopic[i] = L'/';  // paths inside the help file keep "/"
    }
    wchar_t argument[kLaunchParameterUnits];
    if (FormatString(argument, kLaunchParameterUnits,
                     L"/showurl 'mk:@MSITStore:%smain.chm::/%s' /showurlCX %d /showurlCY %d",
                     context->installFolder, cleanTopic, width, height) != S_OK) {
      return 1;
    }
    return LaunchConfigTool(context, nullptr, argument, effects);
  }
  wchar_t helpFile[kLaunchPathUnits];
  if (FormatString(helpFile, kLaunchPathUnits, L"%smain.chm", context->installFolder) != S_OK) {
    return 1;
  }
  if (topic && topic[0]) {
    ShowHelpFileFor(context, effects, helpFile, topic);
  } else {
    OpenProgramFor(context, effects, helpFile, nullptr, SW_SHOW);
  }
  return 1;
}

bool QuoteLaunchWord(const wchar_t* switchText, const wchar_t* word, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return false;
  out[0] = 0;
  if (CopyStringBounded(out, capacity, switchText ? switchText : L"") != S_OK ||
      AppendStringBounded(out, capacity, L" \"") != S_OK) {
    out[0] = 0;
    return false;
  }
  int n = static_cast<int>(BoundedLength(out, capacity));
  if (!AppendSanitized(out, capacity, &n, word) || n + 1 > capacity - 1) {
    out[0] = 0;
    return false;
  }
  out[n++] = L'"';
  out[n] = 0;
  return true;
}
