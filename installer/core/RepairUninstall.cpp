// Repair and uninstall: the steps in the order their log lines give.
#include "installer/core/RepairUninstall.h"

#include <string>

#include "engine/WideString.h"
#include "installer/core/FilePlacement.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/InstalledFiles.h"
#include "installer/core/KeptUserWords.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/Removal.h"
#include "installer/core/StepFailureLog.h"
#include "installer/core/UninstallEntry.h"
#include "installer/core/UserWords.h"

namespace {

bool Unregistered(InstallerState& state, InstallerOs& os) {
  return state.unregistered || UnregisterInputMethod(state, os);
}

// Steps that need COM on this thread (TSF registration, shell links).
template <typename Work>
bool WithCom(InstallerState& state, InstallerOs& os, Work work) {
  if (!os.StartCom()) {
    LogStep(state, 0, kLogComFailed);
    return false;
  }
  bool ok = work();
  os.StopCom();
  return ok;
}

bool RunRepairStepsInOrder(InstallerState& state, InstallerOs& os) {
  // Registering afresh gives Windows 8 and later the text service only: a
  // user who chose the IMM32 layout keeps it.
  const std::wstring imeFile = ReadProductValue(os, state.productKey, L"IMEName") + L".ime";
  const bool hadImmLayout = FindImeLayout(os, imeFile) != 0;
  LogStep(state, 0, kLogRepairStart);
  if (!CheckProductFolders(state, os, {state.dataFolder, state.installFolder}, kCaptionRepair))
    return false;
  if (!Unregistered(state, os)) return false;
  LogStep(state, 10, kLogRepairKeep);
  std::wstring table = WithBackslash(state.dataFolder) + L"main.dmg";
  KeptTableState kept;
  bool haveKept = ReadKeptTableState(table, &kept);
  // The user's words are on disk before main.dmg is replaced, and stay there
  // until they are back in it: a repair ended at any point loses none.
  KeptWordsFile words;
  if (!KeepUserWordsOnDisk(os, state.dataFolder, &kept, &words)) {
    wchar_t line[512];
    FormatString(line, 512, kLogUserWordsNotKept, state.dataFolder);
    LogStep(state, 0, kLogRepairFailed);
    LogStep(state, 0, line);
    return false;
  }
  auto tellWhereWordsWait = [&] {
    if (words.path.empty()) return;
    wchar_t line[1024];
    FormatString(line, 1024, kLogUserWordsOnDisk, static_cast<unsigned>(words.words),
                 words.path.c_str());
    LogStep(state, -1, line);
  };
  const wchar_t* step = nullptr;
  auto begin = [&](int position, const wchar_t* line) {
    LogStep(state, position, line);
    step = line;
    state.failure = StepFailure{};
  };
  bool ok = WithCom(state, os, [&] {
    begin(20, kLogRepairFiles);
    if (!InstallFileSystem(state, os)) return false;
    begin(40, kLogRepairRegister);
    if (!RegisterInputMethod(state, os)) return false;
    if (hadImmLayout && !FindImeLayout(os, imeFile) && !SwitchToImmMode(state, os)) return false;
    begin(70, kLogRepairShortcuts);
    return CreateShortcuts(state, os);
  });
  if (!ok) {
    LogStep(state, 0, kLogRepairFailed);
    if (step) LogStepFailure(state, os, step);
    tellWhereWordsWait();
    return false;
  }
  LogStep(state, 85, kLogRepairCleanUp);
  os.Sleep(100);
  RecordInstalledFiles(state, os);
  LogStep(state, 100, kLogRepairDone);
  if (!haveKept && kept.userRecords.empty()) return true;
  int added = RestoreKeptTableState(table, kept);
  if (added < 0) {
    LogStep(state, -1, words.path.empty() ? kLogCountersNotRestored : kLogUserWordsNotRestored);
    tellWhereWordsWait();
    return false;
  }
  ForgetKeptUserWords(os, words);
  if (added > 0) {
    wchar_t line[128];
    FormatString(line, 128, kLogUserWordsRestored, static_cast<unsigned>(added));
    LogStep(state, -1, line);
  }
  return true;
}

bool RunUninstallStepsInOrder(InstallerState& state, InstallerOs& os, bool* restart) {
  bool wait = false;
  LogStep(state, 0, kLogUninstallStart);
  // The data folder removed is the one the product's name gives.
  std::wstring data;
  ProductDataFolder(os, state.soft.imeName, &data);
  if (!CheckProductFolders(state, os, {state.dataFolder, data, state.installFolder},
                           kCaptionUninstall)) {
    return false;
  }
  LogStep(state, 5, kLogUninstallInput);
  LogStep(state, 20, kLogUninstallLanguageBar);
  if (!Unregistered(state, os)) return false;
  LogStep(state, 40, kLogUninstallFiles);
  DeleteInstalledFiles(state, os, &wait);
  std::wstring displayName = ReadProductValue(os, state.productKey, L"DisplayName");
  if (displayName.empty()) displayName = state.soft.displayName;
  LogStep(state, 60, kLogUninstallShortcuts);
  WithCom(state, os, [&] {
    DeleteShortcuts(os, displayName);
    return true;
  });
  // Fonts stay: other programs may use them.
  LogStep(state, 70, kLogUninstallFonts);
  if (IsProductDataEmpty(os)) LogStep(state, 80, kLogUninstallWhole);
  LogStep(state, 90, kLogUninstallKeys);
  DeleteProductKeys(os, state.productKey);
  RemoveFamilyLeftovers(os);
  LogStep(state, 100, wait ? kLogUninstallDoneRestart : kLogUninstallDone);
  if (restart) *restart = wait;
  return true;
}

}  // namespace

bool RunRepairSteps(InstallerState& state, InstallerOs& os) {
  bool ok = RunRepairStepsInOrder(state, os);
  FinishWaitingLine(state, kLogRepairStart, ok ? kLogRepairFinished : kLogRepairFailed);
  state.outcome = ok ? RunOutcome::kDone : RunOutcome::kFailed;
  return ok;
}

bool RunUninstallSteps(InstallerState& state, InstallerOs& os, bool* restart) {
  bool ok = RunUninstallStepsInOrder(state, os, restart);
  if (ok) FinishWaitingLine(state, kLogUninstallStart, kLogUninstallFinished);
  state.outcome = ok ? RunOutcome::kDone : RunOutcome::kFailed;
  return ok;
}
