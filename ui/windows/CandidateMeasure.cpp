// The candidate window's texts: the code, and the label, word and hint of
// every slot of the page, with their colours and measured sizes.
#include <cstring>

#include "engine/Candidates.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/Search.h"
#include "engine/WideString.h"
#include "ui/windows/CandidateLayout.h"

namespace {

// Used when a context has no appearance block: numbered row with hints.
constexpr uint32_t kDefaultAppearance =
    kSkinLabelsVisible | kSkinHintsVisible | kSkinButtonsVisible | kSkinRowArrangement;

constexpr wchar_t kEllipsis = 0x2026;

bool IsLow(wchar_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsHigh(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }

int32_t ColourOrNone(uint32_t colour) {
  const auto c = static_cast<int32_t>(colour);
  return c < 0 ? kNoColour : c;
}

void SetText(SkinItem* item, const wchar_t* text, int units) {
  if (units > kSkinItemTextUnits - 1) units = kSkinItemTextUnits - 1;
  if (units < 0) units = 0;
  std::memcpy(item->text, text, units * sizeof(wchar_t));
  item->text[units] = 0;
  item->textLength = units;
}

void Measure(SkinItem* item, TextMeasurer& measurer, TextFont font) {
  const SIZE size = measurer.Measure(font, item->text, item->textLength);
  item->width = size.cx;
  item->height = size.cy;
}

void SetColours(SkinItem* item, int32_t text, int32_t back, int32_t hoverText, int32_t hoverBack) {
  item->textColour[kItemNormal] = item->textColour[kItemDisabled] = text;
  item->backColour[kItemNormal] = item->backColour[kItemDisabled] = back;
  item->textColour[kItemHover] = item->textColour[kItemPressed] = hoverText;
  item->backColour[kItemHover] = item->backColour[kItemPressed] = hoverBack;
}

void ShowTextItem(SkinItem* item, int id) {
  item->id = id;
  item->kind = kItemKindText;
  item->state = kItemNormal;
}

bool ValidCandidate(const ImeContext* context, int slot) {
  const int index = context->slotListIndex[slot];
  return index >= 0 && index < context->candidateCount && index < kMaxCandidates;
}

}  // namespace

int CutAtCodePoint(const wchar_t* text, int units, int maxUnits) {
  if (units <= maxUnits) return units;
  int keep = maxUnits < 0 ? 0 : maxUnits;
  // Never end on the high half of a pair.
  if (keep > 0 && IsHigh(text[keep - 1]) && IsLow(text[keep])) --keep;
  return keep;
}

int TailStart(const wchar_t* text, int units, int maxUnits) {
  if (maxUnits < 0 || units <= maxUnits) return 0;
  int start = units - maxUnits;
  if (start < units && IsLow(text[start]) && start > 0 && IsHigh(text[start - 1])) ++start;
  return start;
}

void MeasureCandidateTexts(const ImeContext* context, const EffectiveSkin& skin,
                           TextMeasurer& measurer, CandidateWindowState* state) {
  ResetSkinItems(state->items, kSkinItemCount);
  const SkinTextStyle& style = skin.values->text;
  const ImeConfigBlock* ime = context->imeBlock;
  const uint32_t options = ime ? ime->optionFlags : 0;
  const uint32_t display = ime ? ime->spaceWord : 0;
  const uint32_t appearance =
      context->skinBlock ? context->skinBlock->appearanceFlags : kDefaultAppearance;
  const bool imm = context->inputContext != nullptr;
  const bool tsf = !imm && context->textService != nullptr;
  const int compositionUnits =
      context->compositionLength < 0
          ? 0
          : (context->compositionLength > kMaxCodeUnits ? kMaxCodeUnits : context->compositionLength);

  state->merged = compositionUnits > 0 && (!tsf || (options & ImeBits::kTsfClassic));
  state->rightToLeft = (appearance & kSkinRightToLeft) != 0;
  state->arrangement = (appearance & kSkinRowArrangement)    ? CandidateArrangement::kRow
                       : (appearance & kSkinColumnsFromLeft) ? CandidateArrangement::kColumnsFromLeft
                                                             : CandidateArrangement::kLines;
  state->currentHidden = (options & ImeBits::kTsfEmbedFirst) &&
                         (display & ImeBits::kHideEmbeddedFirst) &&
                         !(context->stateFlags & kStateAssociations);

  SkinItem& code = state->items[kItemCode];
  if (state->merged) {
    const int start = TailStart(context->composition, compositionUnits, style.maxCodeShown);
    SetText(&code, context->composition + start, compositionUnits - start);
    ShowTextItem(&code, kIdCode);
    const int32_t colour = ColourOrNone(style.codeFont.colour);
    SetColours(&code, colour, kNoColour, colour, kNoColour);
    Measure(&code, measurer, TextFont::kCode);
  }

  const bool columns = state->arrangement == CandidateArrangement::kColumnsFromLeft;
  const wchar_t suffix = skin.values->layouts[kLayoutMerged].indexSuffix;
  const int filled = context->slotsFilled < kCandidateSlots ? context->slotsFilled : kCandidateSlots;
  int shown = 0;
  for (int k = 0; k < filled; ++k) {
    if (state->currentHidden && k == context->selection) continue;
    const int id = kIdFirstSlot + k;
    const CandidateItem* candidate = ValidCandidate(context, k)
                                         ? &context->candidates[context->slotListIndex[k]]
                                         : nullptr;
    // Colours of the word; label and hint follow unless the skin sets theirs.
    const bool current = k == context->selection;
    int32_t text = ColourOrNone(style.candidateFont.colour);
    int32_t back = current ? ColourOrNone(style.firstBackground) : kNoColour;
    if (candidate && candidate->kind == kKindTemp) {
      text = ColourOrNone(style.tempWordColour);
    } else if (candidate && candidate->kind == kKindMain && candidate->entry &&
               ((EntryAttribute(candidate->entry) >> 24) & 0x3F) == 2) {
      text = ColourOrNone(style.userWordColour);
    } else if (current) {
      text = ColourOrNone(style.firstColour);
    }
    const int32_t hoverColour = ColourOrNone(style.hoverColour);
    const int32_t hoverBackground = ColourOrNone(style.hoverBackground);
    const int32_t hoverText = hoverColour != kNoColour ? hoverColour : text;
    const int32_t hoverBack = hoverBackground != kNoColour ? hoverBackground : back;

    if (appearance & kSkinLabelsVisible) {
      SkinItem& label = state->items[kItemFirstLabel + k];
      wchar_t number[8];
      if (suffix) {
        FormatString(number, 8, L"%d%c", (k + 1) % 10, suffix);
      } else {
        FormatString(number, 8, L"%d", (shown + 1) % 10);
      }
      SetText(&label, number, static_cast<int>(BoundedLength(number, 8)));
      ShowTextItem(&label, id);
      const int32_t c = ColourOrNone(style.indexColour);
      SetColours(&label, c != kNoColour ? c : text, back, c != kNoColour ? c : hoverText, hoverBack);
      Measure(&label, measurer, TextFont::kCandidate);
    }

    SkinItem& word = state->items[kItemFirstWord + k];
    const PageSlot& slot = context->pageSlots[k];
    const int units =
        slot.length < 0 ? 0 : (slot.length > kSlotTextUnits ? kSlotTextUnits : slot.length);
    const int limit = style.maxCandidateShown > 0 ? style.maxCandidateShown : kSlotTextUnits;
    const int kept = CutAtCodePoint(slot.text, units, limit);
    SetText(&word, slot.text, kept);
    if (kept < units) {
      word.text[word.textLength++] = kEllipsis;
      word.text[word.textLength] = 0;
    }
    ShowTextItem(&word, id);
    SetColours(&word, text, back, hoverText, hoverBack);
    Measure(&word, measurer, TextFont::kCandidate);

    if ((appearance & kSkinHintsVisible) && candidate && candidate->hint[0]) {
      SkinItem& hint = state->items[kItemFirstHint + k];
      wchar_t hintText[4] = {candidate->hint[0], candidate->hint[1], candidate->hint[2], 0};
      SetText(&hint, hintText, static_cast<int>(BoundedLength(hintText, 4)));
      ShowTextItem(&hint, id);
      const int32_t c = ColourOrNone(style.hintColour);
      SetColours(&hint, c != kNoColour ? c : text, back, c != kNoColour ? c : hoverText, hoverBack);
      Measure(&hint, measurer, TextFont::kCandidate);
    }
    ++shown;
  }

  if (columns) {
    // Turned text: the measured extent runs down the column.
    for (int i = kItemFirstLabel; i < kItemFirstHint + kCandidateSlots; ++i) {
      SkinItem& item = state->items[i];
      if (item.state == kItemHidden) continue;
      const int32_t w = item.width;
      item.width = item.height;
      item.height = w;
      item.textOffsetX = item.width;
    }
  }
}
