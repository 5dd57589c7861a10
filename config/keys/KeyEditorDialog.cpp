// The key-function editor window.
#include "config/keys/KeyEditorDialog.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigServices.h"
#include "config/keys/KeyResources.h"
#include "config/keys/KeyboardLayout.h"
#include "config/tables/TableCommands.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr int kModuleIcon = 117;
constexpr COLORREF kFrameColour = RGB(0x80, 0x80, 0x80);
constexpr wchar_t kListFull[] = L"组合按键空间用尽，您最多能定义32组组合键。";
constexpr wchar_t kAskDefaults[] =
    L"此操作将清空您原有的自定义设置，然后使用星禾默认按键方案。\r\n是否继续？";
constexpr wchar_t kAskClearCombinations[] = L"此操作将清空所有已经定义的组合键功能。\r\n是否继续？";
constexpr wchar_t kAskClearAll[] = L"此操作将清空所有已经定义的按键功能。\r\n是否继续？";

void Frame(HDC dc, RECT r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
}

// Pixels a label takes in a font.
int LabelWidth(HDC dc, HFONT font, const wchar_t* label) {
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, label, lstrlenW(label), &size);
  SelectObject(dc, old);
  return size.cx;
}

// The room a label has on its button: all but the frame.
constexpr int kLabelMargin = 2;

}  // namespace

void DrawKeyButton(const DRAWITEMSTRUCT& item, bool defined) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  HBRUSH face = CreateSolidBrush(defined ? kDefinedKeyFace : GetSysColor(COLOR_MENU));
  FillRect(dc, &r, face);
  DeleteObject(face);
  wchar_t caption[32];
  const int n = GetWindowTextW(item.hwndItem, caption, 32);
  // The button's own font: narrow keys carry a smaller one.
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
  DrawTextW(dc, caption, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (oldFont) SelectObject(dc, oldFont);
  Frame(dc, r, kFrameColour);
  if (item.itemState & ODS_SELECTED) {
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    Frame(dc, inner, kFrameColour);
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

KeyEditorDialog::KeyEditorDialog(ConfigApp& app) : Dialog(IDD_KEY_EDITOR, app.resources), app_(app) {}

KeyEditorDialog::~KeyEditorDialog() { DeleteCompactFonts(); }

void KeyEditorDialog::DeleteCompactFonts() {
  for (HFONT& font : compactFonts_) {
    if (font) DeleteObject(font);
    font = nullptr;
  }
}

BOOL KeyEditorDialog::OnInitDialog() {
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  if (HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(kModuleIcon)) : nullptr) {
    SetWindowIcons(hwnd(), icon, icon);
  }
  // A second start of config finds this window by this title.
  SetWindowTextW(hwnd(), InstanceTitle(kTitleKeyEditor, app_.displayName).c_str());
  CreateKeyButtons();
  return TRUE;
}

void KeyEditorDialog::CreateKeyButtons() {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  std::vector<HWND> tight;  // buttons whose label the dialog font cuts
  DeleteCompactFonts();
  HDC dc = GetDC(hwnd());
  for (const KeyButton& key : KeyboardLayout()) {
    RECT r{key.x, key.y, key.x + key.width, key.y + key.height};
    MapDialogRect(hwnd(), &r);
    HWND button = CreateWindowExW(0, L"BUTTON", key.label,
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, hwnd(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(key.id)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (!button || !font) continue;
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (LabelWidth(dc, font, key.label) > r.right - r.left - kLabelMargin) tight.push_back(button);
  }
  // Narrow keys (PrtSc, Pause, Home, PgUp ...) get the dialog's face at
  // the largest height their label fits in.
  LOGFONTW face{};
  if (!tight.empty() && GetObjectW(font, sizeof face, &face) == sizeof face) {
    const int sign = face.lfHeight < 0 ? -1 : 1;
    const int tallest = std::min<int>(std::abs(face.lfHeight) - 1, 31);
    for (HWND button : tight) {
      wchar_t label[32];
      GetWindowTextW(button, label, 32);
      RECT client;
      GetClientRect(button, &client);
      HFONT fitted = nullptr;
      for (int height = tallest; height >= 6 && !fitted; --height) {
        HFONT& made = compactFonts_[static_cast<size_t>(height)];
        if (!made) {
          face.lfHeight = sign * height;
          made = CreateFontIndirectW(&face);
        }
        if (made && (height == 6 || LabelWidth(dc, made, label) <= client.right - kLabelMargin)) {
          fitted = made;
        }
      }
      if (fitted) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(fitted), FALSE);
    }
  }
  ReleaseDC(hwnd(), dc);
}

KeyModifiers KeyEditorDialog::Modifiers() const {
  return KeyModifiers{IsItemChecked(hwnd(), IDC_KEY_CTRL), IsItemChecked(hwnd(), IDC_KEY_ALT),
                      IsItemChecked(hwnd(), IDC_KEY_SHIFT)};
}

void KeyEditorDialog::UpdateModifierButtons() {
  const KeyModifiers m = Modifiers();
  const bool plain = !m.ctrl && !m.alt && !m.shift;
  for (const KeyButton& key : KeyboardLayout()) {
    if (key.sidedModifier) EnableItem(hwnd(), key.id, plain);
  }
  InvalidateRect(hwnd(), nullptr, FALSE);
}

uint64_t KeyEditorDialog::CurrentFlags(KeyCode code) {
  DmeConfigBlock* dme = app_.context ? app_.context->dmeBlock : nullptr;
  const KeyBinding binding = LookupKeyBinding(dme, code);
  return binding.flags ? *binding.flags : 0;
}

bool KeyEditorDialog::Confirm(const wchar_t* text) {
  return app_.services.ShowMessage(hwnd(), text, kKeyEditorCaption, MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

int KeyEditorDialog::ShowKeyMenu(uint64_t flags) {
  HMENU menu = LoadMenuW(app_.resources, MAKEINTRESOURCEW(IDM_KEY_FUNCTIONS));
  if (!menu) return 0;
  HMENU popup = GetSubMenu(menu, 0);
  for (int command : CheckedKeyMenuItems(flags)) {
    CheckMenuItem(popup, static_cast<UINT>(command), MF_BYCOMMAND | MF_CHECKED);
  }
  POINT at;
  GetCursorPos(&at);
  const int command = app_.services.TrackMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, hwnd());
  DestroyMenu(menu);
  return command;
}

void KeyEditorDialog::OnKeyButton(int buttonId) {
  const KeyButton* key = FindKeyButton(buttonId);
  DmeConfigBlock* dme = app_.context ? app_.context->dmeBlock : nullptr;
  if (!key || !dme) return;
  const KeyCode code = KeyButtonCode(key->keyName, Modifiers());
  // A key new to a full combination list cannot be given functions.
  if (!LookupKeyBinding(dme, code).flags && GetCombinationKeyCount(dme) >= kCombinationCapacity) {
    app_.services.ShowMessage(hwnd(), kListFull, kKeyEditorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  ApplyKeyCommand(buttonId, ShowKeyMenu(CurrentFlags(code)));
}

void KeyEditorDialog::ApplyKeyCommand(int buttonId, int command) {
  const KeyButton* key = FindKeyButton(buttonId);
  DmeConfigBlock* dme = app_.context ? app_.context->dmeBlock : nullptr;
  if (!key || !dme) return;
  const KeyCode code = KeyButtonCode(key->keyName, Modifiers());
  const KeyMenuAction action = ClassifyKeyMenuCommand(command);
  if (action == KeyMenuAction::kNone) return;
  const wchar_t* question = action == KeyMenuAction::kLoadDefaults        ? kAskDefaults
                            : action == KeyMenuAction::kClearCombinations ? kAskClearCombinations
                            : action == KeyMenuAction::kClearAll          ? kAskClearAll
                                                                          : nullptr;
  if (question && !Confirm(question)) return;
  // Typing processes read these tables; the change is made under the data
  // folder's lock, never held while a menu or a question waits for the user.
  DataWriteLock lock(app_.context);
  if (!lock.Held()) {
    app_.services.ShowMessage(hwnd(), kDataBusyMessage, kKeyEditorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  switch (action) {
    case KeyMenuAction::kNone:
      return;
    case KeyMenuAction::kLoadDefaults:
      ResetKeyTables(dme);
      break;
    case KeyMenuAction::kClearCombinations:
      ClearCombinationKeys(dme);
      break;
    case KeyMenuAction::kClearAll:
      ClearAllKeyFunctions(dme);
      break;
    case KeyMenuAction::kFlags: {
      // The key is looked up again: the menu was open for a while.
      KeyBinding binding = LookupKeyBinding(dme, code);
      if (!binding.flags) {
        const uint64_t flags = ApplyKeyMenuCommand(0, command);
        if (flags == 0) return;
        const int added = AddCombinationKey(dme, code);
        if (added < 0) {
          app_.services.ShowMessage(hwnd(), kListFull, kKeyEditorCaption, MB_OK | MB_ICONERROR);
          return;
        }
        binding = LookupKeyBinding(dme, code);
      }
      *binding.flags = ApplyKeyMenuCommand(*binding.flags, command);
      DropEmptyCombinationKey(dme, code);
      break;
    }
  }
  InvalidateRect(hwnd(), nullptr, FALSE);
}

bool KeyEditorDialog::OnCommand(int id, int code, HWND) {
  if ((id == IDC_KEY_CTRL || id == IDC_KEY_ALT || id == IDC_KEY_SHIFT) && code == BN_CLICKED) {
    UpdateModifierButtons();
    return true;
  }
  if (FindKeyButton(id) && code == BN_CLICKED) {
    OnKeyButton(id);
    return true;
  }
  return false;
}

bool KeyEditorDialog::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_DRAWITEM) return false;
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  const KeyButton* key = item ? FindKeyButton(static_cast<int>(item->CtlID)) : nullptr;
  if (!key) return false;
  DrawKeyButton(*item, CurrentFlags(KeyButtonCode(key->keyName, Modifiers())) != 0);
  result = TRUE;
  return true;
}
