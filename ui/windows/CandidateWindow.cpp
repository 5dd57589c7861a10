// Creating, laying out, placing and painting the candidate window.
#include "ui/windows/CandidateWindow.h"

#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/Os.h"
#include "ui/windows/CandidateLayout.h"
#include "ui/windows/DictWindow.h"
#include "ui/windows/EffectiveSkin.h"
#include "ui/windows/GdiTextMeasurer.h"
#include "ui/windows/Placement.h"
#include "ui/windows/SkinWindowProc.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"

namespace {

void DrawTexts(const CandidateWindowState& state, HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ original = nullptr;
  if (state.fonts.codeFont) original = SelectObject(dc, state.fonts.codeFont);
  FillRectWithText(dc, state.items[kItemCode]);
  if (state.fonts.candidateFont) {
    HGDIOBJ previous = SelectObject(dc, state.fonts.candidateFont);
    if (!original) original = previous;
  }
  for (int k = 0; k < kCandidateSlots; ++k) {
    FillRectWithText(dc, state.items[kItemFirstLabel + k]);
    FillRectWithText(dc, state.items[kItemFirstHint + k]);
  }
  for (int k = 0; k < kCandidateSlots; ++k) FillRectWithText(dc, state.items[kItemFirstWord + k]);
  if (original) SelectObject(dc, original);
}

void BlendButtons(const CandidateWindowState& state, const SkinImageSet& images,
                  uint32_t stateFlags, const DibView& dib) {
  const SkinItem* items = state.items;
  BlendSkinImage(items[kItemNextPage], ButtonVariants(images, kButtonDown), dib, true);
  BlendSkinImage(items[kItemPreviousPage], ButtonVariants(images, kButtonUp), dib, true);
  BlendSkinImage(items[kItemWidthButton],
                 ButtonVariants(images, WidthPicture(stateFlags)), dib,
                 false);
  BlendSkinImage(items[kItemPunctuationButton],
                 ButtonVariants(images, PunctuationPicture(stateFlags)),
                 dib, false);
  BlendSkinImage(items[kItemExtension1], ButtonVariants(images, kButtonExtern1), dib, false);
  BlendSkinImage(items[kItemExtension2], ButtonVariants(images, kButtonExtern2), dib, false);
}

}  // namespace

ImeContext* WindowContext(HWND window) {
  return window ? reinterpret_cast<ImeContext*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

bool ReportsImeEvents(const ImeContext* context) {
  if (!context || !context->compositionOpen) return false;
  return IsWindows8OrLater(context->osVersion);
}

HWND CreateCandidateWindow(ImeContext* context) {
  if (!context) return nullptr;
  if (context->candidateWindow.window && IsWindow(context->candidateWindow.window)) {
    return context->candidateWindow.window;
  }
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return nullptr;
  HWND owner = ReportsImeEvents(context) ? context->hostWindow : nullptr;
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kCandidateWindowClass,
                                L"Tessel_cand", WS_POPUP | WS_DISABLED, 0, 0, 0, 0, owner, nullptr,
                                EngineModule(), context);
  if (!window) return nullptr;
  context->candidateWindow.window = window;
  context->candidateWindow.hoveredItem = 0;
  context->candidateWindow.pressedItem = 0;
  const SkinValues& fallback = BuiltInSkinValues();
  CreateCandidateFonts(context, &area->candidate.fonts, &fallback.text.codeFont,
                       &fallback.text.candidateFont);
  ResetSkinItems(area->candidate.items, kSkinItemCount);
  return window;
}

void RelayoutCandidateWindow(HWND window) {
  ImeContext* context = WindowContext(window);
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return;
  // Another page is coming: the dictionary of the old one goes.
  DestroyDictWindow(context);
  GdiTextMeasurer measurer(area->candidate.fonts);
  // The new size reaches the window with the next UpdateLayeredWindow; a
  // resize of its own would cost one more round trip to the display.
  LayoutCandidateWindow(context, measurer);
}

int ComputeCandidatePosition(ImeContext* context, const ScreenInfo& screen) {
  if (!context || !context->candidateWindow.window) return 0;
  const uint32_t options = context->imeBlock ? context->imeBlock->optionFlags : 0;
  CandidatePlacementInput in{};
  in.anchor = (options & ImeBits::kCandidateFollowsStatus) ? CandidateAnchor::kStatusBar
              : (options & ImeBits::kCandidateFixed)       ? CandidateAnchor::kFixed
                                                           : CandidateAnchor::kCaret;
  in.window = context->candidateWindow.size;
  in.caret = context->caretPosition;
  in.cell = context->charCell.cy > 0 ? context->charCell : kDefaultCharCell;
  in.status = context->statusWindow.position;
  in.statusSize = context->statusWindow.size;
  SkinConfigBlock* block = context->skinBlock;
  if (block) in.stored = {block->candidateX, block->candidateY};
  const CandidatePlacement placed = ComputeCandidatePlacement(in, screen);
  if (placed.storeFixed && block) {
    // Stored only when the data folder's lock is free at once: a layout
    // never waits, and the next one stores it again.
    DataWriteLock lock(context, 0);
    if (lock.Held()) {
      block->candidateX = placed.fixed.x;
      block->candidateY = placed.fixed.y;
    }
  }
  context->candidateWindow.position = placed.position;
  return 0;
}

void ShowCandidateWindow(HWND window) {
  ImeContext* context = WindowContext(window);
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return;
  const SkinImage* background = area->candidate.background;
  if (!background || context->candidateWindow.size.cx <= 0) {
    HideCandidateWindow(window);
    return;
  }
  ComputeCandidatePosition(context);
  // UpdateLayeredWindow moves and sizes the window with its new picture;
  // clicks on its see-through pixels already pass to the window below, so
  // no window region is needed. (Wine drops a picture pushed while the
  // window is hidden: show first.)
  if (!IsWindowVisible(window)) {
    const POINT p = context->candidateWindow.position;
    const SIZE s = context->candidateWindow.size;
    SetWindowPos(window, HWND_TOPMOST, p.x, p.y, s.cx, s.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  PaintCandidateWindow(context);
  if (ReportsImeEvents(context)) {
    NotifyWinEvent(EVENT_OBJECT_IME_SHOW, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_IME_CHANGE, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
  }
}

void HideCandidateWindow(HWND window) {
  if (!window) return;
  ShowWindow(window, SW_HIDE);
  ImeContext* context = WindowContext(window);
  DestroyDictWindow(context);
  if (ReportsImeEvents(context)) {
    NotifyWinEvent(EVENT_OBJECT_IME_HIDE, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
  }
}

bool RenderCandidateWindow(ImeContext* context) {
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return false;
  CandidateWindowState& state = area->candidate;
  const SkinImage* background = state.background;
  if (!background) return false;
  const SIZE size{background->width, background->height};
  if (!PrepareSurface(&state.surface, size)) return false;
  const DibView dib = SurfaceDib(state.surface);
  CopyPremultiplied(*background, dib, true);
  DrawTexts(state, state.surface.dc);
  GdiFlush();
  RepairTextAlpha(*background, dib);
  BlendButtons(state, *EffectiveSkinOf(context).images, context->stateFlags, dib);
  return true;
}

void PaintCandidateWindow(ImeContext* context) {
  if (!context || !context->candidateWindow.window || !RenderCandidateWindow(context)) return;
  PushSurface(WindowAreaOf(context)->candidate.surface, context->candidateWindow.window,
              context->candidateWindow.position);
}
