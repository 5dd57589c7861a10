// Windows made on first need.
#include "ui/windows/SkinWindows.h"

#include "engine/ImeContext.h"
#include "ui/windows/StatusWindow.h"
#include "ui/windows/WindowArea.h"

HWND RequestStatusWindow(ImeContext* context) {
  if (!context || !WindowAreaOf(context)) return nullptr;
  return CreateStatusWindow(context);
}

HWND RequestTipsWindow(ImeContext*, int, int, int, const wchar_t*) { return nullptr; }

HWND RequestDictWindow(ImeContext*, int) { return nullptr; }

int DestroyTipsWindow(ImeContext* context) {
  if (context && context->tipsWindow.window) {
    ShowWindow(context->tipsWindow.window, SW_HIDE);
    DestroyWindow(context->tipsWindow.window);
    context->tipsWindow.window = nullptr;
  }
  return 0;
}
