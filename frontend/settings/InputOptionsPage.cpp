// The input-options page (dialog 126): frequency mode, associations, code
// hints and the special characters of the code table.
#include <cstring>

#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "frontend/settings/PageMapping.h"
#include "frontend/settings/SettingsPageIds.h"
#include "frontend/settings/SettingsPages.h"
#include "frontend/settings/SettingsWrite.h"
#include "ui/windows/MenuSupport.h"

namespace settings_pages {
namespace {

constexpr int kAuxiliaryCategory = 4;
constexpr int kSecondaryCategory = 3;
constexpr int kCloseUpPixels = 10;
constexpr int kEditUnits = 260;

const wchar_t* const kFrequencyNames[kFrequencyItems] = {L"一次到顶", L"逐渐到顶", L"累加上屏数",
                                                         L"禁止调整"};

void CategoryLabel(const ImeContext* context, int category, wchar_t (&out)[16]) {
  wchar_t name[kCategoryNameUnits];
  CategoryName(context, category, name);
  out[0] = 0;
  if (name[0]) FormatString(out, 16, L"%s: ", name);
}

void SetCharEdit(HWND page, int id, uint8_t code) {
  wchar_t text[2] = {CodeByteChar(code), 0};
  SetDlgItemTextW(page, id, text);
}

uint8_t ReadCharEdit(HWND page, int id) {
  wchar_t text[kEditUnits] = {};
  GetDlgItemTextW(page, id, text, kEditUnits);
  return LeadCodeFromText(text);
}

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void Fill(HWND page, ImeContext* context) {
  const ImeConfigBlock* ime = context->imeBlock;
  const DmeConfigBlock* dme = context->dmeBlock;
  HWND frequency = GetDlgItem(page, ZN_IDC_FREQUENCY);
  for (const wchar_t* name : kFrequencyNames) {
    SendMessageW(frequency, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendMessageW(frequency, CB_SETCURSEL, FrequencyItem(ime->sortWord), 0);

  CheckDlgButton(page, ZN_IDC_ASSOCIATIONS, (ime->optionFlags & kImeOptAssociations) ? 1 : 0);
  wchar_t association[kPathUnits + 16];
  FormatString(association, kPathUnits + 16, L"%ssysl.dmg", context->dataFolder);
  const bool hasAssociations = GetFileAttributesW(association) != INVALID_FILE_ATTRIBUTES;
  ShowWindow(GetDlgItem(page, ZN_IDC_ASSOCIATIONS), hasAssociations ? SW_SHOW : SW_HIDE);

  CheckDlgButton(page, ZN_IDC_PREFIX_HINTS, (dme->codeOptions & kDmeOptPrefixHints) ? 1 : 0);
  CheckDlgButton(page, ZN_IDC_HINTS_WHEN_EMPTY,
                 (dme->codeOptions & kDmeOptHintsWithoutMatch) ? 1 : 0);
  CheckDlgButton(page, ZN_IDC_SINGLE_CHARS, (dme->codeOptions & kDmeOptWildcardSingleChars) ? 1 : 0);
  EnableWindow(GetDlgItem(page, ZN_IDC_HINTS_WHEN_EMPTY), !(dme->codeOptions & kDmeOptPrefixHints));

  SetCharEdit(page, ZN_IDC_WILDCARD, dme->wildcardChar);
  SetCharEdit(page, ZN_IDC_ENGLISH_LEAD, dme->tempEnglishLead);
  SetCharEdit(page, ZN_IDC_AUX_LEAD, dme->auxiliaryLead);
  SetCharEdit(page, ZN_IDC_SECONDARY_LEAD, dme->secondaryLead);
  wchar_t punctuation[257];
  PunctuationAfterDigitsText(dme->keyCharFlags, punctuation);
  SetDlgItemTextW(page, ZN_IDC_PUNCT_AFTER_DIGITS, punctuation);

  wchar_t label[16];
  CategoryLabel(context, kAuxiliaryCategory, label);
  SetDlgItemTextW(page, ZN_IDC_AUX_LABEL, label);
  if (!label[0]) {
    ShowWindow(GetDlgItem(page, ZN_IDC_AUX_LABEL), SW_HIDE);
    ShowWindow(GetDlgItem(page, ZN_IDC_AUX_LEAD), SW_HIDE);
    ShiftDialogItem(page, ZN_IDC_ENGLISH_LABEL, kCloseUpPixels);
    ShiftDialogItem(page, ZN_IDC_ENGLISH_LEAD, kCloseUpPixels);
    ShiftDialogItem(page, ZN_IDC_SECONDARY_LABEL, -kCloseUpPixels);
    ShiftDialogItem(page, ZN_IDC_SECONDARY_LEAD, -kCloseUpPixels);
  }
  CategoryLabel(context, kSecondaryCategory, label);
  SetDlgItemTextW(page, ZN_IDC_SECONDARY_LABEL, label);
  if (!label[0]) {
    ShowWindow(GetDlgItem(page, ZN_IDC_SECONDARY_LABEL), SW_HIDE);
    ShowWindow(GetDlgItem(page, ZN_IDC_SECONDARY_LEAD), SW_HIDE);
  }
}

void SetDmeBit(ImeContext* context, uint32_t bit, bool on) {
  WriteSettings(context, [&] {
    uint32_t& word = context->dmeBlock->codeOptions;
    word = on ? (word | bit) : (word & ~bit);
  });
}

void OnCommand(HWND page, ImeContext* context, int id, int code) {
  if (code == CBN_SELCHANGE && id == ZN_IDC_FREQUENCY) {
    const int item = static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
    if (item < 0) return;
    WriteSettings(context, [&] {
      context->imeBlock->sortWord = WithFrequencyItem(context->imeBlock->sortWord, item);
    });
    return;
  }
  if (code != BN_CLICKED) return;
  const bool on = Checked(page, id);
  switch (id) {
    case ZN_IDC_ASSOCIATIONS:
      WriteSettings(context, [&] {
        uint32_t& word = context->imeBlock->optionFlags;
        word = on ? (word | kImeOptAssociations) : (word & ~kImeOptAssociations);
      });
      break;
    case ZN_IDC_PREFIX_HINTS:
      SetDmeBit(context, kDmeOptPrefixHints, on);
      EnableWindow(GetDlgItem(page, ZN_IDC_HINTS_WHEN_EMPTY), !on);
      break;
    case ZN_IDC_HINTS_WHEN_EMPTY:
      SetDmeBit(context, kDmeOptHintsWithoutMatch, on);
      break;
    case ZN_IDC_SINGLE_CHARS:
      SetDmeBit(context, kDmeOptWildcardSingleChars, on);
      break;
    default:
      break;
  }
}

// The text fields are stored as the page closes.
void StoreTextFields(HWND page, ImeContext* context) {
  const uint8_t wildcard = ReadCharEdit(page, ZN_IDC_WILDCARD);
  const uint8_t english = ReadCharEdit(page, ZN_IDC_ENGLISH_LEAD);
  const uint8_t auxiliary = ReadCharEdit(page, ZN_IDC_AUX_LEAD);
  const uint8_t secondary = ReadCharEdit(page, ZN_IDC_SECONDARY_LEAD);
  wchar_t text[kEditUnits] = {};
  GetDlgItemTextW(page, ZN_IDC_PUNCT_AFTER_DIGITS, text, kEditUnits);
  WriteSettings(context, [&] {
    DmeConfigBlock* dme = context->dmeBlock;
    dme->wildcardChar = wildcard;
    dme->tempEnglishLead = english;
    dme->auxiliaryLead = auxiliary;
    dme->secondaryLead = secondary;
    // Other processes read this table while typing: build the new set apart
    // and store only the bytes that change, each one whole.
    uint8_t flags[256];
    std::memcpy(flags, dme->keyCharFlags, sizeof(flags));
    ApplyPunctuationAfterDigits(flags, text);
    for (int i = 0; i < 256; ++i) {
      if (dme->keyCharFlags[i] != flags[i]) dme->keyCharFlags[i] = flags[i];
    }
  });
}

}  // namespace

INT_PTR CALLBACK InputOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ImeContext* context = EditablePageContext();
  if (!context) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      ShowPageAtOrigin(page);
      Fill(page, context);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) return TRUE;
      OnCommand(page, context, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_DESTROY:
      StoreTextFields(page, context);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace settings_pages
