// The item table of a skinned window: the texts and buttons of the candidate
// window and the status bar, their rectangles, states and colours, with the
// hit test and the one-state-per-button rule.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kSkinItemCount = 41;
constexpr int kSkinItemTextUnits = 136;

enum SkinItemState : int32_t {
  kItemNormal = 0,
  kItemDisabled = 1,
  kItemHover = 2,
  kItemPressed = 3,
  kItemHidden = 5,
};

enum SkinItemKind : uint32_t {
  kItemKindText = 1,
  kItemKindBitmap = 2,
  kItemKindImageButton = 8,
};

// Item ids of the candidate window and the status bar.
enum SkinItemId : int32_t {
  kIdCode = 1,
  kIdFirstSlot = 2,  // slot k has id k + 2
  kIdPreviousPage = 12,
  kIdNextPage = 13,
  kIdWidth = 14,
  kIdPunctuation = 15,
  kIdMenu = 16,
  kIdFlag = 17,
  kIdSoftKeyboard = 18,
  kIdChineseEnglish = 19,
  kIdExtension1 = 20,
  kIdExtension2 = 21,
};

constexpr int kNoColour = -1;

struct SkinItem {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t state;  // SkinItemState
  int32_t id;
  uint32_t kind;  // SkinItemKind
  int32_t textColour[4];  // by state 0..3; kNoColour = none
  int32_t backColour[4];
  HBITMAP bitmap[4];
  int32_t textOffsetX;
  int32_t textLength;
  wchar_t text[kSkinItemTextUnits];
};

// Resets every item to hidden with no colours, no text and id 0.
void ResetSkinItems(SkinItem* items, int count);

// Id of the first visible, enabled item whose rectangle strictly contains
// (x, y); 0 when none does, -1 when the point lies outside the window or on
// its left or top border.
int HitTestSkinButton(const SkinItem* items, int count, SIZE window, int x, int y);

// Items with the id go back to normal (disabled and hidden ones excepted).
void ClearSkinButtonState(SkinItem* items, int count, int id);
// Items with the id take the state; any other item holding that state goes
// back to normal, so one button at a time is hovered or pressed.
void SetSkinButtonState(SkinItem* items, int count, int id, int state);
