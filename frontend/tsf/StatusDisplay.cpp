// Where the input state shows: the skinned status bar, through the window
// facade. The language-bar buttons, the other place it can show, are not
// built yet; with them the language-bar mode hides the status bar.
#include "frontend/tsf/TextService.h"

#include "engine/ImeOptionBits.h"

bool CTextService::StatusBarWanted() const {
  if (!context_ || !environment_.windows) return false;
  const uint32_t options = context_->imeBlock ? context_->imeBlock->optionFlags : 0;
  // Hosts with their own UI (immersive, UI-less, console) show no status bar.
  return activationFlags_ == 0 && !(options & (ImeBits::kHideStatus | ImeBits::kStatusInLanguageBar));
}

void CTextService::ShowStatusDisplay() {
  if (StatusBarWanted()) environment_.windows->ShowStatusWindow(context_);
}

void CTextService::HideStatusDisplay() {
  if (context_ && environment_.windows) environment_.windows->HideStatusWindow(context_);
}

void CTextService::RefreshStatusDisplay() {
  if (StatusBarWanted()) environment_.windows->UpdateStatusWindow(context_);
}

bool CTextService::InitLanguageBar() {
  // Wine and some hosts have no language-bar item manager: the buttons are
  // then absent and activation goes on.
  if (!context_) return false;
  ShowStatusDisplay();
  return true;
}
