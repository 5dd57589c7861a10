// What the candidate window and the status bar keep in the window area at the
// start of a context's SkinData: their item tables, fonts and the stretched
// background of the candidate window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/skin/SkinTypes.h"
#include "ui/windows/CandidateFonts.h"
#include "ui/windows/LayeredSurface.h"
#include "ui/windows/SkinItems.h"

struct ImeContext;

// Arrangements of the candidate list.
enum class CandidateArrangement : int32_t {
  kRow,              // 横排: one row
  kLines,            // 竖排: one candidate per line
  kColumnsFromLeft,  // 左起纵向: one candidate per column, text turned
};

// Indices into CandidateWindowState::items.
enum CandidateItemIndex : int {
  kItemCode = 0,
  kItemFirstLabel = 1,   // + slot
  kItemFirstWord = 11,   // + slot
  kItemFirstHint = 21,   // + slot
  kItemPreviousPage = 31,
  kItemNextPage = 32,
  kItemWidthButton = 33,
  kItemPunctuationButton = 34,
  kItemMenuButton = 35,
  kItemExtension1 = 36,
  kItemExtension2 = 37,
};
constexpr int kCandidateSlots = 10;

struct CandidateWindowState {
  SkinItem items[kSkinItemCount];
  CandidateFonts fonts;
  SkinImage* background;  // stretched to the window size: &backgroundImage, or null
  SkinImage backgroundImage;
  size_t backgroundCapacity;  // bytes of backgroundImage.pixels (GlobalAlloc'ed), kept across layouts
  int32_t layoutIndex;    // CandidateLayoutIndex in use
  CandidateArrangement arrangement;
  int32_t merged;         // the code is shown in the window
  int32_t rightToLeft;
  int32_t currentHidden;  // the current candidate is shown in the document instead
  LayeredSurface surface;
};

// Indices into StatusWindowState::items.
enum StatusItemIndex : int {
  kStatusFlag,
  kStatusChineseEnglish,
  kStatusWidth,
  kStatusPunctuation,
  kStatusSoftKeyboard,
  kStatusMenu,
  kStatusExtension1,
  kStatusExtension2,
  kStatusItemCount,
};

struct StatusWindowState {
  SkinItem items[kSkinItemCount];
  LayeredSurface surface;
};

struct SkinWindowArea {
  CandidateWindowState candidate;
  StatusWindowState status;
};
static_assert(sizeof(SkinWindowArea) <= kSkinWindowAreaBytes);

// The window area of the context's SkinData, allocating a zero-filled
// SkinData (with no skin loaded) when the context has none; null without
// memory.
SkinWindowArea* WindowAreaOf(ImeContext* context);
