// The two settings pages as children of a test window: controls driven with
// messages, their settings read back from the scratch config.dsc on disk.
#include <gtest/gtest.h>

#include "engine/KeyTables.h"
#include "frontend/settings/SettingsPageIds.h"
#include "frontend/settings/SettingsPages.h"
#include "tests/common/MemoryDib.h"
#include "tests/frontend/settings/PageTestSupport.h"
#include "tests/ui/PngWriter.h"

using namespace zn::test;
using namespace settings_pages;

namespace {

void SetCategory(ImeContext* c, int category, const wchar_t* name) {
  wchar_t* slot = c->softBlock->categoryNames[category];
  for (int i = 0; i < 9; ++i) slot[i] = 0;
  for (int i = 0; i < 9 && name[i]; ++i) slot[i] = name[i];
}

bool Visible(HWND page, int id) {
  return (GetWindowLongPtrW(GetDlgItem(page, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

int Top(HWND page, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(page, id), &r);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  return r.top;
}

int SkinItemNamed(HWND page, const wchar_t* name) {
  return static_cast<int>(SendDlgItemMessageW(page, ZN_IDC_SKIN, CB_FINDSTRINGEXACT,
                                              static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name)));
}

}  // namespace

TEST(SettingsPages, InputOptionsShowAndStoreTheSettings) {
  PageContext c;
  EXPECT_EQ(DestroySettingsPage(1), 1);  // nothing open
  SetCategory(c.get(), 4, L"");
  SetCategory(c.get(), 3, L"拼音");
  c->imeBlock->sortWord = (c->imeBlock->sortWord & ~7u) | 0x2;
  c->dmeBlock->codeOptions = 0x1;
  c->dmeBlock->wildcardChar = 'z';
  c->dmeBlock->tempEnglishLead = 0x0C;  // keypad comma
  for (uint8_t& f : c->dmeBlock->keyCharFlags) f &= ~kKeyCharEnglishPunctAfterDigit;
  c->dmeBlock->keyCharFlags['.'] |= kKeyCharEnglishPunctAfterDigit;
  c->dmeBlock->keyCharFlags[':'] |= kKeyCharEnglishPunctAfterDigit;

  HWND page = CreateSettingsPage(c.parent(), kInputOptionsPage, c.get());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(GetParent(page), c.parent());
  RECT r;
  GetWindowRect(page, &r);
  EXPECT_EQ(r.right - r.left, 600);
  EXPECT_EQ(SelectedItem(page, ZN_IDC_FREQUENCY), 1);
  EXPECT_EQ(ItemText(page, ZN_IDC_WILDCARD), L"z");
  EXPECT_EQ(ItemText(page, ZN_IDC_ENGLISH_LEAD), L"\xFF0C");
  EXPECT_EQ(ItemText(page, ZN_IDC_PUNCT_AFTER_DIGITS), L".:");
  EXPECT_TRUE(IsDlgButtonChecked(page, ZN_IDC_PREFIX_HINTS));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, ZN_IDC_HINTS_WHEN_EMPTY)));
  // No association table: no association option. No auxiliary name: its
  // row is gone and the rows around it close up.
  EXPECT_FALSE(Visible(page, ZN_IDC_ASSOCIATIONS));
  EXPECT_FALSE(Visible(page, ZN_IDC_AUX_LABEL));
  EXPECT_FALSE(Visible(page, ZN_IDC_AUX_LEAD));
  EXPECT_TRUE(Visible(page, ZN_IDC_SECONDARY_LEAD));
  EXPECT_EQ(ItemText(page, ZN_IDC_SECONDARY_LABEL), L"拼音: ");

  SelectItem(page, ZN_IDC_FREQUENCY, 2);
  ClickCheck(page, ZN_IDC_PREFIX_HINTS, false);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, ZN_IDC_HINTS_WHEN_EMPTY)));
  ClickCheck(page, ZN_IDC_SINGLE_CHARS, true);
  // Checks and combos are written at once.
  PageContext::Saved now = c.ReadBack();
  EXPECT_EQ(now.blocks.ime->sortWord & 7u, 0x4u);
  EXPECT_EQ(now.blocks.dme->codeOptions & 0x7u, 0x4u);

  // Text fields are written when the page closes.
  SetDlgItemTextW(page, ZN_IDC_WILDCARD, L"?x");
  SetDlgItemTextW(page, ZN_IDC_PUNCT_AFTER_DIGITS, L"\xFF0C\xFF0E");
  SetDlgItemTextW(page, ZN_IDC_SECONDARY_LEAD, L"");
  EXPECT_EQ(c.ReadBack().blocks.dme->wildcardChar, 'z');
  EXPECT_EQ(DestroySettingsPage(1), 1);
  EXPECT_FALSE(IsWindow(page));
  PageContext::Saved saved = c.ReadBack();
  EXPECT_EQ(saved.blocks.dme->wildcardChar, '?');
  EXPECT_EQ(saved.blocks.dme->secondaryLead, 0);
  EXPECT_EQ(saved.blocks.dme->tempEnglishLead, 0x0C);
  for (int code = 0; code < 256; ++code) {
    const bool expected = code == 0x0C || code == 0x0E;
    EXPECT_EQ((saved.blocks.dme->keyCharFlags[code] & kKeyCharEnglishPunctAfterDigit) != 0,
              expected)
        << code;
  }
}

TEST(SettingsPages, RowsCloseUpAndOpeningAPageClosesTheOpenOne) {
  PageContext c;
  SetCategory(c.get(), 4, L"笔画");
  WriteFileBytes(c.data().File(L"sysl.dmg"), std::vector<uint8_t>(16));
  HWND page = CreateSettingsPage(c.parent(), kInputOptionsPage, c.get());
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(Visible(page, ZN_IDC_ASSOCIATIONS));
  EXPECT_EQ(ItemText(page, ZN_IDC_AUX_LABEL), L"笔画: ");
  const int englishTop = Top(page, ZN_IDC_ENGLISH_LEAD);
  const int secondaryTop = Top(page, ZN_IDC_SECONDARY_LEAD);
  SetDlgItemTextW(page, ZN_IDC_AUX_LEAD, L"'");
  // Opening the other page first closes this one, storing its fields.
  HWND appearance = CreateSettingsPage(c.parent(), kAppearancePage, c.get());
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(c.ReadBack().blocks.dme->auxiliaryLead, '\'');
  // An unknown page opens nothing and leaves the open one.
  EXPECT_EQ(CreateSettingsPage(c.parent(), 2, c.get()), appearance);
  DestroySettingsPage(1);

  SetCategory(c.get(), 4, L"");
  page = CreateSettingsPage(c.parent(), kInputOptionsPage, c.get());
  EXPECT_EQ(Top(page, ZN_IDC_ENGLISH_LEAD), englishTop + 10);
  EXPECT_EQ(Top(page, ZN_IDC_SECONDARY_LEAD), secondaryTop - 10);
  DestroySettingsPage(0);
}

TEST(SettingsPages, AppearanceChoosesSkinsAndWritesAtOnce) {
  PageContext c;
  SkinConfigBlock* skin = c->skinBlock;
  wcscpy(skin->skinName, L"NIGHT.col");
  skin->appearanceFlags = 0x8;
  c->imeBlock->optionFlags &= ~0xC0u;
  HWND page = CreateSettingsPage(c.parent(), kAppearancePage, c.get());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(SendDlgItemMessageW(page, ZN_IDC_SKIN, CB_GETCOUNT, 0, 0), 2);
  const int night = SkinItemNamed(page, L"夜色");
  const int light = SkinItemNamed(page, L"清新");
  ASSERT_GE(night, 0);
  ASSERT_GE(light, 0);
  EXPECT_EQ(SelectedItem(page, ZN_IDC_SKIN), night);
  EXPECT_EQ(SelectedItem(page, ZN_IDC_ARRANGEMENT), 0);
  EXPECT_EQ(SelectedItem(page, ZN_IDC_POSITION), 0);
  // The skin's own fonts, disabled while the block's are not used.
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, ZN_IDC_CODE_FACE)));
  EXPECT_EQ(SelectedText(page, ZN_IDC_CODE_SIZE), L"16 px");  // the skin's -15

  SelectItem(page, ZN_IDC_SKIN, light);
  SelectItem(page, ZN_IDC_ARRANGEMENT, 2);
  SelectItem(page, ZN_IDC_POSITION, 1);
  SelectItem(page, ZN_IDC_CANDIDATE_COUNT, 4);
  ClickCheck(page, ZN_IDC_HIDE_STATUS, true);
  PageContext::Saved saved = c.ReadBack();
  EXPECT_STREQ(saved.blocks.skin->skinName, L"skin.col");
  EXPECT_STREQ(saved.blocks.skin->loadedSkinName, L"skin.col");
  EXPECT_EQ(saved.blocks.skin->appearanceFlags & 0x18u, 0x10u);
  EXPECT_EQ(saved.blocks.ime->optionFlags & 0xC0u, 0x80u);
  EXPECT_EQ(saved.blocks.ime->sortWord >> 28, 5u);
  EXPECT_TRUE(saved.blocks.ime->optionFlags & 0x100u);

  // Own fonts: the empty faces take the skin's, and the controls open up.
  skin->codeFont.face[0] = 0;
  ClickCheck(page, ZN_IDC_OWN_FONTS, true);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, ZN_IDC_CODE_SIZE)));
  EXPECT_STREQ(skin->codeFont.face, L"微软雅黑");
  EXPECT_EQ(skin->candidateFont.sizePixels, -17);
  SelectItem(page, ZN_IDC_CODE_SIZE, 3);
  EXPECT_EQ(c.ReadBack().blocks.skin->codeFont.sizePixels, 18);
  EXPECT_EQ(c.ReadBack().blocks.skin->appearanceFlags & 0x8000u, 0x8000u);
  // The face lists hold the display's families, vertical forms left out.
  const int faces = static_cast<int>(SendDlgItemMessageW(page, ZN_IDC_CODE_FACE, CB_GETCOUNT, 0, 0));
  EXPECT_GT(faces, 0);
  for (int i = 0; i < faces; ++i) {
    wchar_t face[64] = {};
    SendDlgItemMessageW(page, ZN_IDC_CODE_FACE, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(face));
    EXPECT_NE(face[0], L'@');
  }
  DestroySettingsPage(1);

  // Sizes outside the list: 48 shows "12 px", -16 shows "16 px".
  skin->codeFont.sizePixels = 48;
  skin->candidateFont.sizePixels = -16;
  page = CreateSettingsPage(c.parent(), kAppearancePage, c.get());
  EXPECT_EQ(SelectedText(page, ZN_IDC_CODE_SIZE), L"12 px");
  EXPECT_EQ(SelectedText(page, ZN_IDC_CANDIDATE_SIZE), L"16 px");
  DestroySettingsPage(1);
}

TEST(SettingsPages, UnknownSkinNamesAndEmptySkinFolders) {
  {
    PageContext c;
    wcscpy(c->skinBlock->skinName, L"gone.col");
    HWND page = CreateSettingsPage(c.parent(), kAppearancePage, c.get());
    EXPECT_EQ(SelectedItem(page, ZN_IDC_SKIN), 0);
    PageContext::Saved saved = c.ReadBack();
    EXPECT_STRNE(saved.blocks.skin->skinName, L"gone.col");
    EXPECT_STREQ(saved.blocks.skin->skinName, saved.blocks.skin->loadedSkinName);
    DestroySettingsPage(1);
  }
  PageContext empty(false);
  wcscpy(empty->skinBlock->skinName, L"gone.col");
  wcscpy(empty->skinBlock->loadedSkinName, L"old.col");
  HWND page = CreateSettingsPage(empty.parent(), kAppearancePage, empty.get());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(SendDlgItemMessageW(page, ZN_IDC_SKIN, CB_GETCOUNT, 0, 0), 0);
  DestroySettingsPage(1);
  EXPECT_STREQ(empty.ReadBack().blocks.skin->skinName, L"gone.col");
  EXPECT_STREQ(empty.ReadBack().blocks.skin->loadedSkinName, L"old.col");
}

TEST(SettingsPages, PreviewDrawsTheSkinPictureInsideItsFrame) {
  PageContext c;
  // A preview picture far larger than the control, beside the skin.
  PngPicture picture;
  picture.width = 2000;
  picture.height = 1500;
  picture.colourType = 2;
  picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height * 3, 0);
  for (size_t i = 0; i < picture.pixels.size(); i += 3) picture.pixels[i] = 255;  // red
  WriteFileBytes(c.install().path() + L"tessel\\skin.png", EncodePng(picture));
  wcscpy(c->skinBlock->skinName, L"skin.col");
  HWND page = CreateSettingsPage(c.parent(), kAppearancePage, c.get());
  ASSERT_NE(page, nullptr);

  MemoryDib dib(100, 60);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = ZN_IDC_PREVIEW;
  item.hwndItem = GetDlgItem(page, ZN_IDC_PREVIEW);
  item.hDC = dib.dc();
  item.rcItem = {0, 0, 100, 60};
  const DWORD start = GetTickCount();
  SendMessageW(page, WM_DRAWITEM, ZN_IDC_PREVIEW, reinterpret_cast<LPARAM>(&item));
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(dib.At(0, 0) & 0xFFFFFF, 0x808080u);    // frame
  EXPECT_EQ(dib.At(50, 30) & 0xFFFFFF, 0xFF0000u);  // the picture
  EXPECT_EQ(dib.At(99, 59) & 0xFFFFFF, 0x808080u);
  DestroySettingsPage(1);
}
