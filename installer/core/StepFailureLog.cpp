// Naming a failed step and its system error in the step log.
#include "installer/core/StepFailureLog.h"

#include "engine/WideString.h"
#include "installer/core/Messages.h"

std::wstring StepName(const wchar_t* stepLine) {
  std::wstring name = stepLine ? stepLine : L"";
  size_t start = name.find_first_not_of(L" 0123456789.");
  if (start == std::wstring::npos) return std::wstring();
  name.erase(0, start);
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ' || name.back() == L'\n' ||
                           name.back() == L'\r')) {
    name.pop_back();
  }
  return name;
}

std::wstring StepFailureLine(InstallerOs& os, const wchar_t* stepLine, const StepFailure& failure) {
  std::wstring step = StepName(stepLine);
  wchar_t line[1024];
  if (!failure.call) {
    FormatString(line, 1024, kLogStepFailed, step.c_str());
  } else if (failure.code == 0) {
    FormatString(line, 1024, kLogStepFailedCall, step.c_str(), failure.call);
  } else {
    std::wstring text = os.ErrorText(failure.code);
    FormatString(line, 1024, kLogStepFailedError, step.c_str(), failure.call,
             static_cast<unsigned>(failure.code), static_cast<unsigned>(failure.code),
             text.c_str());
  }
  return line;
}

void LogStepFailure(InstallerState& state, InstallerOs& os, const wchar_t* stepLine) {
  LogStep(state, -1, StepFailureLine(os, stepLine, state.failure).c_str());
}
