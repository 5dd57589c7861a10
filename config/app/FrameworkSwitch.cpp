// The framework switch through the installer.
#include "config/app/FrameworkSwitch.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigServices.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/Registry.h"
#include "engine/WideString.h"

namespace {

// The installer registers in about a second; a longer wait means it asks
// the user something.
constexpr DWORD kSwitchTimeoutMs = 120000;
constexpr wchar_t kSwitchNotStartedText[] =
    L"无法启动安装程序，输入法框架未能切换，已恢复原来的编码窗口样式。";
constexpr wchar_t kSwitchFailedText[] =
    L"输入法框架切换失败（安装程序返回错误 %u），已恢复原来的编码窗口样式。";

}  // namespace

FrameworkDecision DecideFrameworkSwitch(uint32_t before, uint32_t after) {
  const bool wasTsf = (before & ImeBits::kTsfStyles) != 0;
  const bool isTsf = (after & ImeBits::kTsfStyles) != 0;
  return FrameworkDecision{wasTsf != isTsf, isTsf};
}

std::wstring InstallerArguments(bool toTsf, const wchar_t* productKey) {
  return std::wstring(toTsf ? L"/EMMODE=1 /GUID=" : L"/EMMODE=0 /GUID=") +
         (productKey ? productKey : L"");
}

std::wstring InstallFolder(const ConfigApp& app) {
  if (!app.context) return {};
  wchar_t folder[kPathUnits];
  if (!ReadInstallLocation(app.context->productKey, folder, kPathUnits, ContextOs(app.context)))
    return {};
  return folder;
}

bool RunFrameworkSwitch(ConfigApp& app, HWND owner, uint32_t before) {
  if (!app.context || !app.context->imeBlock) return true;
  uint32_t& word = app.context->imeBlock->optionFlags;
  FrameworkDecision decision = DecideFrameworkSwitch(before, word);
  if (!decision.launch) return true;
  std::wstring folder = InstallFolder(app);
  std::wstring installer = folder + L"installer.exe";
  ProgramRun run;
  if (!folder.empty() && installer.size() < kPathUnits) {
    run = app.services.RunProgram(
        owner, installer.c_str(),
        InstallerArguments(decision.toTsf, app.context->productKey).c_str(), SW_HIDE,
        kSwitchTimeoutMs);
  }
  // Still running after the wait: its outcome is not known, the choice stays.
  if (run.started && (!run.ended || run.exitCode == 0)) return true;
  {
    // The module would otherwise run a style its registration does not serve.
    DataWriteLock lock(app.context);
    if (lock.Held()) word = (word & ~ImeBits::kTsfStyles) | (before & ImeBits::kTsfStyles);
  }
  wchar_t text[256];
  if (run.started) {
    FormatString(text, 256, kSwitchFailedText, static_cast<unsigned>(run.exitCode));
  } else {
    FormatString(text, 256, L"%s", kSwitchNotStartedText);
  }
  app.services.ShowMessage(owner, text, kProgramCaption, MB_OK | MB_ICONERROR);
  return false;
}
