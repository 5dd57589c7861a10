// Arranging the candidate window: row, lines or columns, right to left, the
// buttons against the stretch ranges and the stretched background.
#include "ui/windows/CandidateLayout.h"

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinIni.h"
#include "ui/windows/SkinWindowProc.h"

namespace {


bool Visible(const SkinItem& item) { return item.state != kItemHidden; }
int32_t W(const SkinItem& item) { return Visible(item) ? item.width : 0; }
int32_t H(const SkinItem& item) { return Visible(item) ? item.height : 0; }
int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

struct Slot {
  SkinItem* label;
  SkinItem* word;
  SkinItem* hint;
};

Slot SlotOf(CandidateWindowState* state, int k) {
  return {&state->items[kItemFirstLabel + k], &state->items[kItemFirstWord + k],
          &state->items[kItemFirstHint + k]};
}

void Put(SkinItem* item, int32_t x, int32_t y) {
  item->x = x;
  item->y = y;
}

SIZE ArrangeRow(CandidateWindowState* state, const CandidateLayout& l, int32_t rowY) {
  int32_t x = l.candidateOrigin.x;
  int32_t tallest = 0;
  for (int k = 0; k < kCandidateSlots; ++k) {
    Slot s = SlotOf(state, k);
    if (Visible(*s.label)) {
      Put(s.label, x, rowY);
      x += s.label->width + l.indexWordGap;
    }
    if (Visible(*s.word)) {
      Put(s.word, x, rowY);
      x += s.word->width + l.wordHintGap;
    }
    if (Visible(*s.hint)) {
      Put(s.hint, x, rowY);
      x += s.hint->width;
    }
    if (Visible(*s.word)) x += l.candidateGap;
    tallest = Max(tallest, Max(H(*s.label), Max(H(*s.word), H(*s.hint))));
  }
  const SkinItem& code = state->items[kItemCode];
  const int32_t codeRight = Visible(code) ? code.x + code.width + l.rightMargin : 0;
  return {l.rightMargin + Max(x, codeRight), rowY + l.bottomMargin + tallest};
}

SIZE ArrangeLines(CandidateWindowState* state, const CandidateLayout& l, int32_t rowY) {
  int32_t tallest = 0;
  int32_t widest = 0;
  int lines = 0;
  for (int k = 0; k < kCandidateSlots; ++k) {
    Slot s = SlotOf(state, k);
    if (!Visible(*s.word)) continue;
    ++lines;
    tallest = Max(tallest, Max(H(*s.label), Max(H(*s.word), H(*s.hint))));
    widest = Max(widest, l.indexWordGap + W(*s.label) + W(*s.word) + l.wordHintGap + W(*s.hint));
  }
  int32_t y = rowY;
  for (int k = 0; k < kCandidateSlots; ++k) {
    Slot s = SlotOf(state, k);
    if (!Visible(*s.word)) continue;
    // Bottom-aligned on the tallest item of the lines.
    int32_t x = l.candidateOrigin.x;
    if (Visible(*s.label)) {
      Put(s.label, x, y + tallest - s.label->height);
      x += s.label->width + l.indexWordGap;
    }
    Put(s.word, x, y + tallest - s.word->height);
    x += s.word->width + l.wordHintGap;
    if (Visible(*s.hint)) Put(s.hint, x, y + tallest - s.hint->height);
    y += tallest + l.lineGap;
  }
  const SkinItem& code = state->items[kItemCode];
  const int32_t width = Visible(code)
                            ? Max(widest + l.candidateOrigin.x, code.x + code.width) + l.rightMargin
                            : widest + l.candidateOrigin.x + l.rightMargin;
  return {width, lines * (tallest + l.lineGap) + l.bottomMargin + rowY};
}

SIZE ArrangeColumns(CandidateWindowState* state, const CandidateLayout& l, int32_t rowY) {
  int32_t widest = 0;
  int32_t tallestColumn = 0;
  int columns = 0;
  for (int k = 0; k < kCandidateSlots; ++k) {
    Slot s = SlotOf(state, k);
    if (!Visible(*s.word)) continue;
    ++columns;
    widest = Max(widest, Max(W(*s.label), Max(W(*s.word), W(*s.hint))));
    tallestColumn = Max(tallestColumn, H(*s.label) + l.indexWordGap + H(*s.word) +
                                           l.wordHintGap + H(*s.hint) + l.candidateGap);
  }
  int32_t x = l.candidateOrigin.x;
  for (int k = 0; k < kCandidateSlots; ++k) {
    Slot s = SlotOf(state, k);
    if (!Visible(*s.word)) continue;
    int32_t y = rowY;
    if (Visible(*s.label)) {
      Put(s.label, x + (widest - s.label->width) / 2, y);
      y += s.label->height + l.indexWordGap;
    }
    Put(s.word, x + (widest - s.word->width) / 2, y);
    y += s.word->height + l.wordHintGap;
    if (Visible(*s.hint)) Put(s.hint, x + (widest - s.hint->width) / 2, y);
    x += widest + l.lineGap;
  }
  const int32_t span = columns * (widest + l.lineGap) + l.candidateOrigin.x;
  const SkinItem& code = state->items[kItemCode];
  const int32_t width = Visible(code) ? Max(span, code.x + code.width) + l.rightMargin
                                      : span + l.rightMargin;
  return {width, tallestColumn + l.lineGap + l.bottomMargin + rowY};
}

// Right to left: the same arrangement run leftwards from the right margin.
void Mirror(CandidateWindowState* state, const CandidateLayout& l, int32_t width) {
  for (int i = kItemFirstLabel; i < kItemFirstHint + kCandidateSlots; ++i) {
    SkinItem& item = state->items[i];
    if (!Visible(item)) continue;
    item.x = width - l.rightMargin - (item.x - l.candidateOrigin.x) - item.width;
  }
}

// Stretches the layout's picture to the window size into the buffer the
// window keeps, grown when a larger window needs it.
bool StretchBackground(CandidateWindowState* state, const SkinImage* picture,
                       const CandidateLayout& l, SIZE size) {
  if (size.cx <= 0 || size.cy <= 0) return false;
  const size_t bytes = static_cast<size_t>(size.cx) * size.cy * 4;
  if (bytes > state->backgroundCapacity) {
    ReleaseCandidateBackground(state);
    auto* pixels = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, bytes));
    if (!pixels) return false;
    state->backgroundImage.pixels = pixels;
    state->backgroundCapacity = bytes;
  }
  state->backgroundImage.width = size.cx;
  state->backgroundImage.height = size.cy;
  return StretchSkinImageInto(picture, &state->backgroundImage, l.stretchColumns.x,
                              l.stretchColumns.y, l.stretchRows.x, l.stretchRows.y);
}

}  // namespace

void ReleaseCandidateBackground(CandidateWindowState* state) {
  if (state->backgroundImage.pixels) GlobalFree(state->backgroundImage.pixels);
  state->backgroundImage = SkinImage{};
  state->backgroundCapacity = 0;
  state->background = nullptr;
}

SIZE ArrangeCandidateItems(CandidateWindowState* state, const CandidateLayout& l, SIZE background) {
  SkinItem& code = state->items[kItemCode];
  int32_t rowY = l.candidateOrigin.y;
  if (Visible(code)) {
    Put(&code, l.codeOrigin.x, l.codeOrigin.y);
    const int32_t below = code.y + code.height + 2;
    if (rowY < below && rowY != l.codeOrigin.y) rowY = below;
  }
  SIZE size{};
  switch (state->arrangement) {
    case CandidateArrangement::kRow: size = ArrangeRow(state, l, rowY); break;
    case CandidateArrangement::kLines: size = ArrangeLines(state, l, rowY); break;
    case CandidateArrangement::kColumnsFromLeft: size = ArrangeColumns(state, l, rowY); break;
  }
  size.cx = Max(size.cx, Max(background.cx, l.minWidth));
  size.cy = Max(size.cy, Max(background.cy, l.minHeight));
  if (state->rightToLeft) Mirror(state, l, size.cx);
  return size;
}

void PlaceCandidateButtons(CandidateWindowState* state, const CandidateLayout& l,
                           const SkinImageSet& images, SIZE background, SIZE window,
                           uint32_t stateFlags) {
  struct Button {
    int item;
    int id;
    SkinPoint at;
    SkinButton picture;
  };
  const Button buttons[] = {
      {kItemPreviousPage, kIdPreviousPage, l.previousPage, kButtonUp},
      {kItemNextPage, kIdNextPage, l.nextPage, kButtonDown},
      {kItemWidthButton, kIdWidth, l.width, WidthPicture(stateFlags)},
      {kItemPunctuationButton, kIdPunctuation, l.punctuation,
       PunctuationPicture(stateFlags)},
      {kItemExtension1, kIdExtension1, l.extension1, kButtonExtern1},
      {kItemExtension2, kIdExtension2, l.extension2, kButtonExtern2},
  };
  for (const Button& b : buttons) {
    SkinItem& item = state->items[b.item];
    item.id = b.id;
    item.kind = kItemKindImageButton;
    item.state = kItemHidden;
    const SkinImage* image = images.images[ButtonPicture(b.picture, 0)];
    if (!image || b.at.x < 0 || b.at.y < 0) continue;
    // Positions past the stretch ranges keep their distance to the far edge.
    item.x = b.at.x > l.stretchColumns.y ? window.cx + b.at.x - l.rightMargin - background.cx
                                          : b.at.x;
    item.y = b.at.y > l.stretchRows.y ? window.cy + b.at.y - l.bottomMargin - background.cy
                                       : b.at.y;
    item.width = image->width;
    item.height = image->height;
    item.state = kItemNormal;
  }
  // The menu button is never placed by the layout.
  state->items[kItemMenuButton].id = kIdMenu;
  state->items[kItemMenuButton].kind = kItemKindImageButton;
}

SIZE LayoutCandidateWindow(ImeContext* context, TextMeasurer& measurer) {
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return {0, 0};
  CandidateWindowState* state = &area->candidate;
  state->background = nullptr;
  context->candidateWindow.size = {0, 0};
  ResetSkinItems(state->items, kSkinItemCount);

  const ImeConfigBlock* ime = context->imeBlock;
  const uint32_t options = ime ? ime->optionFlags : 0;
  const uint32_t display = ime ? ime->spaceWord : 0;
  const bool imm = context->inputContext != nullptr;
  const bool tsf = !imm && context->textService != nullptr;
  const bool associations = (context->stateFlags & kStateAssociations) != 0;
  const bool fewCandidates = context->candidateCount < 2 && context->slotsFilled < 2;
  if (tsf && fewCandidates && !associations &&
      ((display & ImeBits::kCandidatesOnlyWhenAmbiguous) ||
       ((options & ImeBits::kTsfEmbedFirst) && (display & ImeBits::kHideEmbeddedFirst)))) {
    return {0, 0};
  }
  const bool emptyPage = context->slotsFilled <= 0;
  if ((options & ImeBits::kHideCandidates) || (emptyPage && context->compositionLength <= 0) ||
      (emptyPage && tsf && !(options & ImeBits::kTsfClassic))) {
    return {0, 0};
  }

  const EffectiveSkin skin = EffectiveSkinOf(context);
  MeasureCandidateTexts(context, skin, measurer, state);
  const bool row = state->arrangement == CandidateArrangement::kRow;
  state->layoutIndex = row ? (state->merged ? kLayoutMerged : kLayoutEmbedded)
                           : (state->merged ? kLayoutMergedVertical : kLayoutEmbeddedVertical);
  const CandidateLayout& layout = skin.values->layouts[state->layoutIndex];
  const SkinImage* picture = skin.images->images[kPictureCandHB + state->layoutIndex];
  const SIZE background = picture ? SIZE{picture->width, picture->height} : SIZE{0, 0};

  SIZE size = ArrangeCandidateItems(state, layout, background);
  if (size.cx > kMaxSkinWindowSide) size.cx = kMaxSkinWindowSide;
  if (size.cy > kMaxSkinWindowSide) size.cy = kMaxSkinWindowSide;
  const uint32_t appearance = context->skinBlock ? context->skinBlock->appearanceFlags : kSkinButtonsVisible;
  if (appearance & kSkinButtonsVisible) {
    PlaceCandidateButtons(state, layout, *skin.images, background, size, context->stateFlags);
    const bool previous = context->pageFirst > 0 || context->pageFirstCarry > 0;
    const bool next =
        context->pageLastCarry > 0 || context->pageLast + 1 < context->candidateCount;
    SkinItem& up = state->items[kItemPreviousPage];
    SkinItem& down = state->items[kItemNextPage];
    if (up.state != kItemHidden && !previous) up.state = kItemDisabled;
    if (down.state != kItemHidden && !next) down.state = kItemDisabled;
  }
  if (picture && StretchBackground(state, picture, layout, size)) {
    state->background = &state->backgroundImage;
  }
  if (!state->background) {
    ResetSkinItems(state->items, kSkinItemCount);
    return {0, 0};
  }
  // Keep the hover and pressed looks the mouse gave before the relayout.
  SetSkinButtonState(state->items, kSkinItemCount, context->candidateWindow.hoveredItem, kItemHover);
  SetSkinButtonState(state->items, kSkinItemCount, context->candidateWindow.pressedItem,
                     kItemPressed);
  context->candidateWindow.size = size;
  return size;
}
