// Pictures of config's windows that name a Western face: the settings text
// editor (Tahoma) must show its Chinese as glyphs, not as the face's
// missing-glyph box, and the key editor's labels must fit their keys. The
// pictures are kept under the build tree for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "config/app/AdvancedEditor.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/keys/KeyEditorDialog.h"
#include "config/keys/KeyboardLayout.h"
#include "tests/common/DialogDriver.h"
#include "tests/common/MemoryDib.h"
#include "tests/config/ConfigTestApp.h"
#include "tools/common/ScreenShot.h"

using namespace zn::test;

namespace {

// A window's client pixels as it drew them.
void Capture(HWND window, MemoryDib* dib, int width, int height) {
  HDC dc = GetDC(window);
  BitBlt(dib->dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
}

void SaveWindowPicture(HWND window, const wchar_t* name) {
  CreateDirectoryW(ZN_PICTURE_DIR, nullptr);
  RECT r;
  GetWindowRect(window, &r);
  SaveScreenRect(r, std::wstring(ZN_PICTURE_DIR) + name);
}

// Pixels of one character's cell, from its position to the next one's.
std::vector<uint32_t> Cell(HWND rich, const MemoryDib& dib, LONG index, int lineHeight) {
  POINTL at{}, next{};
  SendMessageW(rich, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), index);
  SendMessageW(rich, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&next), index + 1);
  std::vector<uint32_t> cell;
  for (LONG y = at.y; y < at.y + lineHeight; ++y) {
    for (LONG x = at.x; x < next.x; ++x) cell.push_back(dib.At(x, y) & 0xFFFFFF);
  }
  return cell;
}

TEST(WindowPictures, SettingsEditorShowsChineseInItsWesternFace) {
  ConfigTestApp t;
  AdvancedEditor editor(t.app);
  std::vector<std::vector<uint32_t>> cells;
  std::wstring chars;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(InstanceTitle(kTitleAdvanced, kTestDisplayName).c_str(), IDC_ADV_SAVE);
    if (!w) return;
    HWND rich = GetDlgItem(w, IDC_ADV_TEXT);
    const std::wstring text = EditorText(w);
    // Four different characters of the first section's name and first key.
    const size_t head = text.find(L"[-IME设置-]");
    const size_t key = text.find(L"空码时空格行为");
    if (head != std::wstring::npos && key != std::wstring::npos) {
      Sleep(300);  // let the editor paint
      RECT client;
      GetClientRect(rich, &client);
      MemoryDib dib(client.right, client.bottom);
      Capture(rich, &dib, client.right, client.bottom);
      POINTL first{}, second{};
      const LONG line = static_cast<LONG>(SendMessageW(rich, EM_LINEFROMCHAR, EditPosition(text, head), 0));
      SendMessageW(rich, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), SendMessageW(rich, EM_LINEINDEX, line, 0));
      SendMessageW(rich, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&second), SendMessageW(rich, EM_LINEINDEX, line + 1, 0));
      const int lineHeight = second.y - first.y;
      for (size_t index : {head + 5, head + 6, key, key + 1}) {
        chars += text[index];
        cells.push_back(Cell(rich, dib, EditPosition(text, index), lineHeight));
      }
      SaveWindowPicture(w, L"settings-editor.png");
    }
    Click(w, IDCANCEL);
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  ASSERT_EQ(cells.size(), 4u) << "the settings text was not shown";
  // The missing-glyph box looks the same for every character.
  for (size_t i = 0; i < cells.size(); ++i) {
    EXPECT_FALSE(cells[i].empty());
    for (size_t j = i + 1; j < cells.size(); ++j) {
      EXPECT_NE(cells[i], cells[j]) << "boxes: " << std::wstring(1, chars[i]) << " and "
                                    << std::wstring(1, chars[j]) << " look alike";
    }
  }
}

TEST(WindowPictures, KeyEditorLabelsFitTheirKeys) {
  ConfigTestApp t;
  KeyEditorDialog dialog(t.app);
  std::vector<std::wstring> cut;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(InstanceTitle(kTitleKeyEditor, kTestDisplayName).c_str(),
                           KeyboardLayout().front().id);
    if (!w) return;
    Sleep(300);
    for (const KeyButton& key : KeyboardLayout()) {
      HWND button = GetDlgItem(w, key.id);
      RECT client;
      GetClientRect(button, &client);
      // Measured in the font the button is drawn with.
      HDC dc = GetDC(button);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
      SIZE size{};
      GetTextExtentPoint32W(dc, key.label, lstrlenW(key.label), &size);
      SelectObject(dc, old);
      ReleaseDC(button, dc);
      if (size.cx > client.right - 2 || size.cy > client.bottom) {
        cut.push_back(std::wstring(key.label) + L" " + std::to_wstring(size.cx) + L" > " +
                      std::to_wstring(client.right - 2));
        continue;
      }
      // And on the picture: no text colour in the columns beside the frame.
      MemoryDib dib(client.right, client.bottom);
      Capture(button, &dib, client.right, client.bottom);
      const uint32_t text = GetSysColor(COLOR_MENUTEXT);
      const uint32_t textPixel = (GetRValue(text) << 16) | (GetGValue(text) << 8) | GetBValue(text);
      for (int y = 2; y < client.bottom - 2; ++y) {
        if ((dib.At(1, y) & 0xFFFFFF) == textPixel || (dib.At(client.right - 2, y) & 0xFFFFFF) == textPixel) {
          cut.push_back(std::wstring(key.label) + L" touches its frame");
          break;
        }
      }
    }
    SaveWindowPicture(w, L"key-editor.png");
    Click(w, IDCANCEL);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  std::wstring all;
  for (const std::wstring& c : cut) all += c + L"\n";
  EXPECT_TRUE(cut.empty()) << all;
}

}  // namespace
