// Windows made on first need.
#include "ui/windows/SkinWindows.h"

#include "engine/ImeContext.h"
#include "ui/windows/DictWindow.h"
#include "ui/windows/StatusWindow.h"
#include "ui/windows/TipsWindow.h"
#include "ui/windows/WindowArea.h"

HWND RequestStatusWindow(ImeContext* context) {
  if (!context || !WindowAreaOf(context)) return nullptr;
  return CreateStatusWindow(context);
}

HWND RequestTipsWindow(ImeContext* context, int x, int y, int type, const wchar_t* text) {
  if (!context || !WindowAreaOf(context)) return nullptr;
  return ShowTipsWindow(context, x, y, type, text);
}

HWND RequestDictWindow(ImeContext* context, int candidateIndex) {
  // The dictionary is optional: without dict.dms hovering shows nothing.
  if (!context || !context->files[kFileDictionary] || !WindowAreaOf(context)) return nullptr;
  return ShowDictWindow(context, candidateIndex);
}

int DestroyTipsWindow(ImeContext* context) {
  if (context && context->tipsWindow.window) {
    ShowWindow(context->tipsWindow.window, SW_HIDE);
    DestroyWindow(context->tipsWindow.window);
    context->tipsWindow.window = nullptr;
  }
  return 0;
}
