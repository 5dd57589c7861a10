// The front ends' window facade over the skinned windows of ui/: the
// candidate window, the status bar, the soft keyboard, the menus, and the
// tips and dictionary windows.
#pragma once

#include "frontend/common/ImeWindows.h"

class SkinnedImeWindows : public ImeWindows {
 public:
  void ShowCandidateWindow(ImeContext* context) override;
  void UpdateCandidateWindow(ImeContext* context) override;
  void HideCandidateWindow(ImeContext* context) override;
  void MoveCandidateWindow(ImeContext* context) override;
  void DestroyCandidateWindow(ImeContext* context) override;

  void ShowStatusWindow(ImeContext* context) override;
  void UpdateStatusWindow(ImeContext* context) override;
  void HideStatusWindow(ImeContext* context) override;

  void ShowSoftKeyboard(ImeContext* context) override;
  void HideSoftKeyboard(ImeContext* context) override;

  HWND RequestTipsWindow(ImeContext* context, int x, int y, int type,
                         const wchar_t* text) override;
  HWND RequestDictWindow(ImeContext* context, int candidateIndex) override;
  void DestroyTipsWindow(ImeContext* context) override;

  void TrackMenu(ImeContext* context, ImeMenu menu, HWND owner, int slot) override;

  void DestroyWindows(ImeContext* context) override;
};

// The module's one facade; stateless.
ImeWindows& ModuleImeWindows();
