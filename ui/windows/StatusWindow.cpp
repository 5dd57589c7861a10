// Creating, placing and painting the status bar.
#include "ui/windows/StatusWindow.h"

#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/Placement.h"
#include "ui/windows/SkinWindowProc.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"

namespace {

struct StatusButton {
  int id;
  SkinButton picture;  // the picture whose size the button takes
};

// In StatusItemIndex order.
constexpr StatusButton kButtons[kStatusItemCount] = {
    {kIdFlag, kButtonFlag},          {kIdChineseEnglish, kButtonCn},
    {kIdWidth, kButtonFull},         {kIdPunctuation, kButtonCnPunctuation},
    {kIdSoftKeyboard, kButtonKey1},  {kIdMenu, kButtonMenu},
    {kIdExtension1, kButtonExtern1}, {kIdExtension2, kButtonExtern2},
};

SkinPoint ConfiguredPosition(const StatusBarLayout& layout, int index) {
  switch (index) {
    case kStatusFlag: return layout.logo;
    case kStatusChineseEnglish: return layout.chineseEnglish;
    case kStatusWidth: return layout.width;
    case kStatusPunctuation: return layout.punctuation;
    case kStatusSoftKeyboard: return layout.softKeyboard;
    case kStatusMenu: return layout.menu;
    case kStatusExtension1: return layout.extension1;
    default: return layout.extension2;
  }
}

// The picture the Chinese/English button shows for the input state.
SkinButton LanguagePicture(uint32_t state) {
  if (state & (kStateInputClosed | kStateInputDisabled)) return kButtonEn;
  if (GetKeyState(VK_CAPITAL) & 1) return kButtonCapsLock;
  return (state & kStateEnglish) ? kButtonEn : kButtonCn;
}

}  // namespace

HWND CreateStatusWindow(ImeContext* context) {
  if (!context || !context->skin || !context->skin->images.images[kPictureBar]) return nullptr;
  if (context->statusWindow.window && IsWindow(context->statusWindow.window)) {
    return context->statusWindow.window;
  }
  if (!WindowAreaOf(context)) return nullptr;
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kStatusWindowClass, L"status",
                                WS_POPUP | WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr,
                                EngineModule(), context);
  if (!window) return nullptr;
  context->statusWindow.window = window;
  LayoutStatusWindow(context);
  return window;
}

void LayoutStatusWindow(ImeContext* context, const ScreenInfo& screen) {
  SkinWindowArea* area = WindowAreaOf(context);
  if (!area) return;
  const SkinImageSet& images = context->skin->images;
  const SkinImage* bar = images.images[kPictureBar];
  const SIZE size = bar ? SIZE{bar->width, bar->height} : SIZE{0, 0};
  context->statusWindow.size = size;
  SkinItem* items = area->status.items;
  ResetSkinItems(items, kSkinItemCount);
  const StatusBarLayout& layout = context->skin->values.statusBar;
  for (int i = 0; i < kStatusItemCount; ++i) {
    SkinItem& item = items[i];
    item.id = kButtons[i].id;
    item.kind = kItemKindImageButton;
    const SkinImage* image = images.images[ButtonPicture(kButtons[i].picture, 0)];
    const SkinPoint at = ConfiguredPosition(layout, i);
    if (!image || at.x < 0 || at.y < 0) continue;
    item.x = at.x;
    item.y = at.y;
    item.width = image->width;
    item.height = image->height;
    item.state = kItemNormal;
  }
  SetSkinButtonState(items, kSkinItemCount, context->statusWindow.hoveredItem, kItemHover);
  SetSkinButtonState(items, kSkinItemCount, context->statusWindow.pressedItem, kItemPressed);
  if (!context->imeBlock || !context->skinBlock) return;
  SkinConfigBlock* block = context->skinBlock;
  const POINT stored{block->statusX, block->statusY};
  if (!StoredStatusUsable(stored, screen)) {
    context->statusWindow.hoveredItem = -1;
    context->statusWindow.pressedItem = -1;
  }
  const POINT p = PlaceStatusBar(stored, size, layout.defaultPosition, screen);
  if (p.x != stored.x || p.y != stored.y) {
    // Stored only when the data folder's lock is free at once: a layout
    // never waits, and the next one stores it again.
    DataWriteLock lock(context, 0);
    if (lock.Held()) {
      block->statusX = p.x;
      block->statusY = p.y;
    }
  }
  context->statusWindow.position = p;
}

void UpdateStatusWindow(HWND window) {
  ImeContext* context = WindowContext(window);
  if (!context) return;
  // The picture moves and sizes the window (Wine drops a picture pushed
  // while the window is hidden: show first).
  if (!IsWindowVisible(window)) {
    const POINT p = context->statusWindow.position;
    const SIZE s = context->statusWindow.size;
    SetWindowPos(window, HWND_TOPMOST, p.x, p.y, s.cx, s.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  PaintStatusWindow(window);
}

void PaintStatusWindow(HWND window) {
  ImeContext* context = WindowContext(window);
  SkinWindowArea* area = context ? WindowAreaOf(context) : nullptr;
  if (!area) return;
  const SkinImageSet& images = context->skin->images;
  const SkinImage* bar = images.images[kPictureBar];
  if (!bar) return;
  StatusWindowState& state = area->status;
  if (!PrepareSurface(&state.surface, SIZE{bar->width, bar->height})) return;
  const DibView dib = SurfaceDib(state.surface);
  // No GDI text is drawn on the bar: it keeps its own alpha and the buttons
  // are composited over it, which needs no alpha repair afterwards.
  CopyPremultiplied(*bar, dib, false);
  const uint32_t flags = context->stateFlags;
  const SkinItem* items = state.items;
  BlendSkinImage(items[kStatusFlag], ButtonVariants(images, kButtonFlag), dib, false);
  BlendSkinImage(items[kStatusChineseEnglish], ButtonVariants(images, LanguagePicture(flags)), dib, false);
  BlendSkinImage(items[kStatusWidth],
                 ButtonVariants(images, WidthPicture(flags)), dib,
                 false);
  BlendSkinImage(items[kStatusPunctuation],
                 ButtonVariants(images, PunctuationPicture(flags)),
                 dib, false);
  // key2 is the picture of a soft keyboard that is on.
  BlendSkinImage(items[kStatusSoftKeyboard],
                 ButtonVariants(images, (flags & kStateSoftKeyboard) ? kButtonKey2 : kButtonKey1), dib,
                 false);
  BlendSkinImage(items[kStatusMenu], ButtonVariants(images, kButtonMenu), dib, false);
  BlendSkinImage(items[kStatusExtension1], ButtonVariants(images, kButtonExtern1), dib, false);
  BlendSkinImage(items[kStatusExtension2], ButtonVariants(images, kButtonExtern2), dib, false);
  PushSurface(state.surface, window, context->statusWindow.position);
}
