// Showing the dictionary window beside a candidate and filling its text.
#include "ui/windows/DictWindow.h"

#include <richedit.h>

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "engine/WideString.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/DictWindowState.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"

namespace {

HWND ExistingWindow(const ImeContext* context) {
  HWND window = context ? context->dictionaryWindow.window : nullptr;
  return window && IsWindow(window) ? window : nullptr;
}

bool SideBySide(const ImeContext* context) {
  const uint32_t flags = context->skinBlock ? context->skinBlock->appearanceFlags : 0;
  return (flags & (kSkinRowArrangement | kSkinColumnsFromLeft)) != 0;
}

POINT PlaceFor(ImeContext* context, int slot, const ScreenInfo& screen) {
  const ImeWindowState& c = context->candidateWindow;
  const bool hasCandidates = c.window && IsWindow(c.window);
  const RECT candidate{c.position.x, c.position.y, c.position.x + c.size.cx,
                       c.position.y + c.size.cy};
  POINT word{0, 0};
  SkinWindowArea* area = WindowAreaOf(context);
  if (area) {
    const SkinItem& item = area->candidate.items[kItemFirstWord + slot];
    word = POINT{item.x, item.y};
  }
  const RECT work = screen.WorkAreaNearest(hasCandidates ? c.position : POINT{0, 0});
  return DictWindowPosition(candidate, word, SideBySide(context), work);
}

}  // namespace

HWND ShowDictWindow(ImeContext* context, int slot, const ScreenInfo& screen) {
  if (!context || slot < 0 || slot >= kCandidateSlots || context->pageSlots[slot].length <= 0) {
    return nullptr;
  }
  HWND window = ExistingWindow(context);
  if (window) {
    DictState* state = DictStateOf(window);
    if (state && state->slot == slot) return window;
    KillTimer(window, kDictCloseTimer);
  }
  const POINT p = PlaceFor(context, slot, screen);
  if (!window) {
    HWND owner = ReportsImeEvents(context) ? context->hostWindow : nullptr;
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kDictionaryWindowClass,
                             L"public_dict", WS_POPUP | WS_DISABLED, p.x, p.y,
                             kDictWindowSize.cx, kDictWindowSize.cy, owner, nullptr,
                             EngineModule(), context);
    if (!window) return nullptr;
    if (!DictStateOf(window)) {
      DestroyWindow(window);
      return nullptr;
    }
    context->dictionaryWindow.window = window;
  }
  context->dictionaryWindow.position = p;
  context->dictionaryWindow.size = kDictWindowSize;
  SetWindowPos(window, HWND_TOPMOST, p.x, p.y, kDictWindowSize.cx, kDictWindowSize.cy,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  PlaceDictEdit(*DictStateOf(window), kDictWindowSize);
  InvalidateRect(window, nullptr, TRUE);
  ReportPopupShown(context, true);
  FillDictText(context, slot);
  return window;
}

void FillDictText(ImeContext* context, int slot) {
  DictState* state = DictStateOf(ExistingWindow(context));
  if (!state || slot < 0 || slot >= kCandidateSlots) return;
  state->slot = slot;
  const PageSlot& page = context->pageSlots[slot];
  const int units = page.length < kDictHeadwordUnits ? page.length : kDictHeadwordUnits - 1;
  CopyStringBounded(state->headword, static_cast<uint32_t>(units > 0 ? units + 1 : 1), page.text);
  bool found = false;
  CopyDictEntryText(context->files[kFileDictionary], state->headword, state->text, kDictTextUnits,
                    &found);
  if (!state->edit) return;
  SetWindowTextW(state->edit, state->text);
  SendMessageW(state->edit, EM_SETSEL, 0, -1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(state->edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  format.dwMask |= CFM_COLOR | CFM_SIZE | CFM_OFFSET | CFM_FACE;
  format.dwEffects &= ~CFE_AUTOCOLOR;
  format.yHeight = 196;  // twips: 9.8 points
  format.yOffset = 60;
  CopyStringBounded(format.szFaceName, LF_FACESIZE, L"宋体");
  SendMessageW(state->edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageW(state->edit, EM_SETSEL, 0, 0);
}

void DestroyDictWindow(ImeContext* context) {
  HWND window = ExistingWindow(context);
  if (window) DestroyWindow(window);
  if (context) context->dictionaryWindow.window = nullptr;
}

void ScheduleDictWindowClose(ImeContext* context) {
  HWND window = ExistingWindow(context);
  if (window) SetTimer(window, kDictCloseTimer, kPopupTimerMs, nullptr);
}

void KeepDictWindow(ImeContext* context) {
  HWND window = ExistingWindow(context);
  if (window) KillTimer(window, kDictCloseTimer);
}

const wchar_t* DictWindowText(HWND window) {
  const DictState* state = DictStateOf(window);
  return state ? state->text : nullptr;
}
