// The appearance page (dialog 133): skin with its preview, candidate
// arrangement, position and count, window visibility and the fonts.
#include <vector>

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/WideString.h"
#include "frontend/settings/FontFamilies.h"
#include "frontend/settings/PageMapping.h"
#include "frontend/settings/SettingsPageIds.h"
#include "frontend/settings/SettingsPages.h"
#include "frontend/settings/SettingsWrite.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/LayeredDraw.h"

namespace settings_pages {
namespace {

constexpr COLORREF kPreviewFrame = 0x808080;
constexpr COLORREF kPreviewFill = 0xA0A0A0;

const wchar_t* const kArrangementNames[] = {L"横排样式", L"竖排样式", L"左起纵向"};
const wchar_t* const kPositionNames[] = {L"跟随光标", L"跟随状态栏", L"固定位置"};
const int kFontControls[] = {ZN_IDC_CODE_FACE, ZN_IDC_CODE_SIZE, ZN_IDC_CANDIDATE_FACE,
                             ZN_IDC_CANDIDATE_SIZE};

// Module state of the one appearance page: the skins of the skin folder
// (one list kept for the process, listed again each time the page opens so
// skins added meanwhile show) and the preview picture of the chosen skin.
SkinList* skinList = nullptr;
SkinImage* preview = nullptr;
int previewItem = -1;

SkinList* ListSkins(ImeContext* context) {
  if (!skinList) skinList = static_cast<SkinList*>(GlobalAlloc(GPTR, sizeof(SkinList)));
  if (skinList) LoadSkinList(context, skinList);
  return skinList;
}

void AddItems(HWND page, int id, const wchar_t* const* names, int count) {
  for (int i = 0; i < count; ++i) {
    SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
  }
}

int Selected(HWND page, int id) {
  return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}

void Select(HWND page, int id, int item) { SendDlgItemMessageW(page, id, CB_SETCURSEL, item, 0); }

// The face in the list, else the first item.
void SelectFace(HWND page, int id, const wchar_t* face) {
  const LRESULT found =
      SendDlgItemMessageW(page, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(face));
  Select(page, id, found == CB_ERR ? 0 : static_cast<int>(found));
}

void LoadPreview(int item) {
  if (item == previewItem) return;
  FreeSkinImage(preview);
  preview = nullptr;
  previewItem = item;
  if (!skinList || item < 0 || item >= skinList->count) return;
  wchar_t path[kPathUnits];
  CopyStringBounded(path, kPathUnits, skinList->values[item].loadedPath);
  wchar_t* dot = wcsrchr(path, L'.');
  if (!dot || wcschr(dot, L'\\')) return;
  *dot = 0;
  AppendStringBounded(path, kPathUnits, L".png");
  preview = LoadPngFile(path);
}

void StoreSkinName(ImeContext* context, int item) {
  if (!skinList || item < 0 || item >= skinList->count) return;
  const wchar_t* name = PathFileName(skinList->values[item].loadedPath);
  WriteSettings(context, [&] {
    CopyStringBounded(context->skinBlock->skinName, 40, name);
    CopyStringBounded(context->skinBlock->loadedSkinName, 40, name);
  });
}

}  // namespace

void ShowSkinFonts(HWND page, ImeContext* context, int item) {
  SkinConfigBlock* block = context->skinBlock;
  const SkinTextStyle* skin =
      skinList && item >= 0 && item < skinList->count ? &skinList->values[item].text : nullptr;
  const bool own = (block->appearanceFlags & kSkinOwnFonts) != 0;
  if (own && skin && (!block->candidateFont.face[0] || !block->codeFont.face[0])) {
    WriteSettings(context, [&] {
      CopyStringBounded(block->codeFont.face, 40, skin->codeFont.face);
      CopyStringBounded(block->candidateFont.face, 40, skin->candidateFont.face);
      block->codeFont.sizePixels = skin->codeFont.sizePixels;
      block->candidateFont.sizePixels = skin->candidateFont.sizePixels;
    });
  }
  const FontSpec* code = own ? &block->codeFont : (skin ? &skin->codeFont : nullptr);
  const FontSpec* candidate = own ? &block->candidateFont : (skin ? &skin->candidateFont : nullptr);
  if (code && candidate) {
    wchar_t face[40];
    CopyStringBounded(face, 40, code->face);
    SelectFace(page, ZN_IDC_CODE_FACE, face);
    CopyStringBounded(face, 40, candidate->face);
    SelectFace(page, ZN_IDC_CANDIDATE_FACE, face);
    Select(page, ZN_IDC_CODE_SIZE, FontSizeItem(code->sizePixels));
    Select(page, ZN_IDC_CANDIDATE_SIZE, FontSizeItem(candidate->sizePixels));
  }
  for (int id : kFontControls) EnableWindow(GetDlgItem(page, id), own);
}

void InitAppearancePage(HWND page, ImeContext* context) {
  SkinList* list = ListSkins(context);
  int current = -1;
  if (list && list->count > 0) {
    for (int i = 0; i < list->count; ++i) {
      SendDlgItemMessageW(page, ZN_IDC_SKIN, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(list->values[i].info.name));
    }
    wchar_t configured[kSkinNameUnits];
    ConfiguredSkinName(*context->skinBlock, configured);
    current = SkinListItem(*list, configured);
    if (current < 0) {
      current = 0;
      StoreSkinName(context, current);
    }
    Select(page, ZN_IDC_SKIN, current);
  }
  AddItems(page, ZN_IDC_ARRANGEMENT, kArrangementNames, 3);
  Select(page, ZN_IDC_ARRANGEMENT, ArrangementItem(context->skinBlock->appearanceFlags));
  AddItems(page, ZN_IDC_POSITION, kPositionNames, 3);
  Select(page, ZN_IDC_POSITION, PositionItem(context->imeBlock->optionFlags));
  for (int n = 1; n <= 10; ++n) {
    wchar_t text[4];
    FormatString(text, 4, L"%d", n);
    SendDlgItemMessageW(page, ZN_IDC_CANDIDATE_COUNT, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text));
  }
  Select(page, ZN_IDC_CANDIDATE_COUNT, CandidateCountItem(context->imeBlock->sortWord));
  CheckDlgButton(page, ZN_IDC_OWN_FONTS, (context->skinBlock->appearanceFlags & kSkinOwnFonts) ? 1 : 0);
  for (const std::wstring& face : CollectFontFamilies()) {
    for (int id : {ZN_IDC_CODE_FACE, ZN_IDC_CANDIDATE_FACE}) {
      SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str()));
    }
  }
  for (int32_t size : kFontSizes) {
    wchar_t text[8];
    FormatString(text, 8, L"%d px", size);
    for (int id : {ZN_IDC_CODE_SIZE, ZN_IDC_CANDIDATE_SIZE}) {
      SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
  }
  ShowSkinFonts(page, context, current);
  LoadPreview(current);
}

namespace {

void SetBit(uint32_t& word, uint32_t bit, bool on) { word = on ? (word | bit) : (word & ~bit); }

void OnSelection(HWND page, ImeContext* context, int id) {
  const int item = Selected(page, id);
  if (item < 0) return;
  SkinConfigBlock* block = context->skinBlock;
  ImeConfigBlock* ime = context->imeBlock;
  switch (id) {
    case ZN_IDC_SKIN:
      StoreSkinName(context, item);
      LoadPreview(item);
      InvalidateRect(GetDlgItem(page, ZN_IDC_PREVIEW), nullptr, TRUE);
      ShowSkinFonts(page, context, item);
      break;
    case ZN_IDC_ARRANGEMENT:
      WriteSettings(context, [&] {
        block->appearanceFlags = WithArrangementItem(block->appearanceFlags, item);
      });
      break;
    case ZN_IDC_POSITION:
      WriteSettings(context, [&] { ime->optionFlags = WithPositionItem(ime->optionFlags, item); });
      break;
    case ZN_IDC_CANDIDATE_COUNT:
      WriteSettings(context, [&] { ime->sortWord = WithCandidateCountItem(ime->sortWord, item); });
      break;
    case ZN_IDC_CODE_FACE:
    case ZN_IDC_CANDIDATE_FACE: {
      // CB_GETLBTEXT takes no buffer size: an item longer than a face name
      // is not read.
      const LRESULT units = SendDlgItemMessageW(page, id, CB_GETLBTEXTLEN, item, 0);
      if (units < 0 || units >= LF_FACESIZE) break;
      wchar_t face[LF_FACESIZE] = {};
      SendDlgItemMessageW(page, id, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(face));
      FontSpec& font = id == ZN_IDC_CODE_FACE ? block->codeFont : block->candidateFont;
      WriteSettings(context, [&] { CopyStringBounded(font.face, 40, face); });
      break;
    }
    case ZN_IDC_CODE_SIZE:
    case ZN_IDC_CANDIDATE_SIZE: {
      FontSpec& font = id == ZN_IDC_CODE_SIZE ? block->codeFont : block->candidateFont;
      if (item < kFontSizeItems) WriteSettings(context, [&] { font.sizePixels = kFontSizes[item]; });
      break;
    }
    default:
      break;
  }
}

void OnClick(HWND page, ImeContext* context, int id) {
  const bool on = IsDlgButtonChecked(page, id) == BST_CHECKED;
  switch (id) {
    case ZN_IDC_HIDE_CANDIDATES:
      WriteSettings(context, [&] { SetBit(context->imeBlock->optionFlags, ImeBits::kHideCandidates, on); });
      break;
    case ZN_IDC_HIDE_STATUS:
      WriteSettings(context, [&] { SetBit(context->imeBlock->optionFlags, ImeBits::kHideStatus, on); });
      break;
    case ZN_IDC_OWN_FONTS:
      WriteSettings(context, [&] { SetBit(context->skinBlock->appearanceFlags, kSkinOwnFonts, on); });
      ShowSkinFonts(page, context, Selected(page, ZN_IDC_SKIN));
      break;
    default:
      break;
  }
}

void DrawPreview(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  HBRUSH fill = CreateSolidBrush(kPreviewFill);
  FillRect(item.hDC, &r, fill);
  DeleteObject(fill);
  DrawLine(item.hDC, r, kPreviewFrame, kPreviewFrame);
  // Only the part inside the frame is drawn, however large the picture.
  RECT inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  if (preview) DrawImageOverWhite(item.hDC, preview, inside);
}

}  // namespace

INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  ImeContext* context = EditablePageContext();
  if (!context) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      ShowPageAtOrigin(page);
      CheckDlgButton(page, ZN_IDC_HIDE_CANDIDATES,
                     (context->imeBlock->optionFlags & ImeBits::kHideCandidates) ? 1 : 0);
      CheckDlgButton(page, ZN_IDC_HIDE_STATUS,
                     (context->imeBlock->optionFlags & ImeBits::kHideStatus) ? 1 : 0);
      InitAppearancePage(page, context);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) return TRUE;
      if (HIWORD(wParam) == CBN_SELCHANGE) OnSelection(page, context, LOWORD(wParam));
      if (HIWORD(wParam) == BN_CLICKED) OnClick(page, context, LOWORD(wParam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlID == ZN_IDC_PREVIEW) DrawPreview(*item);
      return TRUE;
    }
    case WM_DESTROY:
      FreeSkinImage(preview);
      preview = nullptr;
      previewItem = -1;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace settings_pages
