// The text-mode settings editor.
#include "config/app/AdvancedEditor.h"

#include <shlobj.h>

#include <cstdlib>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigServices.h"
#include "config/app/FrameworkSwitch.h"
#include "config/app/SettingsEditing.h"
#include "codetable/TableFiles.h"
#include "config/settingstext/SettingsText.h"
#include "config/tables/TableList.h"
#include "engine/WideString.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr wchar_t kTempFileName[] = L"_temp_znconfig.dsc";
constexpr wchar_t kFindCaption[] = L"高级设置";
constexpr LONG kInitialLimit = 40960;

// The file's text by its byte-order mark; false when it cannot be read.
bool ReadTextFile(const std::wstring& path, std::wstring& text) {
  DecodedText decoded;
  if (path.empty() || ReadWholeTextFile(path.c_str(), &decoded) != kReadTextDone) return false;
  text.assign(decoded.Text(), decoded.LenUnits());
  return true;
}

bool WriteBackup(const std::wstring& path, const std::wstring& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  static constexpr uint8_t kBom[2] = {0xFF, 0xFE};
  DWORD written = 0;
  const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  bool ok = WriteFile(file, kBom, 2, &written, nullptr) && written == 2;
  ok = ok && (bytes == 0 || (WriteFile(file, text.data(), bytes, &written, nullptr) && written == bytes));
  ok = CloseHandle(file) && ok;
  return ok;
}

}  // namespace

AdvancedEditor::AdvancedEditor(ConfigApp& app) : Dialog(IDD_ADVANCED, app.resources), app_(app) {}

int AdvancedEditor::Say(const wchar_t* text, UINT style, const wchar_t* caption) {
  return app_.services.ShowMessage(hwnd(), text, caption ? caption : kProgramCaption, style);
}

BOOL AdvancedEditor::OnInitDialog() {
  searchStart_ = 0;
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(121)) : nullptr;
  if (!icon) icon = LoadIconW(app_.resources, MAKEINTRESOURCEW(IDI_CONFIG));
  SetWindowIcons(hwnd(), icon, icon);
  SetWindowTextW(hwnd(), InstanceTitle(kTitleAdvanced, app_.displayName).c_str());

  edit_.Attach(Item(IDC_ADV_TEXT));
  edit_.EnableContextMenu(app_.resources, IDM_RICH_EDIT, &app_.services);
  RECT client;
  GetClientRect(hwnd(), &client);
  RECT at = ItemRect(hwnd(), IDC_ADV_TEXT);
  margins_ = RECT{at.left, at.top, client.right - at.right, client.bottom - at.bottom};

  std::wstring text;
  bool loaded = false;
  ImeContext* context = app_.context;
  std::wstring folder = app_.services.TempFolder();
  if (context && context->imeBlock && !folder.empty() && folder.size() < 240) {
    std::wstring path = folder + kTempFileName;
    ItfTable itf(app_.services, context, kItfSettingsText);
    loaded = WriteSettingsText(context->imeBlock, context->dmeBlock, context->skinBlock, itf.get(),
                               path.c_str()) == 0 &&
             ReadTextFile(path, text);
  }
  edit_.SetLimit(kInitialLimit);
  LoadText(loaded ? text : std::wstring());
  // An editor that could not be filled must never be applied: it would
  // clear every table the text replaces.
  if (!loaded) cut_ = true;
  SendMessageW(edit_.hwnd(), EM_SETEVENTMASK, 0,
               SendMessageW(edit_.hwnd(), EM_GETEVENTMASK, 0, 0) | ENM_CHANGE);
  SetModified(false);
  EnableItem(hwnd(), IDOK, false);
  return FALSE;
}

void AdvancedEditor::LoadText(const std::wstring& text) {
  edit_.SetText(text.c_str());
  cut_ = ShownTextIsCut(text, edit_.Text());
  Colour();
}

void AdvancedEditor::Colour() {
  const bool wasModified = modified_;
  edit_.SetAllFont(L"Tahoma", 196, kPlainColour);
  const int lines = edit_.LineCount();
  for (int i = 0; i < lines; ++i) {
    std::wstring line = edit_.LineText(i, 512);
    LONG start = edit_.LineStart(i);
    if (start < 0 || line.empty()) continue;
    LineColours colours = ColoursOfLine(line);
    const LONG headEnd = start + static_cast<LONG>(colours.headUnits);
    if (colours.head != kPlainColour) edit_.SetRangeColour(start, headEnd, colours.head);
    if (colours.rest != kPlainColour && colours.headUnits < line.size())
      edit_.SetRangeColour(headEnd, start + static_cast<LONG>(line.size()), colours.rest);
  }
  edit_.Select(0, 0);
  SetFocus(edit_.hwnd());
  modified_ = wasModified;
}

void AdvancedEditor::SetModified(bool modified) {
  modified_ = modified;
  EnableItem(hwnd(), IDC_ADV_SAVE, modified);
}

bool AdvancedEditor::OnCommand(int id, int code, HWND) {
  if (id == IDC_ADV_TEXT && code == EN_CHANGE) {
    SetModified(true);
    return true;
  }
  if (id == IDC_ADV_SEARCH && code == EN_CHANGE) {
    EnableItem(hwnd(), IDOK, !GetItemText(hwnd(), IDC_ADV_SEARCH).empty());
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ADV_SAVE: ApplyEditor(); return true;
    case IDC_ADV_BACKUP: BackUp(); return true;
    case IDC_ADV_RESTORE: Restore(); return true;
    default: return false;
  }
}

void AdvancedEditor::OnOk() {
  Find();
}

void AdvancedEditor::Find() {
  std::wstring what = GetItemText(hwnd(), IDC_ADV_SEARCH);
  if (what.size() > 63) what.resize(63);
  if (what.empty()) return;
  CHARRANGE found{};
  auto finder = [&](LONG from, CHARRANGE& range) { return edit_.Find(what.c_str(), from, range); };
  if (FindWithWrap(finder, searchStart_, found)) {
    edit_.Select(found.cpMin, found.cpMax);
    SetFocus(edit_.hwnd());
  } else {
    Say(L"未找到指定文本", MB_OK | MB_ICONERROR, kFindCaption);
  }
}

bool AdvancedEditor::ApplyText(const std::wstring& text, bool cutOnLoad) {
  ImeContext* context = app_.context;
  if (!context || !context->imeBlock || !context->dmeBlock || !context->skinBlock) return false;
  if (cutOnLoad) {
    Say(L"设置文本未能完整载入，为免丢失设置，未予保存。", MB_OK | MB_ICONERROR);
    return false;
  }
  const uint32_t before = context->imeBlock->optionFlags;
  int applied = 0;
  {
    ItfTable itf(app_.services, context, kItfSettingsText);
    applied = ParseSettingsText(text.c_str(), context->imeBlock, context->dmeBlock,
                                context->skinBlock, itf.get(), context->files[kFileConfig]);
  }
  if (applied < 0) {
    Say(L"另一个程序正在写入设置文件，设置未能保存，请稍后再试。", MB_OK | MB_ICONERROR);
    return false;
  }
  if (!applied) {
    Say(L"设置文本为空或不含可识别的设置节，未应用任何设置。", MB_OK | MB_ICONWARNING);
    return false;
  }
  RunFrameworkSwitch(app_, hwnd(), before);
  SetModified(false);
  SetFocus(edit_.hwnd());
  return true;
}

bool AdvancedEditor::ApplyEditor() {
  return ApplyText(edit_.Text(), cut_);
}

void AdvancedEditor::OnCancel() {
  if (modified_) {
    int answer = Say(L"是否保存对设置内容的更改？", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    // Edits that could not be applied stay on screen rather than vanish.
    if (answer == IDYES && !ApplyEditor()) return;
  }
  EndModal(IDCANCEL);
}

void AdvancedEditor::OnSize(int cx, int cy) {
  if (!edit_.hwnd()) return;
  MoveWindow(edit_.hwnd(), margins_.left, margins_.top, cx - margins_.left - margins_.right,
             cy - margins_.top - margins_.bottom, TRUE);
}

std::wstring AdvancedEditor::DefaultFolder() const {
  std::wstring folder = app_.services.KnownFolder(CSIDL_PERSONAL, true);
  if (folder.empty() || !app_.context || !app_.context->softBlock) return folder;
  const wchar_t* name = app_.context->softBlock->displayName;
  // The folder the code-table export uses; the name comes from a shared file.
  folder = ExportFolderFor(folder, std::wstring(name, BoundedLength(name, 40)));
  return CreateDirectoryPath(folder) ? folder : std::wstring();
}

void AdvancedEditor::BackUp() {
  std::wstring folder = DefaultFolder();
  std::wstring chosen;
  if (!app_.choosers.BrowseSaveFile(hwnd(), folder.c_str(), chosen)) return;
  std::optional<std::wstring> target = BackupFileName(chosen);
  if (!target) {
    Say(L"文件名过长，无法备份。", MB_OK | MB_ICONERROR);
    return;
  }
  if (GetFileAttributesW(target->c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::wstring question = *target + L" 已存在。\r\n要替换它吗？";
    if (Say(question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  if (!WriteBackup(*target, edit_.Text())) {
    std::wstring message = L"无法写入备份文件：\r\n" + *target;
    Say(message.c_str(), MB_OK | MB_ICONERROR);
  }
}

void AdvancedEditor::Restore() {
  std::wstring folder = DefaultFolder();
  std::wstring path;
  if (!app_.choosers.BrowseOpenFile(hwnd(), folder.c_str(), kExportTitle, TextFileFilter(), path))
    return;
  std::wstring text;
  if (!ReadTextFile(path, text)) {
    std::wstring message = L"无法读取文件：\r\n" + path;
    Say(message.c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  LoadText(text);
  // The file itself is applied, never what the editor may have cut of it.
  ApplyText(text, false);
}
