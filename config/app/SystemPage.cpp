// The system page and the embedded-style dialog.
#include "config/app/SystemPage.h"

#include "config/app/AdvancedEditor.h"
#include "config/app/ConfigApp.h"
#include "engine/Os.h"
#include "config/app/ConfigResources.h"
#include "config/app/FrameworkSwitch.h"
#include "config/tables/TableList.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr BitControl kSystemBits[] = {
    {IDC_SYS_SECONDARY_ON, BitControlKind::kRadio, kImeOptListSecondary, 0},
    {IDC_SYS_SECONDARY_OFF, BitControlKind::kRadio, 0, kImeOptListSecondary},
    {IDC_SYS_SCHEME_BOTH, BitControlKind::kRadio, kImeOptMainCode | kImeOptAuxiliaryCode, 0},
    {IDC_SYS_SCHEME_MAIN, BitControlKind::kRadio, kImeOptMainCode, kImeOptAuxiliaryCode},
    {IDC_SYS_SCHEME_AUX, BitControlKind::kRadio, kImeOptAuxiliaryCode, kImeOptMainCode},
    {IDC_SYS_NO_HOTKEYS, BitControlKind::kCheck, ImeBits::kNoHotKeys, 0},
    {IDC_SYS_SECONDARY_EMPTY, BitControlKind::kCheck, kImeOptSecondaryWhenEmpty, 0},
};

constexpr BitControl kEmbedStyles[] = {
    {IDC_EMB_IMM, BitControlKind::kRadio, 0, ImeBits::kTsfStyles},
    {IDC_EMB_TSF_CODE, BitControlKind::kRadio, ImeBits::kTsfEmbedCode,
     ImeBits::kTsfStyles & ~ImeBits::kTsfEmbedCode},
    {IDC_EMB_TSF_FIRST, BitControlKind::kRadio, ImeBits::kTsfEmbedFirst,
     ImeBits::kTsfStyles & ~ImeBits::kTsfEmbedFirst},
    {IDC_EMB_TSF_CLASSIC, BitControlKind::kRadio, ImeBits::kTsfClassic,
     ImeBits::kTsfStyles & ~ImeBits::kTsfClassic},
};

constexpr BitControl kEmbedOptions[] = {
    {IDC_EMB_AMBIGUOUS_ONLY, BitControlKind::kCheck, ImeBits::kCandidatesOnlyWhenAmbiguous, 0},
    {IDC_EMB_HIDE_FIRST, BitControlKind::kCheck, ImeBits::kHideEmbeddedFirst, 0},
};

// Horizontal distance between the two groups and the extra row height of
// the hidden embedded-style row, in dialog units of the page template.
constexpr int kGroupShift = 109;
constexpr int kRowShift = 10;

}  // namespace

std::span<const BitControl> SystemPageBits() {
  return kSystemBits;
}

std::span<const BitControl> EmbedStyleBits() {
  return kEmbedStyles;
}

std::span<const BitControl> EmbedOptionBits() {
  return kEmbedOptions;
}

EmbedControlState EmbedControlsFor(int radioId) {
  if (radioId == IDC_EMB_IMM) return {false, false};
  return {true, radioId == IDC_EMB_TSF_FIRST};
}

SystemPage::SystemPage(ConfigApp& app) : Dialog(IDD_SYSTEM, app.resources), app_(app) {}

BOOL SystemPage::OnInitDialog() {
  ImeContext* context = app_.context;
  if (!context || !context->imeBlock || !context->softBlock) return TRUE;
  const uint32_t word = context->imeBlock->optionFlags;
  HWND page = hwnd();
  if (!(context->imeBlock->spaceWord & ImeBits::kTsfAvailable)) {
    ShowItem(page, IDC_SYS_EMBED, false);
    ShowItem(page, IDC_SYS_EMBED_LABEL, false);
    ShiftItem(page, IDC_SYS_TEXT_LABEL, 0, kRowShift);
    ShiftItem(page, IDC_SYS_ADVANCED, 0, kRowShift);
  }
  SetItemChecked(page, IDC_SYS_NO_HOTKEYS, word & ImeBits::kNoHotKeys);

  const std::wstring mainName = CategoryName(context->softBlock, 0);
  const std::wstring secondaryName = CategoryName(context->softBlock, 3);
  const std::wstring auxiliaryName = CategoryName(context->softBlock, 4);
  if (!auxiliaryName.empty()) {
    const std::wstring shownMain = mainName.empty() ? L"主码表" : mainName;
    SetItemText(page, IDC_SYS_SCHEME_MAIN, shownMain.c_str());
    SetItemText(page, IDC_SYS_SCHEME_AUX, auxiliaryName.c_str());
    SetItemText(page, IDC_SYS_SCHEME_BOTH, (shownMain + L"+" + auxiliaryName).c_str());
    int selected = SelectedRadio(std::span(kSystemBits + 2, 3), word, IDC_SYS_SCHEME_MAIN);
    SetItemChecked(page, selected, true);
  } else {
    for (int id : {IDC_SYS_SCHEME_BOTH, IDC_SYS_SCHEME_MAIN, IDC_SYS_SCHEME_AUX, IDC_SYS_SCHEME_GROUP})
      ShowItem(page, id, false);
    for (int id : {IDC_SYS_SECONDARY_ON, IDC_SYS_SECONDARY_OFF, IDC_SYS_SECONDARY_EMPTY})
      ShiftItem(page, id, -kGroupShift, 0);
    ShiftItem(page, IDC_SYS_RANGE_GROUP, -kGroupShift, 0, kGroupShift);
  }
  if (!secondaryName.empty()) {
    SetItemText(page, IDC_SYS_SECONDARY_ON, (L"检索" + secondaryName).c_str());
    SetItemText(page, IDC_SYS_SECONDARY_OFF, (L"不检索" + secondaryName).c_str());
    const bool listed = (word & kImeOptListSecondary) != 0;
    SetItemChecked(page, listed ? IDC_SYS_SECONDARY_ON : IDC_SYS_SECONDARY_OFF, true);
    SetItemChecked(page, IDC_SYS_SECONDARY_EMPTY, word & kImeOptSecondaryWhenEmpty);
    EnableItem(page, IDC_SYS_SECONDARY_EMPTY, !listed);
  } else {
    for (int id : {IDC_SYS_SECONDARY_ON, IDC_SYS_SECONDARY_OFF, IDC_SYS_SECONDARY_EMPTY,
                   IDC_SYS_RANGE_GROUP})
      ShowItem(page, id, false);
    ShiftItem(page, IDC_SYS_SCHEME_GROUP, 0, 0, kGroupShift);
  }
  return TRUE;
}

bool SystemPage::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_SYS_ADVANCED) {
    OpenAdvancedSettings();
    return true;
  }
  if (id == IDC_SYS_EMBED) {
    EmbedDialog embed(app_);
    embed.RunModal(GetAncestor(hwnd(), GA_ROOT), filter());
    return true;
  }
  if (!app_.context || !app_.context->imeBlock) return false;
  // config.dsc is shared with every running input method.
  DataWriteLock lock(app_.context);
  if (!lock.Held()) return false;
  uint32_t& word = app_.context->imeBlock->optionFlags;
  if (!ApplyBitControl(kSystemBits, id, IsItemChecked(hwnd(), id), word)) return false;
  if (id == IDC_SYS_SECONDARY_ON) EnableItem(hwnd(), IDC_SYS_SECONDARY_EMPTY, false);
  if (id == IDC_SYS_SECONDARY_OFF) EnableItem(hwnd(), IDC_SYS_SECONDARY_EMPTY, true);
  return true;
}

void SystemPage::OpenAdvancedSettings() {
  HWND main = GetAncestor(hwnd(), GA_ROOT);
  ShowWindow(main, SW_HIDE);
  AdvancedEditor editor(app_);
  editor.RunModal(nullptr, filter());
  ShowWindow(main, SW_SHOW);
  SetForegroundWindow(main);
}

EmbedDialog::EmbedDialog(ConfigApp& app) : Dialog(IDD_EMBED, app.resources), app_(app) {}

BOOL EmbedDialog::OnInitDialog() {
  HICON icon = LoadIconW(app_.resources, MAKEINTRESOURCEW(IDI_CONFIG));
  SetWindowIcons(hwnd(), icon, icon);
  ImeContext* context = app_.context;
  if (!context || !context->imeBlock) return TRUE;
  const uint32_t word = context->imeBlock->optionFlags;
  const uint32_t spaceWord = context->imeBlock->spaceWord;
  int radio = SelectedRadio(kEmbedStyles, word, IDC_EMB_IMM);
  style_ = radio;
  CheckRadioButton(hwnd(), IDC_EMB_IMM, IDC_EMB_TSF_CLASSIC, radio);
  if (IsWindows8OrLater(context->osVersion))
    SetItemText(hwnd(), IDC_EMB_IMM, L"传统样式(&I)  ※不可用于Metro模式");
  for (const BitControl& row : kEmbedOptions)
    SetItemChecked(hwnd(), row.controlId, BitCheckShown(row, spaceWord));
  UpdateChecks(radio);
  return TRUE;
}

void EmbedDialog::UpdateChecks(int radioId) {
  EmbedControlState state = EmbedControlsFor(radioId);
  EnableItem(hwnd(), IDC_EMB_AMBIGUOUS_ONLY, state.ambiguousOnly);
  EnableItem(hwnd(), IDC_EMB_HIDE_FIRST, state.hideFirst);
}

bool EmbedDialog::OnCommand(int id, int code, HWND) {
  if (code == BN_CLICKED && FindBitControl(kEmbedStyles, id)) {
    style_ = id;
    UpdateChecks(id);
  }
  return false;
}

void EmbedDialog::OnOk() {
  ImeContext* context = app_.context;
  if (context && context->imeBlock) {
    uint32_t before = context->imeBlock->optionFlags;
    {
      DataWriteLock lock(context);
      if (lock.Held()) {
        uint32_t& spaceWord = context->imeBlock->spaceWord;
        for (const BitControl& row : kEmbedOptions)
          ApplyBitControl(kEmbedOptions, row.controlId, IsItemChecked(hwnd(), row.controlId), spaceWord);
        uint32_t& word = context->imeBlock->optionFlags;
        before = word;
        ApplyBitControl(kEmbedStyles, style_, true, word);
      }
    }
    RunFrameworkSwitch(app_, hwnd(), before);
  }
  Dialog::OnOk();
}
